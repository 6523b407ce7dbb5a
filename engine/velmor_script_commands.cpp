// Jumps and returns as scripts run them: the script part moves, the monitor hears of it.
#include "engine/velmor.h"

bool TVelmor::CommandJump(const std::string& paragraph, const std::string& script) {
    m_Script.Jump(paragraph, script);
    if (m_Monitor) m_Monitor->Jumped(m_Script.Position().Script, m_Script.Position().Paragraph);
    return true;
}

void TVelmor::CommandReturn() {
    if (m_Script.Return() && m_Monitor)
        m_Monitor->Jumped(m_Script.Position().Script, m_Script.Position().Paragraph);
}

bool TVelmor::LoadDroppedScript(const std::string& name) {
    if (!m_Script.Load(name)) return false;
    m_Script.Position().Line = -1;
    return true;
}
