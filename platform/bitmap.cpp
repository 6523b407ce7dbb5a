#include "platform/bitmap.h"

#include <QImage>
#include <cstring>

#include "platform/bitmap_qt.h"
#include "platform/canvas.h"

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

// The sixteen colours a new 4-bit picture starts with (the usual VGA set).
QList<QRgb> DefaultPalette16() {
    static const QRgb kColours[16] = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return QList<QRgb>(std::begin(kColours), std::end(kColours));
}

int Nearest(const QList<QRgb>& palette, QRgb colour) {
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(colour), dg = qGreen(palette[i]) - qGreen(colour),
                  db = qBlue(palette[i]) - qBlue(colour);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

int Stride(int width, int bits) {
    return static_cast<int>(((static_cast<int64_t>(width) * bits + 31) / 32) * 4);
}

uint8_t Nibble(const Bitmap::Impl& impl, int x, int y) {
    const uint8_t b = impl.rows4[static_cast<size_t>(y) * impl.stride4 + x / 2];
    return (x & 1) ? (b & 0x0F) : (b >> 4);
}

void SetNibble(Bitmap::Impl& impl, int x, int y, uint8_t v) {
    uint8_t& b = impl.rows4[static_cast<size_t>(y) * impl.stride4 + x / 2];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (v & 0x0F))
                : static_cast<uint8_t>((b & 0x0F) | (v << 4));
}

// The 4-bit rows as an 8-bit indexed picture.
QImage Expand4(const Bitmap::Impl& impl) {
    QImage out(impl.width4, impl.height4, QImage::Format_Indexed8);
    out.setColorTable(impl.palette4.isEmpty() ? DefaultPalette16() : impl.palette4);
    for (int y = 0; y < impl.height4; ++y) {
        uint8_t* row = out.scanLine(y);
        for (int x = 0; x < impl.width4; ++x) row[x] = Nibble(impl, x, y);
    }
    return out;
}

void Make4(Bitmap::Impl& impl, int width, int height) {
    impl.image = QImage();
    impl.width4 = width;
    impl.height4 = height;
    impl.stride4 = Stride(width, 4);
    impl.rows4.assign(static_cast<size_t>(impl.stride4) * height, 0);
    impl.palette4 = DefaultPalette16();
}

// Any picture to 4 bits: small palettes keep their indexes, everything else takes the nearest
// of the sixteen standard colours.
void Pack4(Bitmap::Impl& impl, const QImage& source) {
    const int width = source.width(), height = source.height();
    if (source.format() == QImage::Format_Indexed8 && source.colorCount() <= 16) {
        Make4(impl, width, height);
        impl.palette4 = source.colorTable();
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = source.constScanLine(y);
            for (int x = 0; x < width; ++x) SetNibble(impl, x, y, row[x]);
        }
        return;
    }
    const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
    Make4(impl, width, height);
    for (int y = 0; y < height; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x)
            SetNibble(impl, x, y, static_cast<uint8_t>(Nearest(impl.palette4, row[x])));
    }
}

QList<QRgb> GreyRamp() {
    QList<QRgb> grey(256);
    for (int i = 0; i < 256; ++i) grey[i] = qRgb(i, i, i);
    return grey;
}

}  // namespace

QImage& QImageOf(Bitmap& b) {
    if (b.impl().Is4()) b.SetPixelFormat(PixelFormat::Bit8);
    return b.impl().image;
}

const QImage& QImageOf(const Bitmap& b) {
    const Bitmap::Impl& impl = b.impl();
    if (!impl.Is4()) return impl.image;
    impl.view = Expand4(impl);
    return impl.view;
}

Bitmap::Bitmap() : m_Impl(std::make_unique<Impl>()) {}
Bitmap::~Bitmap() = default;
Bitmap::Bitmap(const Bitmap& other) : m_Impl(std::make_unique<Impl>(*other.m_Impl)) {}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) *m_Impl = *other.m_Impl;
    return *this;
}

int Bitmap::Width() const {
    return m_Impl->Is4() ? m_Impl->width4 : m_Impl->image.width();
}
int Bitmap::Height() const {
    return m_Impl->Is4() ? m_Impl->height4 : m_Impl->image.height();
}

int Bitmap::BitsPerPixel() const {
    if (m_Impl->Is4()) return 4;
    if (m_Impl->image.isNull()) return 0;
    if (m_Impl->image.format() == QImage::Format_RGB555) return m_Impl->fifteen ? 15 : 16;
    return m_Impl->image.depth();
}

bool Bitmap::Empty() const {
    return !m_Impl->Is4() && m_Impl->image.isNull();
}

void Bitmap::SetSize(int width, int height) {
    SetFormat(width, height, 32);
}

void Bitmap::SetFormat(int width, int height, int bitsPerPixel) {
    m_Impl->Clear4();
    m_Impl->fifteen = false;
    if (width <= 0 || height <= 0) {
        m_Impl->image = QImage();
        return;
    }
    if (bitsPerPixel == 4) {
        Make4(*m_Impl, width, height);
        return;
    }
    QImage::Format format = QImage::Format_RGB32;
    switch (bitsPerPixel) {
        case 1:
            format = QImage::Format_Mono;
            break;
        case 8:
            format = QImage::Format_Indexed8;
            break;
        case 15:
        case 16:
            format = QImage::Format_RGB555;
            break;
        case 24:
            format = QImage::Format_BGR888;
            break;
        default:
            break;
    }
    QImage image(width, height, format);
    if (image.isNull()) {  // out of memory or absurd size
        m_Impl->image = QImage();
        return;
    }
    if (bitsPerPixel == 8) {
        image.setColorTable(GreyRamp());
    } else if (bitsPerPixel == 1) {
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    }
    image.fill(0);
    if (format == QImage::Format_RGB32) image.fill(qRgb(0, 0, 0));
    m_Impl->image = std::move(image);
    m_Impl->fifteen = bitsPerPixel == 15;
}

PixelFormat Bitmap::GetPixelFormat() const {
    if (m_Impl->Is4()) return PixelFormat::Bit4;
    switch (m_Impl->image.format()) {
        case QImage::Format_Invalid:
            return PixelFormat::Device;
        case QImage::Format_Mono:
            return PixelFormat::Bit1;
        case QImage::Format_Indexed8:
            return PixelFormat::Bit8;
        case QImage::Format_RGB555:
            return m_Impl->fifteen ? PixelFormat::Bit15 : PixelFormat::Bit16;
        case QImage::Format_BGR888:
            return PixelFormat::Bit24;
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            return PixelFormat::Bit32;
        default:
            return PixelFormat::Custom;
    }
}

void Bitmap::SetPixelFormat(PixelFormat format) {
    if (Empty() || format == PixelFormat::Custom) return;
    if (format == PixelFormat::Device) format = PixelFormat::Bit32;
    const PixelFormat current = GetPixelFormat();
    if (current == format) return;
    Impl& impl = *m_Impl;
    if ((current == PixelFormat::Bit15 || current == PixelFormat::Bit16) &&
        (format == PixelFormat::Bit15 || format == PixelFormat::Bit16)) {
        impl.fifteen = format == PixelFormat::Bit15;
        return;
    }
    const QImage source = impl.Is4() ? Expand4(impl) : impl.image;
    if (format == PixelFormat::Bit4) {
        Pack4(impl, source);
        impl.fifteen = false;
        return;
    }
    QImage converted;
    switch (format) {
        case PixelFormat::Bit1:
            converted =
                source.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::AvoidDither);
            break;
        case PixelFormat::Bit8:
            converted = source.convertToFormat(QImage::Format_Indexed8,
                                               Qt::ThresholdDither | Qt::AvoidDither);
            break;
        case PixelFormat::Bit15:
        case PixelFormat::Bit16:
            converted = source.convertToFormat(QImage::Format_RGB555);
            break;
        case PixelFormat::Bit24:
            converted = source.convertToFormat(QImage::Format_BGR888);
            break;
        default:
            converted = source.convertToFormat(QImage::Format_RGB32);
            break;
    }
    if (converted.isNull()) return;
    impl.Clear4();
    impl.image = std::move(converted);
    impl.fifteen = format == PixelFormat::Bit15;
}

uint8_t* Bitmap::ScanLine(int y) {
    if (y < 0 || y >= Height()) return nullptr;
    if (m_Impl->Is4()) return m_Impl->rows4.data() + static_cast<size_t>(y) * m_Impl->stride4;
    return m_Impl->image.scanLine(y);
}

const uint8_t* Bitmap::ScanLine(int y) const {
    if (y < 0 || y >= Height()) return nullptr;
    if (m_Impl->Is4()) return m_Impl->rows4.data() + static_cast<size_t>(y) * m_Impl->stride4;
    return m_Impl->image.constScanLine(y);
}

std::shared_ptr<const BitmapDerived> Bitmap::Derived() const {
    const Impl& impl = *m_Impl;
    if (impl.Is4() || impl.derivedKey == 0 || impl.derivedKey != impl.image.cacheKey()) return {};
    return impl.derived;
}

void Bitmap::SetDerived(std::shared_ptr<const BitmapDerived> data) const {
    Impl& impl = *m_Impl;
    const qint64 key = impl.Is4() ? 0 : impl.image.cacheKey();
    impl.derived = key == 0 ? nullptr : std::move(data);
    impl.derivedKey = impl.derived ? key : 0;
}

int Bitmap::BytesPerLine() const {
    return m_Impl->Is4() ? m_Impl->stride4 : static_cast<int>(m_Impl->image.bytesPerLine());
}

void Bitmap::SetPalette(const uint32_t* colours, int count) {
    QList<QRgb> table;
    for (int i = 0; i < count; ++i) table.push_back(ToQRgb(colours[i]));
    if (m_Impl->Is4()) {
        table.resize(std::min<qsizetype>(table.size(), 16));
        m_Impl->palette4 = table;
        return;
    }
    m_Impl->image.setColorTable(table);
}

int Bitmap::PaletteSize() const {
    return static_cast<int>(m_Impl->Is4() ? m_Impl->palette4.size() : m_Impl->image.colorCount());
}

uint32_t Bitmap::PaletteColour(int index) const {
    if (index < 0 || index >= PaletteSize()) return 0;
    return FromQRgb(m_Impl->Is4() ? m_Impl->palette4[index] : m_Impl->image.color(index));
}

void Bitmap::Fill(uint32_t colour) {
    if (m_Impl->Is4()) {
        const uint8_t v = static_cast<uint8_t>(Nearest(m_Impl->palette4, ToQRgb(colour)));
        std::memset(m_Impl->rows4.data(), (v << 4) | v, m_Impl->rows4.size());
        return;
    }
    if (!m_Impl->image.isNull()) m_Impl->image.fill(QColor::fromRgb(ToQRgb(colour)));
}

uint32_t Bitmap::Pixel(int x, int y) const {
    if (m_Impl->Is4()) {
        if (x < 0 || y < 0 || x >= m_Impl->width4 || y >= m_Impl->height4) return 0;
        const uint8_t index = Nibble(*m_Impl, x, y);
        return index < m_Impl->palette4.size() ? FromQRgb(m_Impl->palette4[index]) : 0;
    }
    const QImage& image = m_Impl->image;
    if (!image.valid(x, y)) return 0;
    return FromQRgb(image.pixel(x, y));
}

void Bitmap::SetPixel(int x, int y, uint32_t colour) {
    if (m_Impl->Is4()) {
        if (x < 0 || y < 0 || x >= m_Impl->width4 || y >= m_Impl->height4) return;
        SetNibble(*m_Impl, x, y, static_cast<uint8_t>(Nearest(m_Impl->palette4, ToQRgb(colour))));
        return;
    }
    QImage& image = m_Impl->image;
    if (!image.valid(x, y)) return;
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    image.setPixel(x, y, ToQRgb(colour));
}

void Bitmap::SetTransparentColour(uint32_t colour) {
    m_Impl->transparent = true;
    m_Impl->transparentColour = colour & 0xFFFFFF;
}

void Bitmap::ClearTransparent() {
    m_Impl->transparent = false;
}
bool Bitmap::Transparent() const {
    return m_Impl->transparent;
}
uint32_t Bitmap::TransparentColour() const {
    return m_Impl->transparentColour;
}

Canvas& Bitmap::GetCanvas() {
    if (!m_Canvas) m_Canvas = std::make_unique<Canvas>(*this);
    return *m_Canvas;
}

void Bitmap::Changed() {
    if (m_OnChange) m_OnChange();
}

void Bitmap::SetOnChange(std::function<void()> handler) {
    m_OnChange = std::move(handler);
}

bool Bitmap::LoadFromEncoded(const uint8_t* data, size_t size) {
    if (data == nullptr || size == 0 || size > static_cast<size_t>(INT32_MAX)) return false;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return LoadFromBmp(data, size);
    QImage image;
    if (!image.loadFromData(data, static_cast<int>(size)) || image.isNull()) return false;
    // Keep to the formats the rest of the engine knows.
    switch (image.format()) {
        case QImage::Format_Mono:
        case QImage::Format_Indexed8:
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            break;
        case QImage::Format_Grayscale8:
            image = image.convertToFormat(QImage::Format_Indexed8, GreyRamp());
            break;
        default:
            image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                  : QImage::Format_RGB32);
            break;
    }
    if (image.isNull()) return false;
    m_Impl->Clear4();
    m_Impl->fifteen = false;
    m_Impl->image = std::move(image);
    return true;
}

bool Bitmap::SavePng(const std::string& hostPath) const {
    const QImage& image = QImageOf(*this);
    if (image.isNull()) return false;
    return image.save(QString::fromStdString(hostPath), "PNG");
}

}  // namespace platform
