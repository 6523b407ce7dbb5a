#include "shell/display_monitor.h"

#include <cstddef>
using std::size_t;

namespace {
platform::DisplayModes& Display() {
    return platform::DisplayModes::Current();
}
}  // namespace

TDisplayMonitor::TDisplayMonitor() : m_ModeList(Display().Enumerate()) {
    // The desktop's own settings when the list does not hold them.
    const platform::DisplayMode desktop = Display().Desktop();
    m_CurrentMode = desktop;
    for (const platform::DisplayMode& mode : m_ModeList)
        if (mode == desktop) {
            m_CurrentMode = mode;
            break;
        }
}

TDisplayMonitor::~TDisplayMonitor() {
    if (m_Changed) Restore();
}

bool TDisplayMonitor::CanChange() const {
    return Display().CanChange();
}

bool TDisplayMonitor::ChangeTo(int width, int height, int refresh, int depth) {
    platform::DisplayMode mode = m_CurrentMode;
    if (width != 0) mode.pelsWidth = width;
    if (height != 0) mode.pelsHeight = height;
    if (refresh != 0) mode.displayFrequency = refresh;
    if (depth != 0) mode.bitsPerPel = depth;
    if (!Display().Change(mode)) return false;
    m_Changed = true;
    return true;
}

bool TDisplayMonitor::ChangeToSizeAndDepth(int width, int height, int depth) {
    if (width == 0) width = m_CurrentMode.pelsWidth;
    if (height == 0) height = m_CurrentMode.pelsHeight;
    if (depth == 0) depth = m_CurrentMode.bitsPerPel;
    std::vector<bool> marked(m_ModeList.size());
    for (size_t i = 0; i < m_ModeList.size(); ++i) {
        const auto& m = m_ModeList[i];
        marked[i] = m.pelsWidth == width && m.pelsHeight == height && m.bitsPerPel == depth;
    }
    for (;;) {
        int best = -1;
        for (size_t i = 0; i < m_ModeList.size(); ++i)
            if (marked[i] && (best < 0 || m_ModeList[i].displayFrequency >
                                              m_ModeList[static_cast<size_t>(best)].displayFrequency))
                best = static_cast<int>(i);
        if (best < 0) return false;
        if (ChangeTo(width, height, m_ModeList[static_cast<size_t>(best)].displayFrequency, depth))
            return true;
        marked[static_cast<size_t>(best)] = false;
    }
}

bool TDisplayMonitor::ChangeToSize(int width, int height) {
    if (width == 0) width = m_CurrentMode.pelsWidth;
    if (height == 0) height = m_CurrentMode.pelsHeight;
    std::vector<bool> marked(m_ModeList.size());
    for (size_t i = 0; i < m_ModeList.size(); ++i)
        marked[i] = m_ModeList[i].pelsWidth == width && m_ModeList[i].pelsHeight == height;
    for (;;) {
        // A candidate is taken only when both its depth and its refresh rate are above the
        // one taken so far.
        int taken = -1, depth = 0, refresh = 0;
        for (size_t i = 0; i < m_ModeList.size(); ++i)
            if (marked[i] && m_ModeList[i].bitsPerPel > depth &&
                m_ModeList[i].displayFrequency > refresh) {
                taken = static_cast<int>(i);
                depth = m_ModeList[i].bitsPerPel;
                refresh = m_ModeList[i].displayFrequency;
            }
        if (taken < 0) return false;
        if (ChangeTo(width, height, refresh, depth)) return true;
        marked[static_cast<size_t>(taken)] = false;
    }
}

void TDisplayMonitor::Restore() {
    Display().Restore();
    m_Changed = false;
}
