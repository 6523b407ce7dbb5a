#pragma once
// PNG files made at test time: chunks put together by hand so tests can build exactly the
// valid and broken streams they need.
#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace pngtest {

using Bytes = std::vector<uint8_t>;

inline void PutBe32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

inline Bytes Chunk(const std::string& type, const Bytes& data) {
    Bytes out;
    PutBe32(out, uint32_t(data.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    crc = crc32(crc, data.data(), uInt(data.size()));
    PutBe32(out, uint32_t(crc));
    return out;
}

inline Bytes Ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
                  uint8_t interlace = 0, uint8_t compression = 0, uint8_t filter = 0) {
    Bytes d;
    PutBe32(d, width);
    PutBe32(d, height);
    d.insert(d.end(), {depth, colorType, compression, filter, interlace});
    return Chunk("IHDR", d);
}

inline Bytes Compress(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
}

// Raw rows, each with its filter byte already in front.
inline Bytes Idat(const Bytes& raw) {
    return Chunk("IDAT", Compress(raw));
}

inline Bytes Png(std::initializer_list<Bytes> chunks, bool withEnd = true) {
    Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    if (withEnd) {
        Bytes end = Chunk("IEND", {});
        out.insert(out.end(), end.begin(), end.end());
    }
    return out;
}

// Unfiltered rows: a 0 filter byte before each row of rowBytes.
inline Bytes Rows(const Bytes& pixels, size_t rowBytes) {
    Bytes out;
    for (size_t i = 0; i < pixels.size(); i += rowBytes) {
        out.push_back(0);
        out.insert(out.end(), pixels.begin() + long(i), pixels.begin() + long(i + rowBytes));
    }
    return out;
}

}  // namespace pngtest
