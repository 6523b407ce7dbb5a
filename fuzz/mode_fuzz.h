#pragma once
// What the description-file targets share: a screen to draw on and one small picture every
// description may name, written once to a temporary folder ("@" in a seed stands for it).
#include <cstdint>
#include <filesystem>
#include <string>

#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "platform/bitmap.h"
#include "platform/clock.h"
#include "resources/string_list.h"
#include "resources/xini_file.h"

namespace fuzzmode {

class TNullSurface : public TDisplaySurface {
public:
    TNullSurface() : TDisplaySurface(platform::Clock::Current()) {}
    int Width() const override { return 64; }
    int Height() const override { return 48; }
    void Present(const platform::Bitmap&, int, int) override {}
};

inline const std::string& PictureFolder() {
    static const std::string folder = [] {
        auto dir = std::filesystem::temp_directory_path() / "velmor-mode-fuzz";
        std::filesystem::create_directories(dir);
        platform::Bitmap b;
        b.SetFormat(6, 4, 32);
        b.Fill(0x00FF00);
        b.SavePng((dir / "p.png").string());
        return dir.string() + "/";
    }();
    return folder;
}

// The input as description lines, "@" turned into the picture folder, and the rest of the
// bytes past the first NUL as the moves to replay.
inline TStringList Lines(const uint8_t* data, size_t size, std::string& moves) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        moves = text.substr(nul + 1);
        text.resize(nul);
    }
    std::string expanded;
    for (char c : text) expanded += c == '@' ? PictureFolder() : std::string(1, c);
    TStringList lines;
    TXiniFile::SplitLines(expanded, lines);
    return lines;
}

}  // namespace fuzzmode
