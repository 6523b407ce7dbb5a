#pragma once
// Pictures, description files and a display surface for the mode tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/temp_folder.h"
#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/sjis.h"

class TShownSurface : public TDisplaySurface {
    platform::InstalledClock m_Installed;

public:
    TShownSurface(int width, int height) : TDisplaySurface(m_Installed) {
        shown.SetFormat(width, height, 32);
    }
    int Width() const override { return shown.Width(); }
    int Height() const override { return shown.Height(); }
    void Present(const platform::Bitmap& frame, int left, int top) override {
        shown.GetCanvas().SetCopyMode(platform::CopyMode::Copy);
        shown.GetCanvas().Draw(left, top, frame);
        ++presents;
    }
    platform::Bitmap shown;
    int presents = 0;
};

class ModeFixture : public ::testing::Test {
protected:
    static constexpr int kW = 320, kH = 240;

    ModeFixture() : surface(kW, kH), screen(7, false, nullptr, nullptr, nullptr) {
        screen.CreateBlank(kW, kH, 0);
    }
    // A picture of one colour; corner, when given, colours the bottom-left pixel.
    std::string Picture(const std::string& name, int w, int h, uint32_t colour,
                        int64_t corner = -1) const {
        platform::Bitmap b;
        b.SetFormat(w, h, 32);
        b.Fill(colour);
        if (corner >= 0) b.SetPixel(0, h - 1, static_cast<uint32_t>(corner));
        const std::string path = folder.Str() + name;
        EXPECT_TRUE(b.SavePng(path));
        return path;
    }
    std::string Description(const std::string& name, const std::string& utf8) const {
        folder.WriteSjis(name, utf8);
        return folder.Str() + name;
    }
    std::string Path(const std::string& name) const { return folder.Str() + name; }
    uint32_t Shown(int x, int y) const { return surface.shown.Pixel(x, y) & 0xFFFFFF; }
    static std::string Utf8(const std::string& sjis) { return platform::SjisToUtf8(sjis); }

    TempFolder folder;
    TShownSurface surface;
    TSprite screen;
};
