#pragma once
// A gallery on a 640x480 screen whose pictures are solid colours, so a pixel tells which
// picture a cell, a button or the background was drawn from.
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "../support/temp_folder.h"
#include "graphics/display_surface.h"
#include "platform/clock.h"
#include "graphics/sprite.h"
#include "modes/gallery_page.h"
#include "platform/file_system.h"
#include "resources/dll_res.h"

class TRecordingSurface : public TDisplaySurface {
public:
    TRecordingSurface() : TDisplaySurface(platform::Clock::Current()) {}
    int Width() const override { return 640; }
    int Height() const override { return 480; }
    void Present(const platform::Bitmap& frame, int, int) override {
        ++presents;
        last = frame;
    }
    int presents = 0;
    platform::Bitmap last;
};

class GalleryFixture {
public:
    GalleryFixture()
        : library(platform::FileSystem::FromHostPath(VELMOR_BINARY_DIR "/bin/VELMORRC.DLL"), true),
          screen(7, true, nullptr, nullptr, nullptr) {
        screen.CreateBlank(640, 480, 0xFFFFFF);
    }

    // 0x00BBGGRR, as the engine's colours.
    std::string Picture(const std::string& name, int w, int h, uint32_t colour) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
        const std::string path = folder.Str() + name;
        image.save(QString::fromStdString(path), "PNG");
        return path;
    }
    std::string Description(const std::string& name, const std::string& text) {
        folder.WriteSjis(name, text);
        return folder.Str() + name;
    }
    TGalleryPage::TServices Services() {
        TGalleryPage::TServices s;
        s.window = &surface;
        s.resourceLibrary = &library;
        return s;
    }
    uint32_t At(int x, int y) const { return screen.Image().Pixel(x, y) & 0xFFFFFF; }

    TempFolder folder;
    TyxDllRes library;
    TSprite screen;
    TRecordingSurface surface;
};
