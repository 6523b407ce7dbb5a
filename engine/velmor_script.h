#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/velmor_script_position.h"
#include "resources/string_list.h"

class TyxBCLManager;

// The present script and the places in the scenario: the present position, the return
// position of the last jump, the title and the scene replay's return, and which paragraphs
// the player has read (kept in the player's progress, borrowed here).
class TVelmorScript {
public:
    enum LineKind : uint8_t {
        kLineEmpty,
        kLineComment,
        kLineLabel,
        kLineCommand,
        kLineSystem,
        kLineVariable,
        kLineEnd,
        kLineMessage
    };

    TVelmorScript(TyxBCLManager* manager, TStringList& readParagraphs)
        : m_Manager(manager), m_ReadParagraphs(readParagraphs) {}

    // Every position at the start script, before its first line.
    void Reset(const std::string& startScript);
    // A loose file first, then the archives; false, changing nothing, when neither has it.
    bool Load(const std::string& name);
    // The lines Load would take, without taking them.
    static bool ReadLines(TyxBCLManager* manager, const std::string& name, TStringList& lines);
    const TStringList& Lines() const { return m_Lines; }

    const TVelmorScriptPosition& Position() const { return m_Position; }
    TVelmorScriptPosition& Position() { return m_Position; }
    const TVelmorScriptPosition& JumpBuffer() const { return m_JumpBuffer; }
    TVelmorScriptPosition& JumpBuffer() { return m_JumpBuffer; }

    // The title: whether `title` ran, and where.
    bool InTitle() const { return m_InTitle; }
    const TVelmorScriptPosition& TitlePosition() const { return m_TitlePosition; }
    void SetTitle(bool inTitle, const TVelmorScriptPosition& position) {
        m_InTitle = inTitle;
        m_TitlePosition = position;
    }
    const TVelmorScriptPosition& SceneReturnPosition() const { return m_SceneReturnPosition; }
    void SetSceneReturnPosition(const TVelmorScriptPosition& p) { m_SceneReturnPosition = p; }

    static LineKind ClassifyLine(const std::string& line);
    // The line at Line; past the end, or with no script, the end of the scenario.
    LineKind ClassifyPresentLine() const;
    // Moves to the next line; never past the one after the last.
    void Advance();
    // The text of the present line; empty outside the script.
    std::string PresentLineText() const;

    // Leaves the present paragraph (it counts as read) for label.
    void MarkParagraph(const std::string& label);
    bool ParagraphRead() const { return m_ParagraphRead; }
    // Throws EEngineError (fatal) when the script cannot be loaded or the label is missing.
    void Jump(const std::string& paragraph, const std::string& script);
    // Back to the return position; fatal when its script cannot be loaded. True when that
    // took a jump (a return position before any line is a paragraph to look for).
    bool Return();

private:
    TyxBCLManager* m_Manager;
    TStringList& m_ReadParagraphs;
    TStringList m_Lines;
    // Label lines by their folded text, each list from the top, so a jump costs the same
    // however long the script is.
    std::unordered_map<std::string, std::vector<uint32_t>> m_Labels;
    TVelmorScriptPosition m_Position;
    TVelmorScriptPosition m_JumpBuffer;
    TVelmorScriptPosition m_TitlePosition;
    TVelmorScriptPosition m_SceneReturnPosition;
    bool m_InTitle = false;
    bool m_ParagraphRead = false;
};
