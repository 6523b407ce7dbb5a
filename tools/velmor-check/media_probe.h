#pragma once
// Reads just enough of a picture or sound to tell what the engine will make of it.
#include <cstdint>
#include <string>
#include <vector>

class TMediaProbe {
public:
    // Width and height from the header, chosen by the real extension (".png", ".jpg",
    // ".bmp"); false when the header cannot be read or the size is not known for that kind.
    static bool PictureSize(const std::vector<uint8_t>& bytes, const std::string& realExtension,
                            int32_t& width, int32_t& height);
    // Why the engine's PNG decoder refuses the header (colour type, bit depth, compression,
    // filter or interlace method it does not read); empty when it reads it.
    static std::string PngProblem(const std::vector<uint8_t>& bytes);
    // Why the engine's sound sources refuse the sound, in words an author can act on; empty
    // when they open it.
    static std::string SoundProblem(const std::vector<uint8_t>& bytes);
};
