#pragma once
class QCoreApplication;

// Qt's own dialogs in Japanese, like the game's texts, when Qt's translations are installed;
// false when they are not (the dialogs stay in English).
bool InstallQtTranslations(QCoreApplication& app);
