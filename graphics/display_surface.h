#pragma once
#include <functional>

#include "platform/bitmap.h"
#include "platform/clock.h"
#include "resources/string_list.h"

// The game window's display image as the engine sees it: frames are copied onto it and it is
// refreshed on screen, paced by the clock of the game.
class TDisplaySurface {
public:
    explicit TDisplaySurface(platform::Clock& clock) : m_Clock(&clock) {}
    virtual ~TDisplaySurface() = default;
    platform::Clock& Clock() const { return *m_Clock; }
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Copies the frame (clipped to the surface) and shows it at once, so it is on screen before
    // any wait that follows.
    virtual void Present(const platform::Bitmap& frame, int left, int top) = 0;
    // The same when only area (in the frame's pixels) differs from what was presented last.
    virtual void PresentArea(const platform::Bitmap& frame, int left, int top, const TRect& area) {
        (void)area;
        Present(frame, left, top);
    }
    // One step of an effect that moves an unchanged frame over the screen: what shows is what
    // Present would show, but the surface may keep the frame rather than copy it, and may show
    // a step up to one display refresh late. The frame must not change or go away until
    // EndMoving, which shows the last step at once.
    virtual void PresentMoving(const platform::Bitmap& frame, int left, int top) {
        Present(frame, left, top);
    }
    virtual void EndMoving() {}
    // What the surface shows now, as a 32-bit picture of its size; false when it cannot tell.
    virtual bool CopyImage(platform::Bitmap& out) const {
        (void)out;
        return false;
    }

    // Lets pending window events through between the frames of an effect; the window sets it.
    std::function<void()> PumpEvents;
    void Pump() {
        if (PumpEvents) PumpEvents();
    }

private:
    platform::Clock* m_Clock;
};
