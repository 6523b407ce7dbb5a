#include "platform/fake_display_modes.h"

#include <algorithm>

namespace platform {

bool FakeDisplayModes::Change(const DisplayMode& mode) {
    m_Attempts.push_back(mode);
    if (!m_CanChange) return false;
    // A driver takes only what it lists.
    if (std::find(m_Modes.begin(), m_Modes.end(), mode) == m_Modes.end()) return false;
    if (std::find(m_Refused.begin(), m_Refused.end(), mode) != m_Refused.end()) return false;
    m_Shown = mode;
    return true;
}

void FakeDisplayModes::Restore() {
    ++m_Restores;
    m_Shown = m_Desktop;
}

}  // namespace platform
