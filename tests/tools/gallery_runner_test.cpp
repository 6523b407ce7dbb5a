// The demo's extras through the headless runner: the gallery paged, a picture opened and
// closed, the scene list, a replayed ending to its sceneend, and the way back to the menu.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace {

// The demo with the extras menu as its start and both endings already played.
TEST(GalleryRunnerTest, TheExtrasPageOpenReplayAndReturn) {
    const std::filesystem::path demo = std::filesystem::path(VELMOR_BINARY_DIR) / "demo-game";
    if (!std::filesystem::exists(demo / "demo.vsc")) GTEST_SKIP() << "the demo game is not built";
    TempFolder game, home;
    std::filesystem::copy(demo, game.Path(), std::filesystem::copy_options::recursive);
    {
        std::ifstream in(demo / "demo.vsc", std::ios::binary);
        std::string project((std::istreambuf_iterator<char>(in)), {});
        const std::string from = "StartScript=start.txt";
        project.replace(project.find(from), from.size(), "StartScript=extras.txt");
        game.WriteBytes("demo.vsc", project);
    }
    game.WriteBytes("demo.vss",
                    "<EventCG>\r\nev_dawn.png\r\nEV_STORM.PNG\r\n</EventCG>\r\n<EventScene>\r\n"
                    "sc_keep.png\r\nsc_storm.png\r\n</EventScene>\r\n");
    // Buttons of 100 x 40: exit at (85,480), previous (505,480), next (615,480); cells of
    // 300 x 225 from (85,100).
    game.WriteBytes("inputs.txt",
                    "key Down\nkey Down\nkey Enter\nshot page0.png\nclick 650 500\n"
                    "shot page1.png\nclick 100 110\nclick 550 500\nclick 100 110\n"
                    "shot viewing.png\nclick 10 10\nkey Enter\nclick 100 500\n"
                    "key Down\nkey Down\nkey Down\nkey Enter\nclick 100 110\n"
                    "confirm\nconfirm\nconfirm\nconfirm\nconfirm\nconfirm\nshot list.png\n"
                    "click 100 500\n");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    env.insert("SDL_AUDIODRIVER", "dummy");
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--inputs", QString::fromStdString(game.Str() + "inputs.txt"), "--shots",
             QString::fromStdString(game.Str()), QString::fromStdString(game.Str() + "demo.vsc")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0);
    std::vector<int> modes;
    std::vector<std::string> jumps;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        if (e["event"] == "mode") modes.push_back(e["mode"].toInt());
        if (e["event"] == "jump") jumps.push_back(e["paragraph"].toString().toStdString());
        EXPECT_NE(e["event"], "record") << line.toStdString();
    }
    // Menu, gallery, menu, list, replay, list again, back to the menu.
    EXPECT_EQ(modes, (std::vector<int>{2, 1, 4, 1, 2, 1, 5, 1, 5, 1, 2}));
    EXPECT_EQ(jumps, (std::vector<std::string>{"#gallery", "#extras", "#scenes", "#keep", "#scenes",
                                               "#extras"}));
    const QImage page0(QString::fromStdString(game.Str() + "page0.png"));
    const QImage page1(QString::fromStdString(game.Str() + "page1.png"));
    const QImage viewing(QString::fromStdString(game.Str() + "viewing.png"));
    ASSERT_FALSE(page0.isNull() || page1.isNull() || viewing.isNull());
    EXPECT_NE(page0, page1);
    // The dawn picture fills the window: its sky at the top-left.
    EXPECT_NE(viewing.pixel(5, 5), page0.pixel(5, 5));
    EXPECT_TRUE(std::filesystem::exists(game.Path() / "list.png"));
}

}  // namespace
