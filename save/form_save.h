#pragma once
// Saving, loading and managing saved games: the list of saves and its six actions.
#include <QDateTime>
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "platform/image_list.h"

class QAction;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TSaveData;
class TVelmor;
class TyxDllRes;
class TyxApplication;
namespace platform {
class Bitmap;
}

class TFormSave : public QDialog {
    Q_OBJECT
public:
    TFormSave(QWidget* owner, TyxDllRes* dllRes, TyxApplication& app);
    ~TFormSave() override;

    // Reads the list afresh and sets the actions for the engine's state. Throws
    // EEngineError when an action picture is missing.
    void Prepare(TVelmor& engine, platform::Bitmap* wallpaper);
    // Fills the list from the save list; the row of the newest save, or -1.
    int dataEnum();
    bool Loaded() const { return m_Loaded; }
    bool TitleRequested() const { return m_TitleRequested; }

    // The details question (a TFormSaveData run): false when the player cancels; date, time
    // and comment come back as the player left them. Tests answer it themselves.
    using DetailsQuestion =
        std::function<bool(const std::string& caption, const std::string& name, std::string& date,
                           std::string& time, std::string& comment)>;
    void SetDetailsQuestion(DetailsQuestion question) { m_AskDetails = std::move(question); }
    void SetNow(std::function<QDateTime()> now) { m_Now = std::move(now); }

    QTreeWidget* List() const { return m_LVData; }
    QAction* m_ActNewSave;
    QAction* m_ActSave;
    QAction* m_ActLoad;
    QAction* m_ActDelete;
    QAction* m_ActCommentEdit;
    QAction* m_ActTitleReturn;

    // Dates and times as the list shows them; invalid when the text does not parse.
    static QDate ParseDate(const std::string& text);
    static QTime ParseTime(const std::string& text);
    // A moment as a new save's date and time show it.
    static std::string DateText(const QDateTime& at);
    static std::string TimeText(const QDateTime& at);
    // The date and time of a save made now, for saves made without the dialog.
    static void NowTexts(std::string& date, std::string& time);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void m_ActNewSaveExecute();
    void m_ActSaveExecute();
    void m_ActLoadExecute();
    void m_ActDeleteExecute();
    void m_ActCommentEditExecute();
    void m_ActTitleReturnExecute();
    void SelectionChanged();
    // What a double-click on a row and Enter do: load the selected save, after asking.
    void ActivateRow();
    // Runs a write of the save files; a failure is shown to the player and gives false.
    bool Carried(const std::function<void()>& operation);
    bool AskDetails(const std::string& caption, const std::string& name, std::string& date,
                    std::string& time, std::string& comment);
    QTreeWidgetItem* AddRow(const std::string& name, const std::string& date,
                            const std::string& time, const std::string& comment);
    static void SetRow(QTreeWidgetItem* row, const std::string& date, const std::string& time,
                       const std::string& comment);
    QTreeWidgetItem* Selected() const;
    std::string DateNow() const;
    std::string TimeNow() const;

    TyxDllRes* m_DllRes;
    TyxApplication& m_App;
    std::unique_ptr<TSaveData> m_Data;
    platform::Bitmap* m_Wallpaper = nullptr;
    platform::ImageList m_ILMenuIcon;
    bool m_Loaded = false;
    bool m_TitleRequested = false;
    bool m_CanSave = false;
    DetailsQuestion m_AskDetails;
    std::function<QDateTime()> m_Now;

    QTreeWidget* m_LVData;
    QMenu* m_PMSave;
    QPushButton* btnNew;
    QPushButton* btnSave;
    QPushButton* btnLoad;
    QPushButton* btnDelete;
    QPushButton* btnCommentEdit;
    QPushButton* btnTitleReturn;
    QPushButton* btnClose;
};
