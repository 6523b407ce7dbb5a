// What the runner tells an author beyond the game's own messages: where each record and fatal
// error happened, a project file the engine would play as an empty game, and why a file the
// engine refuses was refused.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "resources/archive_writer.h"
#include "resources/engine_key.h"
#include "resources/witch.h"
#include "tests/support/temp_folder.h"

namespace {

struct Played {
    int status = -1;
    std::string err;
    std::vector<QJsonObject> events;
    std::vector<QJsonObject> Of(const char* event) const {
        std::vector<QJsonObject> out;
        for (const auto& e : events)
            if (e["event"].toString() == event) out.push_back(e);
        return out;
    }
};

Played Play(const TempFolder& dir, const std::string& project) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.Str() + "home"));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--auto", QString::fromStdString(dir.Str() + project)});
    Played r;
    if (!p.waitForFinished(120000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = p.readAllStandardError().toStdString();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) r.events.push_back(QJsonDocument::fromJson(line).object());
    return r;
}

std::string Le32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                       static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

TEST(RunnerDiagnosticsTest, RecordsAndFatalErrorsSayWhereTheyHappened) {
    TempFolder dir;
    dir.WriteSjis("game.vsc", "<velmor>\nStartScript=start.txt\n</velmor>\n");
    // A WAVE file as many editors save it: a LIST chunk between fmt and data.
    const std::string fmt = std::string("fmt ") + Le32(16) +
                            std::string("\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0", 16);
    const std::string body = "WAVE" + fmt + "LIST" + Le32(4) + "INFO" + "data" + Le32(2) + "\0\0";
    dir.WriteBytes("tagged.wav", "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body);
    dir.WriteSjis("start.txt", "#start\n*nosuch\n*sound tagged.wav\nこんにちは\n*jump nowhere\n");
    const Played r = Play(dir, "game.vsc");
    EXPECT_EQ(r.status, 3) << r.err;
    const auto records = r.Of("record");
    ASSERT_GE(records.size(), 1u);
    // The record's own text keeps its index from 0; the fields count lines from 1.
    EXPECT_TRUE(records[0]["text"].toString().startsWith("1: ")) << records[0]["text"].toString().toStdString();
    EXPECT_EQ(records[0]["script"].toString(), "start.txt");
    EXPECT_EQ(records[0]["line"].toInt(), 2);
    const auto fatal = r.Of("fatal");
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0]["script"].toString(), "start.txt");
    EXPECT_EQ(fatal[0]["line"].toInt(), 5);
    // Why the sound was refused, which its record cannot say.
    EXPECT_NE(r.err.find("velmor: sound tagged.wav not played: a \"LIST\" chunk stands between"),
              std::string::npos)
        << r.err;
}

TEST(RunnerDiagnosticsTest, AProjectTheEngineWouldPlayEmptyIsRefusedWithItsOwnStatus) {
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"byte-order mark", "\xEF\xBB\xBF<velmor>\r\nStartScript=start.txt\r\n</velmor>\r\n",
         "byte-order mark"},
        {"UTF-8", "<velmor>\r\nTitle=テスト\r\nStartScript=start.txt\r\n</velmor>\r\n", "UTF-8"},
        {"no sections", "StartScript=start.txt\r\n", "no <section> lines"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        dir.WriteBytes("game.vsc", c.bytes);
        dir.WriteSjis("start.txt", "こんにちは\n%\n");
        const Played r = Play(dir, "game.vsc");
        EXPECT_EQ(r.status, 4);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        ASSERT_EQ(r.events.size(), 1u);
        EXPECT_EQ(r.events[0]["reason"].toString(), "bad-project");
    }
}

TEST(RunnerDiagnosticsTest, AStartScriptPackedScrambledNamesTheNameItNeeds) {
    TempFolder dir;
    dir.WriteSjis("game.vsc", "<velmor>\nStartScript=start.txt\n</velmor>\n");
    dir.WriteSjis("stage/start.txt", "こんにちは\n%\n");
    TyxWitch witch(0);
    witch.SetKey(EngineKeyText());
    std::string error;
    ASSERT_TRUE(TyxArchiveWriter::Write(
        TyxArchiveWriter::Format::Bcl, platform::FileSystem::FromHostPath(dir.Str() + "data.bcl"),
        {{"start.txt", {}, dir.Str() + "stage/start.txt"}}, &witch, error))
        << error;
    const Played r = Play(dir, "game.vsc");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("velmor: script start.txt not loaded: it is stored scrambled, and a "
                         "scrambled file is found only under its scrambled name start.txt.`a0"),
              std::string::npos)
        << r.err;
}

}  // namespace
