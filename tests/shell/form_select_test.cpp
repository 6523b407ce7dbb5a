// The scenario selection dialog: titles and icons of the candidates, choosing only an item.
#include "shell/form_select.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/sjis.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(FormSelect, ListsTitlesAndIconsAndChoosesOnlyAnItem) {
    TempFolder dir;
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.Str() + "a.png"), "PNG"));
    dir.WriteSjis("a/game.vsc", "<velmor>\nTitle=灯台\nIcon=" +
                                    platform::FileSystem::FromHostPath(dir.Str() + "a.png") +
                                    "\n</velmor>\n");
    dir.WriteSjis("b/game.vsc", "<velmor>\nIcon=none.ico\n</velmor>\n");
    const TStringList candidates = {platform::FileSystem::FromHostPath(dir.Str() + "a/game.vsc"),
                                    platform::FileSystem::FromHostPath(dir.Str() + "b/game.vsc")};
    TFormSelect select(nullptr, nullptr);
    select.SetCandidates(candidates, nullptr);
    auto* list = select.findChild<QListWidget*>();
    auto* ok = select.findChild<QPushButton*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text().toStdString(), "灯台");
    EXPECT_EQ(list->item(1)->text().toStdString(), "");  // no title, still listed
    EXPECT_FALSE(list->item(0)->icon().isNull());
    EXPECT_FALSE(ok->isEnabled());

    // Enter with nothing selected chooses nothing.
    list->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&select, &enter);
    EXPECT_TRUE(select.ChosenPath().empty());

    list->setCurrentRow(1);
    EXPECT_TRUE(ok->isEnabled());
    ok->click();
    EXPECT_EQ(select.ChosenPath(), candidates[1]);
}

}  // namespace
