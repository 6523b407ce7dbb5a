// CD music played by the runner from a game's ripped tracks, on a real (file) sound device:
// the track is heard and starts again when it ends.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "tests/support/temp_folder.h"

namespace {

// A fifth of a second of a loud 16-bit stereo tone at 44100 per second.
std::string ShortTrack() {
    const uint32_t frames = 8820, bytes = frames * 4;
    std::string w = "RIFF";
    auto put = [&w](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) w += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    put(36 + bytes, 4);
    w += "WAVEfmt ";
    put(16, 4), put(1, 2), put(2, 2), put(44100, 4), put(44100 * 4, 4), put(4, 2), put(16, 2);
    w += "data";
    put(bytes, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto s = static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(i * 0.06)));
        put(s, 2), put(s, 2);
    }
    return w;
}

TEST(CdRunnerTest, AGameWithACDFolderPlaysItsTrackAndLoopsIt) {
    TempFolder dir, home;
    dir.WriteSjis("game.vsc",
                  "<velmor>\nStartScript=start.txt\n</velmor>\n<Screen>\nWidth=160\nHeight=120\n"
                  "</Screen>\n<Sound>\nCDRomDrive=vol:GAMEDISC\n</Sound>\n");
    dir.WriteSjis("start.txt", "#start\n*cd 2\n一\n");
    std::filesystem::create_directories(dir.Path() / "CD");
    dir.WriteBytes("CD/Track02.wav", ShortTrack());
    dir.WriteBytes("inputs.txt", "cdwait 10000\ncdwait 10000\n");

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    env.insert("SDL_AUDIODRIVER", "disk");
    env.insert("SDL_DISKAUDIOFILE", QString::fromStdString(dir.Str() + "heard.raw"));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--inputs", QString::fromStdString(dir.Str() + "inputs.txt"),
             QString::fromStdString(dir.Str() + "game.vsc")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<std::string> requests;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        if (e["event"].toString() == "box") ADD_FAILURE() << line.toStdString();
        if (e["event"].toString() != "cd") continue;
        requests.push_back(std::to_string(e["request"].toInt()) + ":" +
                           std::to_string(e["track"].toInt()) + ":" +
                           (e["done"].toBool() ? "done" : "refused"));
    }
    // Opened, played, and played again by each of its two ends that the inputs waited for.
    EXPECT_EQ(requests, (std::vector<std::string>{"1:0:done", "5:2:done", "5:2:done", "5:2:done"}));
    // The device heard the tone, not only silence.
    std::ifstream heard(dir.Str() + "heard.raw", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(heard)), {});
    int16_t peak = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto s = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                            static_cast<uint8_t>(bytes[i + 1]) << 8);
        peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(s)));
    }
    EXPECT_GT(peak, 4000);
}

}  // namespace
