#include "platform/bitmap.h"

#include <QImage>

#include "platform/bitmap_qt.h"

namespace platform {

namespace {

QRgb ToQRgb(uint32_t colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

uint32_t FromQRgb(QRgb rgb) {
    return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The host's BMP reader happily fills in a picture far larger than the bytes given, so the
// headers are checked against the data first.
bool PlausibleBmp(const uint8_t* data, size_t size) {
    if (data == nullptr || size < 26 || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t offBits = U32(data + 10);
    const uint32_t infoSize = U32(data + 14);
    if (infoSize != 12 && (infoSize < 40 || infoSize > 124)) return false;
    if (size < 14 + static_cast<size_t>(infoSize) || offBits < 14 + infoSize || offBits > size) return false;
    int64_t width = 0, height = 0;
    uint32_t planes = 0, bits = 0, compression = 0;
    if (infoSize == 12) {
        width = U16(data + 18);
        height = U16(data + 20);
        planes = U16(data + 22);
        bits = U16(data + 24);
    } else {
        width = static_cast<int32_t>(U32(data + 18));
        height = static_cast<int32_t>(U32(data + 22));
        planes = U16(data + 26);
        bits = U16(data + 28);
        compression = U32(data + 30);
    }
    if (height < 0) height = -height;
    constexpr int64_t kMaxSide = 32768;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || planes != 1) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    const bool rle = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    if (compression != 0 && compression != 3 && !rle) return false;
    if (!rle) {
        const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
        if (offBits + stride * static_cast<uint64_t>(height) > size) return false;
    }
    return true;
}

bool Decode(const uint8_t* data, size_t size, const char* format, QImage& out) {
    if (data == nullptr || size == 0 || size > static_cast<size_t>(INT32_MAX)) return false;
    QImage image;
    if (!image.loadFromData(data, static_cast<int>(size), format) || image.isNull()) return false;
    out = std::move(image);
    return true;
}

}  // namespace

Bitmap::Bitmap() : m_Impl(std::make_unique<Impl>()) {}
Bitmap::~Bitmap() = default;
Bitmap::Bitmap(const Bitmap& other) : m_Impl(std::make_unique<Impl>(*other.m_Impl)) {}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) *m_Impl = *other.m_Impl;
    return *this;
}

int Bitmap::Width() const { return m_Impl->image.width(); }
int Bitmap::Height() const { return m_Impl->image.height(); }
int Bitmap::BitsPerPixel() const { return m_Impl->image.isNull() ? 0 : m_Impl->image.depth(); }
bool Bitmap::Empty() const { return m_Impl->image.isNull(); }

void Bitmap::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        m_Impl->image = QImage();
        return;
    }
    m_Impl->image = QImage(width, height, QImage::Format_RGB32);
    m_Impl->image.fill(qRgb(0, 0, 0));
}

void Bitmap::SetFormat(int width, int height, int bitsPerPixel) {
    if (width <= 0 || height <= 0) {
        m_Impl->image = QImage();
        return;
    }
    QImage::Format format = QImage::Format_RGB32;
    switch (bitsPerPixel) {
        case 1: format = QImage::Format_Mono; break;
        case 8: format = QImage::Format_Indexed8; break;
        case 24: format = QImage::Format_BGR888; break;
        default: break;
    }
    QImage image(width, height, format);
    if (bitsPerPixel == 8) {
        QList<QRgb> grey(256);
        for (int i = 0; i < 256; ++i) grey[i] = qRgb(i, i, i);
        image.setColorTable(grey);
    } else if (bitsPerPixel == 1) {
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    }
    image.fill(0);
    m_Impl->image = std::move(image);
}

uint8_t* Bitmap::ScanLine(int y) {
    QImage& image = m_Impl->image;
    return image.isNull() || y < 0 || y >= image.height() ? nullptr : image.scanLine(y);
}

const uint8_t* Bitmap::ScanLine(int y) const {
    const QImage& image = m_Impl->image;
    return image.isNull() || y < 0 || y >= image.height() ? nullptr : image.constScanLine(y);
}

int Bitmap::BytesPerLine() const { return static_cast<int>(m_Impl->image.bytesPerLine()); }

void Bitmap::SetPalette(const uint32_t* colours, int count) {
    QList<QRgb> table;
    for (int i = 0; i < count; ++i) table.push_back(ToQRgb(colours[i]));
    m_Impl->image.setColorTable(table);
}

void Bitmap::Fill(uint32_t colour) {
    if (!m_Impl->image.isNull()) m_Impl->image.fill(QColor::fromRgb(ToQRgb(colour)));
}

uint32_t Bitmap::Pixel(int x, int y) const {
    const QImage& image = m_Impl->image;
    if (!image.valid(x, y)) return 0;
    return FromQRgb(image.pixel(x, y));
}

void Bitmap::SetPixel(int x, int y, uint32_t colour) {
    QImage& image = m_Impl->image;
    if (!image.valid(x, y)) return;
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    image.setPixel(x, y, ToQRgb(colour));
}

bool Bitmap::LoadFromBmp(const uint8_t* data, size_t size) {
    if (!PlausibleBmp(data, size)) return false;
    return Decode(data, size, "BMP", m_Impl->image);
}

bool Bitmap::LoadFromEncoded(const uint8_t* data, size_t size) {
    if (data != nullptr && size >= 2 && data[0] == 'B' && data[1] == 'M' && !PlausibleBmp(data, size)) return false;
    return Decode(data, size, nullptr, m_Impl->image);
}

bool Bitmap::SavePng(const std::string& hostPath) const {
    if (m_Impl->image.isNull()) return false;
    return m_Impl->image.save(QString::fromStdString(hostPath), "PNG");
}

}  // namespace platform
