#pragma once
#include "graphics/display_surface.h"

// Where effects and the extra modes present when the engine has no window: frames go nowhere,
// and the layers are left as a window would have left them.
class TVelmorOffscreenSurface : public TDisplaySurface {
public:
    TVelmorOffscreenSurface(platform::Clock& clock, int width, int height)
        : TDisplaySurface(clock), m_Width(width), m_Height(height) {}
    int Width() const override { return m_Width; }
    int Height() const override { return m_Height; }
    void Present(const platform::Bitmap&, int, int) override {}

private:
    int m_Width, m_Height;
};
