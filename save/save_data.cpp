#include "save/save_data.h"

#include "engine/velmor.h"
#include "platform/file_system.h"
#include "resources/application.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "save/save_game.h"

namespace {

constexpr const char* kSaveList = "SaveData";

std::string NameOf(const std::string& line) {
    return yx::GetField(line, ",", 0);
}

// The list line that carries the name: the last one, or the first when asked.
int FindEntry(const TStringList& lines, const std::string& name, bool first) {
    int found = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!yx::SameText(NameOf(lines[i]), name)) continue;
        found = static_cast<int>(i);
        if (first) break;
    }
    return found;
}

std::string EntryLine(const std::string& name, const std::string& date, const std::string& time,
                      const std::string& comment) {
    return name + "," + date + "," + time + "," + comment;
}

}  // namespace

TSaveData::TSaveData(TVelmor& engine) : m_Engine(engine), m_StatePath(engine.SystemStatePath()) {}

std::string TSaveData::SaveFolder() const {
    return yx::ChangeFileExt(m_StatePath, "");
}

std::string TSaveData::DataFileName(const std::string& name) const {
    // Names come from the save list, which anyone can edit: one that would reach outside the
    // save folder names no file at all.
    if (name.empty() || name == "." || name == ".." || yx::StripFileNameChars(name) != name)
        return std::string();
    return SaveFolder() + "\\" + name;
}

void TSaveData::dataWrite(const std::string& name, const std::string& date, const std::string& time,
                          const std::string& comment) {
    const std::string path = DataFileName(name);
    if (path.empty()) throw EEngineError(SJ("セーブデータ\"") + name + SJ("\"が異常です"));
    // The data first: a list entry never names a file that is not there, or older than it.
    {
        TXiniFile data(path, false);
        TSaveGame(m_Engine.Snapshot()).Write(data, m_Engine.Scene().MiniFaceCount());
        data.UpdateFile();
    }
    TXiniFile state(m_StatePath, false);
    TStringList lines;
    state.ReadSectionLines(kSaveList, lines);
    const std::string entry = EntryLine(name, date, time, comment);
    const int at = FindEntry(lines, name, false);
    if (at >= 0)
        lines[static_cast<size_t>(at)] = entry;
    else
        lines.push_back(entry);
    state.WriteSectionLines(kSaveList, lines);
    state.UpdateFile();
}

bool TSaveData::dataRead(const std::string& name) {
    TyxApplication& app = *m_Engine.Services().app;
    const std::string damaged = SJ("セーブデータ\"") + name + SJ("\"が異常です");
    TStringList lines;
    {
        TXiniFile state(m_StatePath, true);
        state.ReadSectionLines(kSaveList, lines);
    }
    if (FindEntry(lines, name, false) < 0) {
        app.ShowMessage(damaged);
        return false;
    }
    const std::string path = DataFileName(name);
    if (path.empty() || !platform::FileSystem::FileExists(path)) {
        app.ShowMessage(SJ("セーブデータ\"") + path + SJ("\"がみつかりません"));
        return false;
    }
    // Read whole before anything changes: a damaged file must not leave half a game behind.
    TSaveGame game;
    std::string error;
    {
        TXiniFile data(path, true);
        if (!game.Read(data, m_Engine.SystemData().StartScript, error) ||
            !m_Engine.SnapshotFits(game)) {
            app.ShowMessage(damaged);
            return false;
        }
    }
    m_Engine.Restore(game);
    return true;
}

void TSaveData::Resume(TVelmor& engine, TGameMode mode, const std::string& script,
                       const TVelmorSnapshot& before) {
    const std::string saved = engine.Script().Position().Script;
    if (engine.ResumeLoaded(mode, script)) return;
    engine.Restore(before);
    throw EEngineError(SJ("commandJump : ") + saved + SJ(" がロードできません"));
}

void TSaveData::dataDelete(const std::string& name) {
    TXiniFile state(m_StatePath, false);
    TStringList lines;
    state.ReadSectionLines(kSaveList, lines);
    const int at = FindEntry(lines, name, false);
    if (at >= 0) {
        lines.erase(lines.begin() + at);
        state.WriteSectionLines(kSaveList, lines);
        // The list first: when it cannot be written this throws and the data stays.
        state.UpdateFile();
    }
    const std::string path = DataFileName(name);
    if (!path.empty()) platform::FileSystem::DeleteFile(path);
}

bool TSaveData::dataUpdate(const std::string& name, const std::string& date,
                           const std::string& time, const std::string& comment) {
    TXiniFile state(m_StatePath, false);
    TStringList lines;
    state.ReadSectionLines(kSaveList, lines);
    const int at = FindEntry(lines, name, true);
    if (at < 0) {
        m_Engine.Services().app->ShowMessage(name + SJ(" の実データは見つかりませんでした"));
        return false;
    }
    lines[static_cast<size_t>(at)] = EntryLine(name, date, time, comment);
    state.WriteSectionLines(kSaveList, lines);
    state.UpdateFile();
    return true;
}

std::vector<TSaveData::Entry> TSaveData::Entries() const {
    TStringList lines;
    {
        TXiniFile state(m_StatePath, true);
        state.ReadSectionLines(kSaveList, lines);
    }
    std::vector<Entry> entries;
    for (const auto& line : lines) {
        TStringList items;
        yx::Split(line, ",", items);
        if (items.size() < 3 || !platform::FileSystem::FileExists(DataFileName(items[0]))) continue;
        entries.push_back({items[0], items[1], items[2], items.size() > 3 ? items[3] : ""});
    }
    return entries;
}

std::string TSaveData::NewName(const std::vector<Entry>& entries) {
    // The first free number: with n entries it is at most n + 1, so one pass over the names
    // marks what is taken (letter case cannot matter, the name has no letters).
    const std::string prefix = SJ("データ");
    std::vector<bool> taken(entries.size() + 2, false);
    for (const auto& e : entries) {
        if (e.Name.size() <= prefix.size() || e.Name.compare(0, prefix.size(), prefix) != 0 ||
            e.Name[prefix.size()] == '0' || e.Name.size() - prefix.size() > 9)
            continue;
        size_t n = 0;
        bool digits = true;
        for (size_t i = prefix.size(); i < e.Name.size() && digits; ++i) {
            digits = e.Name[i] >= '0' && e.Name[i] <= '9';
            n = n * 10 + static_cast<size_t>(e.Name[i] - '0');
        }
        if (digits && n < taken.size()) taken[n] = true;
    }
    size_t n = 1;
    while (taken[n]) ++n;
    return prefix + yx::IntToStr(static_cast<int>(n));
}
