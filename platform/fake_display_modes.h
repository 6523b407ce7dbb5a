#pragma once
// A display for tests: a given mode list and desktop mode, every change attempt recorded,
// and the modes that the display refuses.
#include <vector>

#include "platform/display_modes.h"

namespace platform {

class FakeDisplayModes : public DisplayModes {
public:
    FakeDisplayModes(std::vector<DisplayMode> modes, DisplayMode desktop)
        : m_Modes(std::move(modes)), m_Desktop(desktop), m_Shown(desktop) {}

    std::vector<DisplayMode> Enumerate() override { return m_Modes; }
    DisplayMode Desktop() override { return m_Desktop; }
    bool Change(const DisplayMode& mode) override;
    void Restore() override;
    bool CanChange() override { return m_CanChange; }

    void Refuse(const DisplayMode& mode) { m_Refused.push_back(mode); }
    void SetCanChange(bool can) { m_CanChange = can; }
    const std::vector<DisplayMode>& Attempts() const { return m_Attempts; }
    // The mode on the screen now.
    const DisplayMode& Shown() const { return m_Shown; }
    int Restores() const { return m_Restores; }

private:
    std::vector<DisplayMode> m_Modes;
    DisplayMode m_Desktop;
    DisplayMode m_Shown;
    std::vector<DisplayMode> m_Refused;
    std::vector<DisplayMode> m_Attempts;
    bool m_CanChange = true;
    int m_Restores = 0;
};

}  // namespace platform
