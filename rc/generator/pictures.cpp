#include "rc/generator/pictures.h"

#include <iconv.h>

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace rcgen {

namespace {

QString g_Family;

constexpr const char* kFontFiles[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
};

QFont UiFont(double pixelSize, int weight = QFont::Normal) {
    QFont font(g_Family);
    font.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QImage Transparent(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Deterministic noise: a small integer hash, no library random generator.
uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

QPen Pen(QRgb colour, double width) {
    QPen pen{QColor::fromRgba(colour)};
    pen.setWidthF(width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// Rank of each cell of an 8 x 8 ordered-dither matrix, 0..63: pixels leave the pattern in this
// order.
int BayerRank(int x, int y) {
    int rank = 0;
    for (int bit = 0; bit < 3; ++bit) {
        const int xb = (x >> bit) & 1;
        const int yb = (y >> bit) & 1;
        rank |= ((xb ^ yb) << (5 - 2 * bit)) | (yb << (4 - 2 * bit));
    }
    return rank;
}

void DrawPage(QPainter& p, const QRectF& r, QRgb fill) {
    QPainterPath page;
    const double fold = 3.5;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(Pen(palette::kInk, 1.0));
    p.setBrush(QColor::fromRgba(fill));
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(Qt::NoBrush);
    p.drawPath(corner);
}

void DrawGear(QPainter& p, QPointF c, double outer, double inner, double hole, QRgb colour) {
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = (i - 0.5) * M_PI * 2.0 / (teeth * 4);
        const double r = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(c, hole, hole);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(colour));
    p.drawPath(gear);
}

std::string ToCp932(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(static_cast<size_t>(utf8.size()) * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.constData());
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* dst = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

// RTF text: ASCII as is (with the RTF specials escaped), every other character as its
// Shift-JIS bytes in \'xx form so trail bytes such as 0x5C never read as control words.
std::string RtfText(const QString& text) {
    std::string out;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80) {
            if (u == '\\' || u == '{' || u == '}') out += '\\';
            out += static_cast<char>(u);
            continue;
        }
        for (const char b : ToCp932(QString(ch))) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\'%02x", static_cast<unsigned char>(b));
            out += hex;
        }
    }
    return out;
}

}  // namespace

bool LoadFonts() {
    for (const char* file : kFontFiles) {
        const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
        if (id < 0) continue;
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) {
            g_Family = families.front();
            return true;
        }
    }
    return false;
}

QString UiFamily() {
    return g_Family;
}

// ---------------------------------------------------------------------------------------------
// Menu and save-dialog icons, 16 x 16.

namespace {
void DrawMessageWindowIcon(QPainter& p) {
    using namespace palette;
    p.setPen(Pen(kInk, 1.0));
    p.setBrush(QColor(0xDD, 0xEB, 0xF2));
    p.drawRoundedRect(QRectF(1.5, 3.5, 13, 9), 2, 2);
    p.setPen(Pen(kAccent, 1.4));
    p.drawLine(QPointF(4.2, 6.5), QPointF(11.8, 6.5));
    p.drawLine(QPointF(4.2, 9.5), QPointF(9.0, 9.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kInk));
    p.drawPolygon(QPolygonF({QPointF(10.6, 8.6), QPointF(12.8, 8.6), QPointF(11.7, 10.4)}));
}
void DrawSkipIcon(QPainter& p) {
    using namespace palette;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kAccent));
    p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(7.5, 8), QPointF(1.5, 12.5)}));
    p.drawPolygon(QPolygonF({QPointF(7.0, 3.5), QPointF(13.0, 8), QPointF(7.0, 12.5)}));
    p.setBrush(QColor::fromRgba(kInk));
    p.drawRect(QRectF(13.0, 3.5, 1.8, 9));
}
void DrawAutoPlayIcon(QPainter& p) {
    using namespace palette;
    p.setPen(Pen(kAccent, 1.5));
    p.setBrush(QColor(0xE4, 0xF5, 0xF8));
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kInk));
    p.drawPolygon(QPolygonF({QPointF(6.4, 4.8), QPointF(11.2, 8), QPointF(6.4, 11.2)}));
}
void DrawSaveIcon(QPainter& p) {
    QPainterPath disk;
    disk.moveTo(2, 2);
    disk.lineTo(11.5, 2);
    disk.lineTo(14, 4.5);
    disk.lineTo(14, 14);
    disk.lineTo(2, 14);
    disk.closeSubpath();
    p.setPen(Pen(0xFF1F4E86, 1.0));
    p.setBrush(QColor(0x3C, 0x78, 0xC0));
    p.drawPath(disk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xDC, 0xE6, 0xF2));
    p.drawRect(QRectF(4.5, 2.5, 6, 4));
    p.setBrush(QColor(0x3C, 0x78, 0xC0));
    p.drawRect(QRectF(8.3, 3.2, 1.4, 2.6));
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawRoundedRect(QRectF(4, 8.5, 8, 5), 0.8, 0.8);
    p.setPen(Pen(0xFF9AB3D3, 0.9));
    p.drawLine(QPointF(5.5, 10.3), QPointF(10.5, 10.3));
    p.drawLine(QPointF(5.5, 12.0), QPointF(10.5, 12.0));
}
void DrawReturnIcon(QPainter& p) {
    using namespace palette;
    QPainterPath path;
    path.moveTo(13, 13.5);
    path.lineTo(13, 9);
    path.cubicTo(13, 6, 11, 5, 8.5, 5);
    path.lineTo(4.5, 5);
    p.setPen(Pen(kAccent, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kAccent));
    p.drawPolygon(QPolygonF({QPointF(5.8, 1.4), QPointF(1.2, 5), QPointF(5.8, 8.6)}));
}
void DrawOptionIcon(QPainter& p) {
    DrawGear(p, QPointF(8, 8), 7.2, 5.2, 2.3, 0xFF56627A);
}
void DrawLogIcon(QPainter& p) {
    using namespace palette;
    DrawPage(p, QRectF(2.5, 1.5, 11, 13), 0xFFFFFFFF);
    p.setPen(Pen(kAccent, 1.2));
    for (int i = 0; i < 4; ++i) {
        const double y = 5.0 + i * 2.6;
        p.drawLine(QPointF(4.8, y), QPointF(i == 3 ? 8.5 : 11.2, y));
    }
}
void DrawSnapIcon(QPainter& p) {
    using namespace palette;
    p.setPen(Pen(kInk, 1.0));
    p.setBrush(QColor(0x4A, 0x56, 0x70));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 2, 2);
    p.drawRoundedRect(QRectF(5, 2.5, 5, 2.5), 0.8, 0.8);
    p.setBrush(QColor(0xE8, 0xEE, 0xF6));
    p.drawEllipse(QPointF(8, 9), 3.3, 3.3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kAccent));
    p.drawEllipse(QPointF(8, 9), 1.8, 1.8);
    p.setBrush(QColor(0xF5, 0xC1, 0x42));
    p.drawEllipse(QPointF(12.3, 6.6), 0.9, 0.9);
}
void DrawExitIcon(QPainter& p) {
    using namespace palette;
    p.setPen(Pen(kInk, 1.0));
    p.setBrush(QColor(0xE9, 0xE2, 0xD6));
    p.drawRect(QRectF(2.5, 1.5, 7, 13));
    p.setBrush(QColor::fromRgba(kInk));
    p.drawEllipse(QPointF(7.6, 8.5), 0.6, 0.6);
    p.setPen(Pen(0xFFD0483F, 1.8));
    p.drawLine(QPointF(7.5, 8), QPointF(12.5, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x48, 0x3F));
    p.drawPolygon(QPolygonF({QPointF(10.8, 4.8), QPointF(14.6, 8), QPointF(10.8, 11.2)}));
}
void DrawNewIcon(QPainter& p) {
    DrawPage(p, QRectF(2.5, 1.5, 10, 13), 0xFFFFFFFF);
    p.setPen(Pen(0xFFB9C3D3, 1.0));
    p.drawLine(QPointF(4.5, 5.5), QPointF(9.5, 5.5));
    p.drawLine(QPointF(4.5, 8.0), QPointF(8.0, 8.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2F, 0xA8, 0x5E));
    p.drawEllipse(QPointF(11.4, 11.4), 3.9, 3.9);
    p.setPen(Pen(0xFFFFFFFF, 1.5));
    p.drawLine(QPointF(11.4, 9.4), QPointF(11.4, 13.4));
    p.drawLine(QPointF(9.4, 11.4), QPointF(13.4, 11.4));
}
void DrawLoadIcon(QPainter& p) {
    QPainterPath back;
    back.moveTo(1.5, 3);
    back.lineTo(6, 3);
    back.lineTo(7.5, 4.8);
    back.lineTo(13.5, 4.8);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(Pen(0xFFA9771C, 1.0));
    p.setBrush(QColor(0xE6, 0xB4, 0x50));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(3.5, 7.3);
    front.lineTo(15.2, 7.3);
    front.lineTo(13.5, 13.5);
    front.lineTo(1.5, 13.5);
    front.closeSubpath();
    p.setBrush(QColor(0xF7, 0xD3, 0x7A));
    p.drawPath(front);
}
void DrawDeleteIcon(QPainter& p) {
    p.setPen(Pen(0xFF9E2F2A, 1.0));
    p.setBrush(QColor(0xD9, 0x53, 0x4F));
    QPainterPath can;
    can.moveTo(3.5, 5);
    can.lineTo(12.5, 5);
    can.lineTo(11.5, 14.5);
    can.lineTo(4.5, 14.5);
    can.closeSubpath();
    p.drawPath(can);
    p.drawRoundedRect(QRectF(2, 3, 12, 2), 0.8, 0.8);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(6, 1.2, 4, 1.8), 0.6, 0.6);
    p.setPen(Pen(0xFFF6D3D1, 1.0));
    for (const double x : {6.2, 8.0, 9.8}) p.drawLine(QPointF(x, 7.2), QPointF(x, 12.5));
}
void DrawEjectIcon(QPainter& p) {
    using namespace palette;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kInk));
    p.drawPolygon(QPolygonF({QPointF(2, 9.2), QPointF(8, 2.5), QPointF(14, 9.2)}));
    p.setBrush(QColor::fromRgba(kAccent));
    p.drawRoundedRect(QRectF(2, 11, 12, 2.8), 0.8, 0.8);
}
void DrawRewriteIcon(QPainter& p) {
    using namespace palette;
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    p.setPen(Pen(0xFF8A5A12, 0.9));
    p.setBrush(QColor(0xF2, 0xA9, 0x3B));
    p.drawRect(QRectF(-4.5, -2, 8.5, 4));
    p.setBrush(QColor(0xE8, 0x8F, 0x9A));
    p.drawRect(QRectF(4, -2, 2.4, 4));
    p.setBrush(QColor(0xF3, 0xDE, 0xB8));
    p.drawPolygon(QPolygonF({QPointF(-4.5, -2), QPointF(-7.5, 0), QPointF(-4.5, 2)}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kInk));
    p.drawPolygon(QPolygonF({QPointF(-6.4, -0.75), QPointF(-7.6, 0), QPointF(-6.4, 0.75)}));
    p.restore();
    p.setPen(Pen(kAccent, 1.2));
    p.drawLine(QPointF(8.5, 14.5), QPointF(14.5, 14.5));
}

struct MenuIconDrawing {
    const char* name;
    void (*draw)(QPainter&);
};

constexpr MenuIconDrawing kMenuIcons[] = {
    {"MESSWINDOW", DrawMessageWindowIcon},
    {"SKIP", DrawSkipIcon},
    {"AUTOPLAY", DrawAutoPlayIcon},
    {"SAVE", DrawSaveIcon},
    {"RETURN", DrawReturnIcon},
    {"OPTION", DrawOptionIcon},
    {"LOG", DrawLogIcon},
    {"SNAP", DrawSnapIcon},
    {"EXIT", DrawExitIcon},
    {"NEW", DrawNewIcon},
    {"LOAD", DrawLoadIcon},
    {"DELETE", DrawDeleteIcon},
    {"EJECT", DrawEjectIcon},
    {"REWRITE", DrawRewriteIcon},
};

}  // namespace

QImage MenuIcon(const QString& name) {
    QImage image = Transparent(16, 16);
    QPainter p(&image);
    Smooth(p);
    for (const MenuIconDrawing& icon : kMenuIcons) {
        if (name == QLatin1String(icon.name)) {
            icon.draw(p);
            break;
        }
    }
    p.end();
    return image;
}

// ---------------------------------------------------------------------------------------------
// Dialog pictures.

QImage Wallpaper() {
    // A fine woven texture: two faint diagonal families and a little grain, period 64.
    QImage image(64, 64, QImage::Format_RGB32);
    const QColor ground = QColor::fromRgb(palette::kPaper);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            int shade = 0;
            if ((x + y) % 16 == 0) shade -= 5;
            if ((x - y + 64) % 16 == 0) shade -= 5;
            if ((x + y) % 16 == 8 && (x - y + 64) % 16 == 8) shade += 5;
            shade +=
                static_cast<int>(Hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 7) % 5) -
                2;
            image.setPixel(x, y,
                           qRgb(std::clamp(ground.red() + shade, 0, 255),
                                std::clamp(ground.green() + shade, 0, 255),
                                std::clamp(ground.blue() + shade + 1, 0, 255)));
        }
    }
    return image;
}

QImage TitlePicture() {
    const int w = 300, h = 90;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    Smooth(p);
    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0, QColor(0x1F, 0x26, 0x3D));
    sky.setColorAt(1, QColor(0x12, 0x16, 0x24));
    p.fillRect(image.rect(), sky);
    QRadialGradient glow(QPointF(w * 0.78, h * 0.2), w * 0.6);
    glow.setColorAt(0, QColor(0x2A, 0x9D, 0xB5, 90));
    glow.setColorAt(1, QColor(0x2A, 0x9D, 0xB5, 0));
    p.fillRect(image.rect(), glow);
    // A few quiet stars, kept clear of the lettering.
    for (uint32_t i = 0; i < 60; ++i) {
        const double x = Hash(i, 1, 11) % w;
        const double y = Hash(i, 2, 11) % h;
        if (x < 250 && y > 8 && y < 76) continue;
        const int a = 40 + static_cast<int>(Hash(i, 3, 11) % 120);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, a));
        p.drawEllipse(QPointF(x + 0.5, y + 0.5), 0.7, 0.7);
    }
    QFont font = UiFont(46, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(font);
    QPainterPath word;
    word.addText(QPointF(24, 54), font, QStringLiteral("velmor"));
    QLinearGradient ink(0, 14, 0, 56);
    ink.setColorAt(0, QColor(0xF4, 0xF7, 0xFB));
    ink.setColorAt(1, QColor(0xA9, 0xDD, 0xE8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(word.translated(1.5, 2));
    p.setBrush(ink);
    p.drawPath(word);
    p.setBrush(QColor::fromRgba(palette::kAccentLight));
    p.drawRoundedRect(QRectF(26, 63, 46, 3), 1.5, 1.5);
    p.setFont(UiFont(12));
    p.setPen(QColor(0xC9, 0xD3, 0xE3));
    p.drawText(QPointF(80, 68), QStringLiteral("visual novel engine"));
    p.setPen(QColor(0x8C, 0x98, 0xAE));
    p.setFont(UiFont(11));
    p.drawText(QRectF(0, h - 20, w - 10, 16), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("0.1.0"));
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage ProgramIcon(int size) {
    const double u = size / 64.0;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    Smooth(p);
    const QRectF tile(1.5 * u, 1.5 * u, size - 3 * u, size - 3 * u);
    QPainterPath shape;
    shape.addRoundedRect(tile, 12 * u, 12 * u);
    p.setClipPath(shape);
    QLinearGradient sky(0, 0, size, size);
    sky.setColorAt(0, QColor(0x1F, 0x26, 0x3D));
    sky.setColorAt(1, QColor(0x12, 0x16, 0x24));
    p.fillRect(image.rect(), sky);
    QRadialGradient glow(QPointF(size * 0.78, size * 0.2), size * 0.75);
    glow.setColorAt(0, QColor(0x2A, 0x9D, 0xB5, 110));
    glow.setColorAt(1, QColor(0x2A, 0x9D, 0xB5, 0));
    p.fillRect(image.rect(), glow);
    if (size >= 32) {
        for (uint32_t i = 0; i < 14; ++i) {
            const double x = (Hash(i, 1, 17) % 64) * u;
            const double y = (Hash(i, 2, 17) % 22) * u;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 60 + static_cast<int>(Hash(i, 3, 17) % 110)));
            p.drawEllipse(QPointF(x, y + 3 * u), 0.6 * u, 0.6 * u);
        }
    }
    // The title's first letter, in its ink, over its accent bar.
    QFont font = UiFont(46 * u, QFont::Bold);
    QPainterPath letter;
    letter.addText(QPointF(0, 0), font, QStringLiteral("v"));
    const QRectF box = letter.boundingRect();
    letter.translate(size / 2.0 - box.center().x(), 35 * u - box.center().y());
    QLinearGradient ink(0, 16 * u, 0, 52 * u);
    ink.setColorAt(0, QColor(0xF4, 0xF7, 0xFB));
    ink.setColorAt(1, QColor(0xA9, 0xDD, 0xE8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(letter.translated(1.2 * u, 1.6 * u));
    p.setBrush(ink);
    p.drawPath(letter);
    p.setBrush(QColor::fromRgba(palette::kAccentLight));
    p.drawRoundedRect(QRectF(18 * u, 52 * u, 28 * u, 3.2 * u), 1.6 * u, 1.6 * u);
    p.setClipping(false);
    p.setPen(Pen(0x50FFFFFF, std::max(1.0, u)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage DialogButton(bool ok, bool pressed) {
    // The size of the options dialog's picture buttons.
    const int w = 141, h = 38;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgb(palette::kPaper));
    QPainter p(&image);
    Smooth(p);
    const double shift = pressed ? 1.0 : 0.0;
    const QRectF body(1.5, 1.5 + shift, w - 3, h - 4);
    if (!pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 28));
        p.drawRoundedRect(body.translated(0, 1.5), 8, 8);
    }
    QLinearGradient fill(0, body.top(), 0, body.bottom());
    QColor top, bottom, border, text;
    if (ok) {
        top = pressed ? QColor(0x1E, 0x7F, 0x95) : QColor(0x3F, 0xB4, 0xCB);
        bottom = pressed ? QColor(0x23, 0x8C, 0xA3) : QColor(0x25, 0x92, 0xAA);
        border = QColor(0x1B, 0x6F, 0x82);
        text = QColor(0xFF, 0xFF, 0xFF);
    } else {
        top = pressed ? QColor(0xD8, 0xDD, 0xE5) : QColor(0xFF, 0xFF, 0xFF);
        bottom = pressed ? QColor(0xE3, 0xE7, 0xED) : QColor(0xE6, 0xEA, 0xF0);
        border = QColor(0xA8, 0xB1, 0xC0);
        text = QColor::fromRgb(palette::kInk);
    }
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    QPen pen(border);
    pen.setWidthF(1.0);
    p.setPen(pen);
    p.setBrush(fill);
    p.drawRoundedRect(body, 8, 8);
    if (!pressed) {
        p.setPen(QPen(QColor(255, 255, 255, ok ? 70 : 200), 1.0));
        p.drawLine(QPointF(body.left() + 8, body.top() + 1.5),
                   QPointF(body.right() - 8, body.top() + 1.5));
    }
    p.setPen(text);
    p.setFont(UiFont(15, ok ? QFont::Bold : QFont::Normal));
    p.drawText(body.translated(0, 0.5), Qt::AlignCenter,
               ok ? QStringLiteral("OK") : QString::fromUtf8("キャンセル"));
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

// ---------------------------------------------------------------------------------------------
// Effect patterns and the message window.

QImage SandPattern(int step, bool white) {
    // Step n keeps round(64 * (7 - n) / 7) pixels: all at step 0, none at step 7, and each step
    // keeps a subset of the one before because pixels leave in a fixed rank order.
    const int kept = (64 * (7 - step) + 3) / 7;
    QImage image(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool keep = BayerRank(x, y) < kept;
            const bool on = white ? !keep : keep;
            image.setPixel(x, y, on ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    return image;
}

QImage MessageWindow() {
    const int w = 760, h = 150;
    QImage image = Transparent(w, h);
    QPainter p(&image);
    Smooth(p);
    const QRectF outer(0.5, 0.5, w - 1, h - 1);
    const double radius = 16;
    QLinearGradient fill(0, 0, 0, h);
    fill.setColorAt(0, QColor(0x1C, 0x23, 0x38, 196));
    fill.setColorAt(0.55, QColor(0x12, 0x17, 0x27, 206));
    fill.setColorAt(1, QColor(0x0C, 0x10, 0x1C, 218));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(outer, radius, radius);
    // A soft sheen over the upper part.
    QLinearGradient sheen(0, 0, 0, h * 0.5);
    sheen.setColorAt(0, QColor(255, 255, 255, 22));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawRoundedRect(outer.adjusted(1, 1, -1, -h * 0.45), radius - 1, radius - 1);
    // Thin light border with a faint inner line.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xE6, 0xEE, 0xF8, 150), 1.5));
    p.drawRoundedRect(outer.adjusted(0.75, 0.75, -0.75, -0.75), radius - 0.5, radius - 0.5);
    p.setPen(QPen(QColor(255, 255, 255, 26), 1.0));
    p.drawRoundedRect(outer.adjusted(4, 4, -4, -4), radius - 4, radius - 4);
    // Accent tab at the top left, where a speaker's name would sit.
    QLinearGradient accent(24, 0, 140, 0);
    accent.setColorAt(0, QColor(0x6F, 0xD0, 0xE0, 230));
    accent.setColorAt(1, QColor(0x6F, 0xD0, 0xE0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawRoundedRect(QRectF(24, 10, 140, 2.5), 1.25, 1.25);
    p.end();
    return image;
}

// ---------------------------------------------------------------------------------------------
// Gallery.

QImage GalleryBackground() {
    const int w = 800, h = 600;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    Smooth(p);
    QLinearGradient ground(0, 0, 0, h);
    ground.setColorAt(0, QColor(0x22, 0x29, 0x3F));
    ground.setColorAt(1, QColor(0x12, 0x15, 0x21));
    p.fillRect(image.rect(), ground);
    QRadialGradient light(QPointF(w * 0.35, h * 0.28), w * 0.7);
    light.setColorAt(0, QColor(0x3A, 0x66, 0x86, 70));
    light.setColorAt(1, QColor(0x3A, 0x66, 0x86, 0));
    p.fillRect(image.rect(), light);
    // A quiet dot grid, every 20 pixels so it lines up with the default cell gaps.
    p.setPen(Qt::NoPen);
    for (int y = 10; y < h; y += 20) {
        for (int x = 10; x < w; x += 20) {
            p.setBrush(QColor(255, 255, 255, 10 + static_cast<int>(Hash(x, y, 3) % 8)));
            p.drawEllipse(QPointF(x, y), 0.9, 0.9);
        }
    }
    // Fine diagonal light streaks.
    for (int i = 0; i < 5; ++i) {
        QLinearGradient streak(0, 0, w, h);
        streak.setColorAt(0, QColor(255, 255, 255, 0));
        streak.setColorAt(0.5, QColor(255, 255, 255, 9));
        streak.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(QPen(QBrush(streak), 30 + i * 12));
        p.drawLine(QPointF(-100 + i * 210, h + 50), QPointF(300 + i * 210, -50));
    }
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage NeverSeen() {
    const int w = 160, h = 120;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    Smooth(p);
    QLinearGradient ground(0, 0, 0, h);
    ground.setColorAt(0, QColor(0x2C, 0x33, 0x4A));
    ground.setColorAt(1, QColor(0x1E, 0x23, 0x34));
    p.fillRect(image.rect(), ground);
    p.setPen(QPen(QColor(255, 255, 255, 14), 6));
    for (int x = -h; x < w; x += 18) p.drawLine(QPointF(x, h), QPointF(x + h, 0));
    p.setPen(QPen(QColor(0x6F, 0xD0, 0xE0, 110), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    p.setPen(QPen(QColor(255, 255, 255, 20), 1.0));
    p.drawRect(QRectF(3.5, 3.5, w - 7, h - 7));
    // Padlock.
    const QPointF c(w / 2.0, 50);
    p.setPen(QPen(QColor(0xB9, 0xC6, 0xDA), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 9, c.y() - 20, 18, 20), 0, 180 * 16);
    p.drawLine(QPointF(c.x() - 9, c.y() - 10), QPointF(c.x() - 9, c.y() - 4));
    p.drawLine(QPointF(c.x() + 9, c.y() - 10), QPointF(c.x() + 9, c.y() - 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xB9, 0xC6, 0xDA));
    p.drawRoundedRect(QRectF(c.x() - 14, c.y() - 5, 28, 22), 4, 4);
    p.setBrush(QColor(0x2A, 0x31, 0x46));
    p.drawEllipse(QPointF(c.x(), c.y() + 4), 3, 3);
    p.drawRect(QRectF(c.x() - 1.2, c.y() + 5, 2.4, 6));
    QFont font = UiFont(12, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    p.setFont(font);
    p.setPen(QColor(0x9A, 0xA8, 0xC0));
    p.drawText(QRectF(0, 78, w, 20), Qt::AlignCenter, QStringLiteral("NOT YET SEEN"));
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage GalleryButton(const QString& kind, bool pressed) {
    const int w = 100, h = 40;
    QImage image = Transparent(w, h);
    QPainter p(&image);
    Smooth(p);
    const double shift = pressed ? 1.0 : 0.0;
    const QRectF body(1, 1 + shift, w - 2, h - 3);
    QLinearGradient fill(0, body.top(), 0, body.bottom());
    if (pressed) {
        fill.setColorAt(0, QColor(0x2A, 0x9D, 0xB5));
        fill.setColorAt(1, QColor(0x1F, 0x7E, 0x93));
    } else {
        fill.setColorAt(0, QColor(0x3A, 0x44, 0x62));
        fill.setColorAt(1, QColor(0x2A, 0x31, 0x48));
    }
    p.setPen(QPen(pressed ? QColor(0xA6, 0xE6, 0xF0) : QColor(0x8F, 0xA3, 0xC8), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(body, h / 2.0 - 2, h / 2.0 - 2);
    const QColor ink = pressed ? QColor(255, 255, 255) : QColor(0xE4, 0xEA, 0xF4);
    QString label;
    QPainterPath glyph;
    const double cy = body.center().y();
    if (kind == "PREV") {
        label = QStringLiteral("PREV");
        glyph.moveTo(22, cy - 6);
        glyph.lineTo(16, cy);
        glyph.lineTo(22, cy + 6);
    } else if (kind == "NEXT") {
        label = QStringLiteral("NEXT");
        glyph.moveTo(w - 22, cy - 6);
        glyph.lineTo(w - 16, cy);
        glyph.lineTo(w - 22, cy + 6);
    } else {
        label = QStringLiteral("EXIT");
        glyph.moveTo(15, cy - 5);
        glyph.lineTo(25, cy + 5);
        glyph.moveTo(25, cy - 5);
        glyph.lineTo(15, cy + 5);
    }
    p.setPen(QPen(pressed ? ink : QColor::fromRgb(palette::kAccentLight), 2.2, Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(glyph);
    QFont font = UiFont(14, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(font);
    p.setPen(ink);
    const QRectF textRect =
        kind == "NEXT" ? body.adjusted(8, 0, -24, 0) : body.adjusted(24, 0, -8, 0);
    p.drawText(textRect.translated(0, 0.5), Qt::AlignCenter, label);
    p.end();
    return image;
}

// ---------------------------------------------------------------------------------------------
// About text.

QByteArray AboutDocument() {
    std::string rtf;
    rtf += "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1041";
    rtf += "{\\fonttbl{\\f0\\fswiss\\fcharset128 Sans;}}";
    rtf +=
        "{\\colortbl;\\red42\\green157\\blue181;\\red47\\green58\\blue82;"
        "\\red110\\green120\\blue140;}\n";
    rtf += "\\viewkind4\\uc1\\pard\\f0\\fs36\\b\\cf1 velmor\\b0\\fs20\\cf2\\par\n";
    rtf += RtfText(QString::fromUtf8("ビジュアルノベル・アドベンチャーゲームエンジン")) + "\\par\n";
    rtf += RtfText(QString::fromUtf8("バージョン 0.1.0.0")) + "\\par\n\\par\n";
    rtf +=
        RtfText(QString::fromUtf8(
            "シナリオスクリプトに書かれた物語を、背景・立ち絵・メッセージ・音楽・効果音・ボイス・"
            "ムービーとともに再生します。")) +
        "\\par\n";
    rtf += RtfText(QString::fromUtf8(
               "セーブとロード、メッセージ履歴、CGモード、シーン回想にも対応しています。")) +
           "\\par\n\\par\n";
    rtf += "\\cf3\\fs18 " +
           RtfText(QString::fromUtf8("このライブラリの画像・パターン・文書は、すべて velmor "
                                     "のビルドが自ら描いたものです。")) +
           "\\par\n";
    rtf += "velmor - an engine for scripted visual novels and adventure games.\\par\n}\n";
    return QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size()));
}

}  // namespace rcgen
