#pragma once
// A display surface on a virtual clock for the transition tests: it keeps what it shows, notes
// every frame with its time and place, and each present costs a little time as a real one does.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/virtual_clock.h"
#include "resources/dll_res.h"

class TFakeSurface : public TDisplaySurface {
public:
    struct Frame {
        uint32_t time;
        int left, top;
    };

    TFakeSurface(platform::VirtualClock& clock, int width, int height)
        : TDisplaySurface(clock), m_Clock(clock) {
        shown.SetFormat(width, height, 32);
        shown.Fill(0x808080);
        PumpEvents = [this] { ++pumps; };
    }
    int Width() const override { return shown.Width(); }
    int Height() const override { return shown.Height(); }
    void Present(const platform::Bitmap& frame, int left, int top) override {
        platform::Canvas& canvas = shown.GetCanvas();
        canvas.SetCopyMode(platform::CopyMode::Copy);
        canvas.Draw(left, top, frame);
        frames.push_back({m_Clock.TickCount(), left, top});
        if (keepPictures) pictures.push_back(shown);
        m_Clock.Advance(kPresentCost);
    }
    bool CopyImage(platform::Bitmap& out) const override {
        out = shown;
        return true;
    }

    static constexpr uint32_t kPresentCost = 3;
    platform::Bitmap shown;
    std::vector<Frame> frames;
    std::vector<platform::Bitmap> pictures;
    bool keepPictures = false;
    int pumps = 0;

private:
    platform::VirtualClock& m_Clock;
};

class EffectTest : public ::testing::Test {
protected:
    static constexpr int kW = 64, kH = 48;

    void SetUp() override {
        platform::Clock::SetCurrent(&clock);
        library = std::make_unique<TyxDllRes>(
            platform::FileSystem::FromHostPath(VELMOR_BINARY_DIR "/bin/VELMORRC.DLL"), true);
        surface = std::make_unique<TFakeSurface>(clock, kW, kH);
    }
    void TearDown() override { platform::Clock::SetCurrent(nullptr); }

    // A 32-bit layer at the origin with a picture no effect colour matches anywhere.
    std::unique_ptr<TSprite> Layer(int width = kW, int height = kH) {
        auto sprite = std::make_unique<TSprite>(7, true, nullptr, library.get(), nullptr);
        sprite->CreateBlank(width, height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) sprite->Image().SetPixel(x, y, Colour(x, y));
        sprite->SetBasePoint(7, 0, 0);
        return sprite;
    }
    static uint32_t Colour(int x, int y) {
        return 0x204060u + static_cast<uint32_t>((x * 3) % 128) +
               (static_cast<uint32_t>((y * 5) % 96) << 8);
    }

    platform::VirtualClock clock{1000};
    std::unique_ptr<TyxDllRes> library;
    std::unique_ptr<TFakeSurface> surface;
};
