#include "platform/bitmap.h"
#include "platform/bitmap_qt.h"

namespace platform {

uint8_t Bitmap::Alpha(int x, int y) const {
    const QImage& image = QImageOf(*this);
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0;
    return static_cast<uint8_t>(qAlpha(image.pixel(x, y)));
}

bool Bitmap::HasAlpha() const {
    return QImageOf(*this).hasAlphaChannel();
}

}  // namespace platform
