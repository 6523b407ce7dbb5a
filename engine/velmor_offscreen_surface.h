#pragma once
#include "graphics/display_surface.h"

// Where the extra modes present when the engine has no window: frames go nowhere.
class TVelmorOffscreenSurface : public TDisplaySurface {
public:
    TVelmorOffscreenSurface(int width, int height) : m_Width(width), m_Height(height) {}
    int Width() const override { return m_Width; }
    int Height() const override { return m_Height; }
    void Present(const platform::Bitmap&, int, int) override {}

private:
    int m_Width, m_Height;
};
