#pragma once
// The display settings of the platform: the modes the display lists, the desktop's mode, a
// change that is not stored, and the return to the stored mode. DisplayModes::Current() is
// XRandR on X11, or a display that offers no change (Wayland, no XRandR output), unless a test
// installs a FakeDisplayModes.
#include <vector>

namespace platform {

// The fields of the display-settings record the engine uses.
struct DisplayMode {
    int bitsPerPel = 0;
    int pelsWidth = 0;
    int pelsHeight = 0;
    int displayFrequency = 0;
    bool operator==(const DisplayMode&) const = default;
};

class DisplayModes {
public:
    virtual ~DisplayModes() = default;
    // Every mode in the display's order; only the desktop's where no change is offered.
    virtual std::vector<DisplayMode> Enumerate() = 0;
    virtual DisplayMode Desktop() = 0;
    // Changes the display dynamically; false when refused.
    virtual bool Change(const DisplayMode& mode) = 0;
    // Back to the mode stored in the settings (the desktop's).
    virtual void Restore() = 0;
    // Whether the display can change its mode at all.
    virtual bool CanChange() = 0;

    static DisplayModes& Current();
    // Installs a display (not owned); nullptr restores the host's.
    static void SetCurrent(DisplayModes* modes);
};

}  // namespace platform
