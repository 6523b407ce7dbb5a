#pragma once
// Reads a whole game the way the engine would, runs none of it, and reports what would go
// wrong: the project file, every script reachable from the start script, the description
// files, and every file they name.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "resources/string_list.h"
#include "tools/velmor-check/check_report.h"

class TGameFiles;
class TCoverageReport;
class TXiniFile;

class TGameChecker {
public:
    // projectPath: the project file (engine path); programFolder: where the engine's program
    // lies, which the project's archive list is relative to (empty: the project's folder).
    TGameChecker(const std::string& projectPath, const std::string& programFolder);
    ~TGameChecker();
    TGameChecker(const TGameChecker&) = delete;
    TGameChecker& operator=(const TGameChecker&) = delete;

    void Run();
    TCheckReport& Report() { return m_Report; }
    const std::string& ProjectName() const { return m_ProjectName; }
    // After Run: one finding for each part of the game that no run of the report reached.
    // Returns how many there were.
    int CompareCoverage(const TCoverageReport& coverage, TCheckReport& out) const;

    // What the game holds, for comparing with a coverage report: keys are Shift-JIS.
    struct ScriptInfo {
        std::string Name;
        TStringList Lines;
        std::map<std::string, int32_t> Labels;  // folded label -> line index
        std::set<std::string> Reached;          // folded labels something jumps to
        std::set<int32_t> Transfers;            // lines that never run on into the next
        std::vector<bool> CanRun;               // some way of playing can reach the line
        std::set<int32_t> RunsInto;             // label lines the line before runs on into
    };
    const std::vector<std::unique_ptr<ScriptInfo>>& Scripts() const { return m_Scripts; }
    // Choice points: script, line index of `select`, and the captions offered there.
    struct ChoicePoint {
        std::string Script;
        int32_t Line = 0;
        TStringList Captions;
    };
    const std::vector<ChoicePoint>& ChoicePoints() const { return m_ChoicePoints; }
    // Lines that end the scenario (`%`): script and line index.
    const std::vector<std::pair<std::string, int32_t>>& Endings() const { return m_Endings; }
    // Every way the game moves to a paragraph: from a script line, or from a description
    // file's entry (a replay scene) when From is no script.
    struct Route {
        std::string From;
        int32_t Line = -1;  // index from 0, -1 for the whole file
        std::string Script;
        std::string Label;
        std::string Why;      // "jump", "choice", "junction", ...
        std::string Caption;  // what the player picks or the table tests; Shift-JIS
    };
    const std::vector<Route>& Routes() const { return m_Routes; }
    const TStringList& GalleryPictures() const { return m_GalleryPictures; }
    const TStringList& ReplayScenes() const { return m_ReplayScenes; }

private:
    using Level = TCheckReport::Level;
    struct Place {
        std::string File;
        int32_t Line = 0;  // index from 0, -1 for the whole file
    };
    enum class FileKind { Picture, Sound, Movie, Description, Icon, Text };
    struct FileUse {
        std::string Name;
        FileKind Kind;
        Place Where;
        Level IfMissing;
    };
    struct JumpUse {
        std::string Script;  // empty: the script the jump is made in
        std::string Label;
        Place Where;
        std::string Why;  // "jump", "choice", ...
    };

    void Say(const Place& where, Level level, const std::string& text);
    void CheckEncoding(const std::string& file, const std::string& bytes, bool project);
    void CheckProject();
    // The sections and keys one by one; collects the archive list. False: no section at all.
    bool CheckProjectSections(const TStringList& lines, TStringList& archives,
                              std::vector<int32_t>& archiveLines);
    // The files and scripts the project names, once its archives are open.
    void UseProjectFiles(const TStringList& lines, TXiniFile& ini);
    void CheckProjectKey(const std::string& section, const std::string& key,
                         const std::string& value, const Place& where);
    void OpenArchives(const TStringList& archiveLines, const std::vector<int32_t>& lineOf);
    ScriptInfo* LoadScript(const std::string& name, const Place& from);
    void CheckScript(ScriptInfo& script);
    void CheckCommand(ScriptInfo& script, int32_t line, const TStringList& tokens);
    void CheckSystem(ScriptInfo& script, int32_t line, const TStringList& tokens);
    void CheckVariable(ScriptInfo& script, int32_t line, const TStringList& tokens);
    void TestVariable(const std::string& name, const Place& where, Level level);
    // A number, or a variable that is tested by being read.
    void ValueUse(const std::string& token, const Place& where);
    // True when an entry always matches, so the line never runs on.
    bool CheckJunction(const std::string& file, const std::string& section, const Place& where,
                       const std::string& script);
    void CheckGallery(const std::string& file, bool replay);
    void CheckImageSelect(const std::string& file, const Place& where, const std::string& script);
    void CheckWarpMap(const std::string& file, const Place& where, const TStringList& variables);
    bool ReadDescription(const std::string& file, const Place& where, TStringList& lines,
                         Level level);
    void UseFile(const std::string& name, FileKind kind, const Place& where, Level ifMissing);
    // from: the script line that leads there when that is not where.
    void Jump(const std::string& script, const std::string& label, const Place& where,
              const std::string& why, const Place* from = nullptr,
              const std::string& caption = {});
    void ResolveJumps();
    void ResolveFiles();
    void CheckFile(const FileUse& use);
    void ReportUnreached();
    void ReportVariables();

    std::string m_ProjectPath;
    std::string m_ProjectName;  // as shown in findings
    std::string m_ProgramFolder;
    std::unique_ptr<TGameFiles> m_Files;
    TCheckReport m_Report;
    int32_t m_Width = 800, m_Height = 600;
    int32_t m_MiniFaceCount = 0;
    bool m_HasGallery = false, m_HasReplay = false;
    bool m_UsesPlugins = false;  // a plug-in may jump to any paragraph by name

    std::vector<std::unique_ptr<ScriptInfo>> m_Scripts;
    std::map<std::string, ScriptInfo*> m_ScriptByKey;
    std::set<std::string> m_MissingScripts;
    std::vector<std::string> m_ScriptQueue;
    std::vector<JumpUse> m_Jumps;
    std::vector<Route> m_Routes;
    std::vector<FileUse> m_FileUses;
    std::set<std::string> m_CheckedFiles;
    std::set<std::string> m_Descriptions;
    // Variables: folded name -> where first set; tests waiting for the whole game.
    std::set<std::string> m_SetVariables;
    struct VariableTest {
        std::string Name;
        Place Where;
        Level Severity;
    };
    std::vector<VariableTest> m_VariableTests;
    std::vector<ChoicePoint> m_ChoicePoints;
    std::vector<std::pair<std::string, int32_t>> m_Endings;
    TStringList m_GalleryPictures, m_ReplayScenes;
    TStringList m_ShownPictures, m_SetScenes;
    std::vector<Place> m_SceneSetPlaces;
    // Backgrounds that a *scroll pans, so that their size is meant.
    std::string m_LastBackground;
    std::set<std::string> m_Scrolled;
};
