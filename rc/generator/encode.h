#pragma once
// Byte encodings of the resource library: Windows bitmaps, PNG, the masked container and the
// generated C++ source that carries them.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <string>
#include <vector>

namespace rcgen {

struct Resource {
    std::string name;
    std::string type;
    QByteArray bytes;
};

// Opaque 24-bit bottom-up BMP file bytes.
QByteArray EncodeBmp24(const QImage& image);
QByteArray EncodePng(const QImage& image);
// A picture with soft edges turned into a hard-edged one: pixels at least `threshold` opaque
// are blended over `edgeBackground`, the rest become `key`.
QImage FlattenKeyed(const QImage& argb, QColor edgeBackground, QColor key, int threshold);
// "vpp" container: mask (white transparent, black opaque) then picture (black where transparent).
QByteArray EncodeVpp(const QImage& argb, QColor edgeBackground);
bool WriteSource(const std::string& path, const std::vector<Resource>& resources);

}  // namespace rcgen
