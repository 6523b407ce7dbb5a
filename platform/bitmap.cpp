#include "platform/bitmap.h"

#include <QBuffer>
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
    // BITMAPFILEHEADER (14) + the smallest info header (12); the pixel offset must lie inside.
    if (data == nullptr || size < 26 || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t offBits = static_cast<uint32_t>(data[10]) | (static_cast<uint32_t>(data[11]) << 8) |
                             (static_cast<uint32_t>(data[12]) << 16) |
                             (static_cast<uint32_t>(data[13]) << 24);
    if (offBits < 26 || offBits > size) return false;
    return Decode(data, size, "BMP", m_Impl->image);
}

bool Bitmap::LoadFromEncoded(const uint8_t* data, size_t size) {
    return Decode(data, size, nullptr, m_Impl->image);
}

bool Bitmap::SavePng(const std::string& hostPath) const {
    if (m_Impl->image.isNull()) return false;
    return m_Impl->image.save(QString::fromStdString(hostPath), "PNG");
}

}  // namespace platform
