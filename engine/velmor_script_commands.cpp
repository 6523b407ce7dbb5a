// Jumps and returns as scripts run them: the script part moves, the monitor hears of it.
#include "engine/velmor.h"
#include "engine/velmor_interpreter.h"

bool TVelmorInterpreter::CommandJump(const std::string& paragraph, const std::string& script) {
    m_Script.Jump(paragraph, script);
    if (m_Engine.Monitor()) m_Engine.Monitor()->Jumped(m_Script.Position().Script, m_Script.Position().Paragraph);
    return true;
}

void TVelmorInterpreter::CommandReturn() {
    if (m_Script.Return() && m_Engine.Monitor())
        m_Engine.Monitor()->Jumped(m_Script.Position().Script, m_Script.Position().Paragraph);
}

bool TVelmorInterpreter::LoadDroppedScript(const std::string& name) {
    if (!m_Script.Load(name)) return false;
    m_Script.Position().Line = -1;
    return true;
}
