#pragma once
// The display modes the adapter offers and the change to the game's size for full screen;
// the desktop's mode comes back when this object goes, if it changed it.
#include <cstdint>
#include <vector>

#include "platform/display_modes.h"

class TDisplayMonitor {
public:
    TDisplayMonitor();
    ~TDisplayMonitor();
    TDisplayMonitor(const TDisplayMonitor&) = delete;
    TDisplayMonitor& operator=(const TDisplayMonitor&) = delete;

    // One attempt; a 0 argument keeps the current mode's value.
    bool ChangeTo(int width, int height, int refresh, int depth);
    // Every listed refresh rate of that size and depth, highest first.
    bool ChangeToSizeAndDepth(int width, int height, int depth);
    // Every listed depth and refresh rate of that size.
    bool ChangeToSize(int width, int height);
    void Restore();

    const platform::DisplayMode& CurrentMode() const { return m_CurrentMode; }
    const std::vector<platform::DisplayMode>& ModeList() const { return m_ModeList; }
    int32_t ModeCount() const { return static_cast<int32_t>(m_ModeList.size()); }
    bool Changed() const { return m_Changed; }
    // Whether the display changes modes at all (XRandR on X11).
    bool CanChange() const;

private:
    platform::DisplayMode m_CurrentMode;
    std::vector<platform::DisplayMode> m_ModeList;
    bool m_Changed = false;
};
