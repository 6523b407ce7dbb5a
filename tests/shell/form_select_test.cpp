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
#include "shell/program_icon.h"
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

// Listed by title, untitled games last; each row still starts its own game, and a game without
// an icon shows the program's.
TEST(FormSelect, SortsByTitleAndShowsTheProgramsIconForGamesWithoutOne) {
    TempFolder dir;
    const std::pair<const char*, const char*> games[] = {
        {"d", "Title=灯台\n"}, {"a", ""}, {"c", "Title=Beacon\n"}, {"b", "Title=あかり\n"}};
    TStringList candidates;
    for (const auto& [folder, keys] : games) {
        dir.WriteSjis(std::string(folder) + "/game.vsc", std::string("<velmor>\n") + keys + "</velmor>\n");
        candidates.push_back(
            platform::FileSystem::FromHostPath(dir.Str() + folder + "/game.vsc"));
    }
    TFormSelect select(nullptr, nullptr);
    select.SetCandidates(candidates, nullptr);
    auto* list = select.findChild<QListWidget*>();
    ASSERT_EQ(list->count(), 4);
    const QImage program = ProgramIcon().pixmap(32, 32).toImage();
    ASSERT_FALSE(program.isNull());
    const std::pair<const char*, const char*> expected[] = {
        {"Beacon", "c"}, {"あかり", "b"}, {"灯台", "d"}, {"", "a"}};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(list->item(row)->text().toStdString(), expected[row].first);
        EXPECT_EQ(list->item(row)->icon().pixmap(32, 32).toImage(), program);
        list->setCurrentRow(row);
        select.findChild<QPushButton*>()->click();
        EXPECT_EQ(select.ChosenPath(), platform::FileSystem::FromHostPath(
                                           dir.Str() + expected[row].second + "/game.vsc"));
    }
}

}  // namespace
