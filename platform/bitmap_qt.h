#pragma once
// Window code only: the QImage behind a Bitmap.
#include <QImage>
#include <memory>
#include <vector>

#include "platform/bitmap.h"

namespace platform {

struct Bitmap::Impl {
    QImage image;          // every depth but 4 bits
    bool fifteen = false;  // a 5-5-5 picture made as the 15-bit format rather than 16
    // 4-bit pictures: packed rows, high nibble first, and their palette (QRgb).
    int width4 = 0, height4 = 0, stride4 = 0;
    std::vector<uint8_t> rows4;
    QList<QRgb> palette4;
    bool transparent = false;
    uint32_t transparentColour = 0;
    mutable QImage view;  // 4-bit pictures as 8-bit, for drawing
    // QImage's cache key moves on every writable access, so it tells when derived data is stale.
    mutable std::shared_ptr<const BitmapDerived> derived;
    mutable qint64 derivedKey = 0;

    bool Is4() const { return width4 > 0; }
    void Clear4() {
        width4 = height4 = stride4 = 0;
        rows4.clear();
        palette4.clear();
    }
};

// A 4-bit picture is switched to 8 bits first: Qt cannot draw into it.
QImage& QImageOf(Bitmap& b);
// A 4-bit picture is shown through an 8-bit copy.
const QImage& QImageOf(const Bitmap& b);

}  // namespace platform
