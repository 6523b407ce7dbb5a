// Windows bitmap files, read by our own code: the host's reader trusts the headers and fills in
// pictures far larger than the bytes given, and it has no 4-bit format.
#include <QImage>
#include <bit>
#include <cstring>

#include "platform/bitmap.h"
#include "platform/picture_limits.h"
#include "platform/bitmap_qt.h"

namespace platform {

namespace {

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

struct BmpHeader {
    uint32_t offBits = 0;
    uint32_t infoSize = 0;
    int width = 0;
    int height = 0;
    bool topDown = false;
    uint32_t bits = 0;
    uint32_t compression = kRgb;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue
    QList<QRgb> palette;
};

// Checks every header field against the data before anything is allocated.
bool ParseHeader(const uint8_t* data, size_t size, BmpHeader& h) {
    if (data == nullptr || size < 26 || data[0] != 'B' || data[1] != 'M') return false;
    h.offBits = U32(data + 10);
    h.infoSize = U32(data + 14);
    if (h.infoSize != 12 && (h.infoSize < 40 || h.infoSize > 124)) return false;
    if (size < 14 + static_cast<size_t>(h.infoSize) || h.offBits < 14 + h.infoSize ||
        h.offBits > size)
        return false;
    int64_t width = 0, height = 0;
    uint32_t planes = 0, coloursUsed = 0;
    size_t paletteAt = 14 + h.infoSize;
    size_t entrySize = 4;
    if (h.infoSize == 12) {
        width = U16(data + 18);
        height = U16(data + 20);
        planes = U16(data + 22);
        h.bits = U16(data + 24);
        entrySize = 3;
    } else {
        width = static_cast<int32_t>(U32(data + 18));
        height = static_cast<int32_t>(U32(data + 22));
        planes = U16(data + 26);
        h.bits = U16(data + 28);
        h.compression = U32(data + 30);
        coloursUsed = U32(data + 46);
    }
    if (height < 0) {
        h.topDown = true;
        height = -height;
    }
    if (!PictureLimits::Allowed(width, height, 32) || planes != 1)
        return false;
    h.width = static_cast<int>(width);
    h.height = static_cast<int>(height);
    const uint32_t b = h.bits;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32) return false;
    const bool rle = (h.compression == kRle8 && b == 8) || (h.compression == kRle4 && b == 4);
    const bool fields = h.compression == kBitFields && (b == 16 || b == 32);
    if (h.compression != kRgb && !rle && !fields) return false;
    if (rle && h.topDown) return false;  // compressed pictures are always stored bottom-up
    if (fields) {
        size_t at = 14 + 40;  // masks follow a 40-byte header, or are its extension
        if (h.infoSize == 40) paletteAt += 12;
        if (at + 12 > size || (h.infoSize == 40 && h.offBits < at + 12)) return false;
        for (int i = 0; i < 3; ++i) h.masks[i] = U32(data + at + 4 * i);
    } else if (b == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    } else if (b == 32) {
        h.masks[0] = 0xFF0000;
        h.masks[1] = 0x00FF00;
        h.masks[2] = 0x0000FF;
    }
    if (b <= 8) {
        const uint32_t full = 1u << b;
        uint32_t count = coloursUsed == 0 || coloursUsed > full ? full : coloursUsed;
        // A palette cut short by the pixel data keeps what is there; missing entries are black.
        const size_t room = h.offBits > paletteAt ? (h.offBits - paletteAt) / entrySize : 0;
        if (count > room) count = static_cast<uint32_t>(room);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = data + paletteAt + i * entrySize;
            h.palette.push_back(qRgb(e[2], e[1], e[0]));
        }
        while (h.palette.size() < static_cast<qsizetype>(full)) h.palette.push_back(qRgb(0, 0, 0));
    }
    if (!rle) {
        const uint64_t stride = ((static_cast<uint64_t>(width) * b + 31) / 32) * 4;
        if (h.offBits + stride * static_cast<uint64_t>(height) > size) return false;
    }
    return true;
}

// Row in the picture for row y of the file.
int PictureRow(const BmpHeader& h, int y) {
    return h.topDown ? y : h.height - 1 - y;
}

uint8_t Scale(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t max = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

// RLE8 and RLE4 into one index per pixel; skipped pixels stay 0.
void DecodeRle(const BmpHeader& h, const uint8_t* p, const uint8_t* end,
               std::vector<uint8_t>& indexes) {
    const bool four = h.compression == kRle4;
    int x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x < h.width && y < h.height)
            indexes[static_cast<size_t>(PictureRow(h, y)) * h.width + x] = v;
        ++x;
    };
    while (end - p >= 2 && y < h.height) {
        const uint8_t n = p[0], c = p[1];
        p += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) put(four ? ((k & 1) ? (c & 0x0F) : (c >> 4)) : c);
        } else if (c == 0) {
            x = 0;
            ++y;
        } else if (c == 1) {
            break;
        } else if (c == 2) {
            if (end - p < 2) break;
            x += p[0];
            y += p[1];
            p += 2;
        } else {
            const size_t bytes = four ? (c + 1u) / 2u : c;
            if (static_cast<size_t>(end - p) < bytes) break;
            for (int k = 0; k < c; ++k)
                put(four ? ((k & 1) ? (p[k / 2] & 0x0F) : (p[k / 2] >> 4)) : p[k]);
            p += (bytes + 1) & ~size_t{1};
            if (p > end) p = end;
        }
    }
}

}  // namespace

bool Bitmap::LoadFromBmp(const uint8_t* data, size_t size) {
    BmpHeader h;
    if (!ParseHeader(data, size, h)) return false;
    const uint8_t* pixels = data + h.offBits;
    const size_t stride = ((static_cast<size_t>(h.width) * h.bits + 31) / 32) * 4;
    Impl loaded;

    if (h.compression == kRle8 || h.compression == kRle4) {
        std::vector<uint8_t> indexes(static_cast<size_t>(h.width) * h.height, 0);
        DecodeRle(h, pixels, data + size, indexes);
        Bitmap scratch;
        scratch.SetFormat(h.width, h.height, static_cast<int>(h.bits));
        if (scratch.Empty()) return false;
        for (int y = 0; y < h.height; ++y) {
            uint8_t* row = scratch.ScanLine(y);
            const uint8_t* in = indexes.data() + static_cast<size_t>(y) * h.width;
            if (h.bits == 8) {
                std::memcpy(row, in, static_cast<size_t>(h.width));
            } else {
                for (int x = 0; x < h.width; ++x)
                    row[x / 2] = (x & 1) ? static_cast<uint8_t>(row[x / 2] | in[x])
                                         : static_cast<uint8_t>(in[x] << 4);
            }
        }
        loaded = *scratch.m_Impl;
        if (h.bits == 8)
            loaded.image.setColorTable(h.palette);
        else
            loaded.palette4 = h.palette;
    } else if (h.bits == 4) {
        Bitmap scratch;
        scratch.SetFormat(h.width, h.height, 4);
        for (int y = 0; y < h.height; ++y)
            std::memcpy(scratch.ScanLine(PictureRow(h, y)), pixels + y * stride, stride);
        loaded = *scratch.m_Impl;
        loaded.palette4 = h.palette;
    } else {
        const bool plain16 =
            h.bits == 16 && h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F;
        QImage::Format format = QImage::Format_RGB32;
        if (h.bits == 1)
            format = QImage::Format_Mono;
        else if (h.bits == 8)
            format = QImage::Format_Indexed8;
        else if (h.bits == 24)
            format = QImage::Format_BGR888;
        else if (plain16)
            format = QImage::Format_RGB555;
        QImage image(h.width, h.height, format);
        if (image.isNull()) return false;
        if (h.bits <= 8) image.setColorTable(h.palette);
        const size_t rowBytes = (static_cast<size_t>(h.width) * h.bits + 7) / 8;
        for (int y = 0; y < h.height; ++y) {
            const uint8_t* in = pixels + y * stride;
            uint8_t* out = image.scanLine(PictureRow(h, y));
            if (h.bits <= 8 || h.bits == 24) {
                std::memcpy(out, in, rowBytes);
            } else if (plain16) {
                for (int x = 0; x < h.width; ++x) {
                    const uint16_t v = static_cast<uint16_t>(U16(in + 2 * x) & 0x7FFF);
                    std::memcpy(out + 2 * x, &v, 2);
                }
            } else {
                QRgb* o = reinterpret_cast<QRgb*>(out);
                for (int x = 0; x < h.width; ++x) {
                    const uint32_t v = h.bits == 16 ? U16(in + 2 * x) : U32(in + 4 * x);
                    o[x] = qRgb(Scale(v, h.masks[0]), Scale(v, h.masks[1]), Scale(v, h.masks[2]));
                }
            }
        }
        loaded.image = std::move(image);
    }
    loaded.transparent = m_Impl->transparent;
    loaded.transparentColour = m_Impl->transparentColour;
    *m_Impl = std::move(loaded);
    return true;
}

}  // namespace platform
