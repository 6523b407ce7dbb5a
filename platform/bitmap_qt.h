#pragma once
// Window code only: the QImage behind a Bitmap.
#include <QImage>

#include "platform/bitmap.h"

namespace platform {

struct Bitmap::Impl {
    QImage image;
};

inline QImage& QImageOf(Bitmap& b) { return b.impl().image; }
inline const QImage& QImageOf(const Bitmap& b) { return b.impl().image; }

}  // namespace platform
