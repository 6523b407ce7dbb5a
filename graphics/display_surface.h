#pragma once
#include "platform/bitmap.h"

// The game window's display image as the engine sees it: frames are copied onto it and it is
// refreshed on screen.
class TDisplaySurface {
public:
    virtual ~TDisplaySurface() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Copies the frame (clipped to the surface) and shows it.
    virtual void Present(const platform::Bitmap& frame, int left, int top) = 0;
};
