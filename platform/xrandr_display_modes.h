#pragma once
// Display modes through XRandR on X11: the modes of the primary output (its CRTC's first
// output otherwise), changed on its CRTC; the mode it had first is the stored one. Without
// an X display or an XRandR output it offers the desktop alone and no change.
#include <memory>

#include "platform/display_modes.h"

namespace platform {

class XrandrDisplayModes : public DisplayModes {
public:
    XrandrDisplayModes();
    ~XrandrDisplayModes() override;

    std::vector<DisplayMode> Enumerate() override;
    DisplayMode Desktop() override;
    bool Change(const DisplayMode& mode) override;
    void Restore() override;
    bool CanChange() override;

private:
    struct State;
    std::unique_ptr<State> m;
};

}  // namespace platform
