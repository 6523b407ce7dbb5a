// The information window: the engine's and the game's about texts, and the debug panel of
// developer mode with its error list, system rows and the editable variable table.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <map>

#include "engine/velmor.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/engine_key.h"
#include "resources/sjis_text.h"
#include "shell/form_main.h"
#include "tests/support/game_window_test.h"
#include "windows/form_info.h"

namespace {

class InfoWindowTest : public GameWindowTest {
protected:
    TFormInfo& Start(const std::string& script, bool developer, const std::string& project = "") {
        WriteProject(project);
        if (developer) m_Dir.WriteBytes(platform::SjisToUtf8(EngineKeyText()), "");
        GameWindowTest::Start(script);
        return *m_Form->FormInfo();
    }
    static std::string Cell(TFormInfo& info, int row, int column) {
        const QTableWidgetItem* item = info.m_SGVariable->item(row, column);
        return item ? item->text().toStdString() : std::string();
    }
    static void Type(TFormInfo& info, int row, const char* name, const char* value) {
        info.m_SGVariable->setItem(row, 0, new QTableWidgetItem(QString::fromUtf8(name)));
        info.m_SGVariable->setItem(row, 1, new QTableWidgetItem(QString::fromUtf8(value)));
    }
};

TEST_F(InfoWindowTest, AboutTextsComeFromTheLibraryAndTheGame) {
    m_Dir.WriteSjis("about.txt", "灯台守の物語。\n");
    TFormInfo& info =
        Start("一\n", false, "<ScenarioAbout>\nScenarioAboutFile=about.txt\n</ScenarioAbout>\n");
    const std::string engine = info.m_RECopyright->toPlainText().toStdString();
    EXPECT_NE(engine.find("ビジュアルノベル"), std::string::npos) << engine;
    EXPECT_EQ(engine.find("rtf"), std::string::npos) << engine;  // the text, not the markup
    EXPECT_EQ(engine.find("Sans"), std::string::npos) << engine;
    EXPECT_EQ(info.m_REditRSC->toPlainText().trimmed().toStdString(), "灯台守の物語。");
    EXPECT_EQ(info.m_EditRSCTitle->text().toStdString(), "灯台");
    // Outside developer mode the logo opens nothing.
    info.OpenDebugPanel();
    EXPECT_FALSE(info.DebugPanelOpen());
}

TEST_F(InfoWindowTest, TheVariableTableShowsEditsAndWritesTheGamesVariables) {
    std::string script;
    for (int i = 0; i < 15; ++i)
        script += "?v" + std::to_string(i) + " = " + std::to_string(i) + "\n";
    script += "*b missing.png\n一\n";
    TFormInfo& info = Start(script, true);
    info.OpenDebugPanel();
    ASSERT_TRUE(info.DebugPanelOpen());
    info.show();
    // 15 variables and the finished flag, and one free row.
    ASSERT_EQ(m_Form->Engine()->Variables().List().size(), 16u);
    EXPECT_EQ(info.m_SGVariable->rowCount(), 17);
    EXPECT_EQ(Cell(info, 1, 0), "v0");
    EXPECT_EQ(Cell(info, 16, 0), "");
    EXPECT_EQ(info.m_LBError->count(), 1);  // the missing picture's record

    // A bad value is named and skipped, the other rows still written, an unknown name
    // creates nothing.
    Type(info, 1, "v0", "42");
    Type(info, 2, "v1", "4x");
    Type(info, 16, "newcomer", "7");
    info.m_ActVar_Write->trigger();
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[0].text), "4x は不正な値です");
    int32_t value = 0;
    ASSERT_TRUE(m_Form->Engine()->Variables().Get("v0", value));
    EXPECT_EQ(value, 42);
    ASSERT_TRUE(m_Form->Engine()->Variables().Get("v1", value));
    EXPECT_EQ(value, 1);
    EXPECT_FALSE(m_Form->Engine()->Variables().Get("newcomer", value));
    EXPECT_EQ(Cell(info, 16, 0), "");  // the refresh took the row away

    // A variable the script sets while the window is open shows at once.
    m_Form->Engine()->Interpreter().ScriptSetFlag("?v2 = 99");
    EXPECT_EQ(Cell(info, 3, 1), "99");

    std::map<std::string, std::string> rows;
    for (int i = 0; i < info.m_LVSysData->topLevelItemCount(); ++i)
        rows[info.m_LVSysData->topLevelItem(i)->text(0).toStdString()] =
            info.m_LVSysData->topLevelItem(i)->text(1).toStdString();
    EXPECT_EQ(rows["PresentScript"], "start.txt");
    EXPECT_EQ(rows["WindowMode"], "WindowMode");
    EXPECT_EQ(rows["ScreenWidth"], "160");
    EXPECT_EQ(rows["BitPerPixel"], "32");
    EXPECT_EQ(info.m_LVSysData->topLevelItemCount(), 9);
}

// The open window's error list follows the records the game adds, not a copy from its opening.
TEST_F(InfoWindowTest, TheErrorListFollowsNewRecordsWhileOpen) {
    TFormInfo& info = Start("一\n", true);
    info.OpenDebugPanel();
    info.show();
    QApplication::processEvents();
    const int before = info.m_LBError->count();
    for (int i = 0; i < 3; ++i) m_Form->Engine()->AddErrorRecord("late " + std::to_string(i));
    QApplication::processEvents();
    ASSERT_EQ(info.m_LBError->count(), before + 3);
    EXPECT_NE(info.m_LBError->item(before + 2)->text().toStdString().find("late 2"),
              std::string::npos);
    // Past the cap the oldest go, as in the engine's list.
    for (int i = 0; i < 300; ++i) m_Form->Engine()->AddErrorRecord("more");
    QApplication::processEvents();
    EXPECT_EQ(info.m_LBError->count(), 255);
}

}  // namespace
