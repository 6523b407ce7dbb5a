// Draws the demo game's pictures: backgrounds as PNG, JPEG and BMP, a standing character with
// soft edges, small faces and a masked ".vpp" picture. All of it is our own art, drawn here.
// Usage: velmor-demogen OUTPUT_FOLDER
#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cmath>
#include <cstdio>

namespace {

QString g_Out;
bool g_Ok = true;

// Written whole or not at all, so two builds drawing at once never leave half a file.
void Save(const QString& name, const QByteArray& bytes) {
    QSaveFile file(g_Out + "/" + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "velmor-demogen: cannot write %s\n", qPrintable(name));
        g_Ok = false;
    }
}

QByteArray Encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

void Stars(QPainter& p, int w, int h, int count, quint32 seed) {
    QRandomGenerator rng(seed);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const double x = rng.bounded(w), y = rng.bounded(h);
        const int a = 80 + rng.bounded(175);
        p.setBrush(QColor(255, 255, 230, a));
        const double r = rng.bounded(100) < 10 ? 1.6 : 0.8;
        p.drawEllipse(QPointF(x, y), r, r);
    }
}

void Waves(QPainter& p, int w, int top, int bottom, QColor colour, double phase) {
    for (int y = top; y < bottom; y += 6) {
        const double depth = double(y - top) / std::max(1, bottom - top);
        QColor c = colour;
        c.setAlpha(int(40 + 120 * depth));
        p.setPen(QPen(c, 1 + 2 * depth));
        QPainterPath path;
        const double amp = 1.5 + 4 * depth, len = 30 + 90 * depth;
        path.moveTo(0, y);
        for (int x = 0; x <= w; x += 8)
            path.lineTo(x, y + amp * std::sin(x / len + y * 0.7 + phase));
        p.drawPath(path);
    }
}

void Lighthouse(QPainter& p, double x, double base, double height, bool beam) {
    const double wb = height * 0.16, wt = height * 0.1;
    if (beam) {
        QPolygonF ray;
        ray << QPointF(x, base - height * 0.92) << QPointF(x - 520, base - height * 1.25)
            << QPointF(x - 520, base - height * 0.6);
        QLinearGradient g(x, 0, x - 520, 0);
        g.setColorAt(0, QColor(255, 240, 170, 150));
        g.setColorAt(1, QColor(255, 240, 170, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPolygon(ray);
    }
    QPolygonF tower;
    tower << QPointF(x - wb / 2, base) << QPointF(x + wb / 2, base)
          << QPointF(x + wt / 2, base - height * 0.85) << QPointF(x - wt / 2, base - height * 0.85);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 232, 224));
    p.drawPolygon(tower);
    p.setBrush(QColor(176, 44, 40));
    for (int band = 0; band < 3; ++band) {
        const double y0 = base - height * (0.15 + band * 0.25), y1 = y0 - height * 0.1;
        const double f0 = (base - y0) / (height * 0.85), f1 = (base - y1) / (height * 0.85);
        const double h0 = (wb + (wt - wb) * f0) / 2, h1 = (wb + (wt - wb) * f1) / 2;
        p.drawPolygon(QPolygonF() << QPointF(x - h0, y0) << QPointF(x + h0, y0)
                                  << QPointF(x + h1, y1) << QPointF(x - h1, y1));
    }
    p.setBrush(QColor(40, 40, 48));
    p.drawRect(QRectF(x - wt * 0.7, base - height * 0.98, wt * 1.4, height * 0.13));
    p.setBrush(QColor(255, 236, 150));
    p.drawRect(QRectF(x - wt * 0.45, base - height * 0.96, wt * 0.9, height * 0.08));
    p.setBrush(QColor(40, 40, 48));
    p.drawPolygon(QPolygonF() << QPointF(x - wt * 0.8, base - height * 0.98)
                              << QPointF(x + wt * 0.8, base - height * 0.98)
                              << QPointF(x, base - height * 1.06));
}

QImage Cape() {
    QImage img(800, 600, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 380);
    sky.setColorAt(0, QColor(38, 30, 78));
    sky.setColorAt(0.6, QColor(168, 82, 112));
    sky.setColorAt(1, QColor(246, 170, 98));
    p.fillRect(0, 0, 800, 380, sky);
    Stars(p, 800, 200, 90, 7);
    QLinearGradient sea(0, 380, 0, 600);
    sea.setColorAt(0, QColor(92, 70, 120));
    sea.setColorAt(1, QColor(20, 26, 60));
    p.fillRect(0, 380, 800, 220, sea);
    Waves(p, 800, 384, 600, QColor(250, 190, 140), 0.3);
    QPainterPath cliff;
    cliff.moveTo(420, 600);
    cliff.cubicTo(480, 470, 560, 420, 640, 400);
    cliff.lineTo(800, 390);
    cliff.lineTo(800, 600);
    p.fillPath(cliff, QColor(34, 28, 40));
    Lighthouse(p, 690, 398, 250, true);
    return img;
}

QImage SeaWide() {
    QImage img(1600, 1200, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 700);
    sky.setColorAt(0, QColor(6, 10, 34));
    sky.setColorAt(1, QColor(34, 58, 102));
    p.fillRect(0, 0, 1600, 700, sky);
    Stars(p, 1600, 650, 420, 11);
    QRadialGradient glow(1180, 230, 140);
    glow.setColorAt(0, QColor(255, 250, 220, 200));
    glow.setColorAt(0.35, QColor(255, 250, 220, 60));
    glow.setColorAt(1, QColor(255, 250, 220, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(1180, 230), 140, 140);
    p.setBrush(QColor(250, 246, 222));
    p.drawEllipse(QPointF(1180, 230), 44, 44);
    QLinearGradient sea(0, 700, 0, 1200);
    sea.setColorAt(0, QColor(26, 44, 84));
    sea.setColorAt(1, QColor(4, 8, 24));
    p.fillRect(0, 700, 1600, 500, sea);
    Waves(p, 1600, 704, 1200, QColor(150, 180, 230), 1.1);
    // The moon's path on the water.
    QRandomGenerator rng(3);
    for (int i = 0; i < 160; ++i) {
        const double y = 710 + rng.bounded(480), spread = 20 + (y - 700) * 0.35;
        const double x = 1180 + (rng.bounded(2000) / 1000.0 - 1) * spread;
        p.setBrush(QColor(255, 246, 200, 60 + rng.bounded(120)));
        p.drawRoundedRect(QRectF(x, y, 14 + rng.bounded(30), 2.5), 1, 1);
    }
    Lighthouse(p, 260, 760, 300, false);
    return img;
}

QImage Room() {
    QImage img(800, 600, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int x = 0; x < 800; x += 50) {
        const int tone = 92 + (x / 50 % 3) * 9;
        p.fillRect(x, 0, 50, 430, QColor(tone, tone * 62 / 100, tone * 38 / 100));
        p.fillRect(x, 0, 2, 430, QColor(50, 30, 20));
    }
    p.fillRect(0, 430, 800, 170, QColor(70, 44, 30));
    for (int y = 440; y < 600; y += 26) p.fillRect(0, y, 800, 2, QColor(50, 30, 20));
    // The window onto the night sea.
    p.fillRect(480, 80, 220, 190, QColor(60, 40, 26));
    QLinearGradient night(0, 92, 0, 258);
    night.setColorAt(0, QColor(10, 16, 44));
    night.setColorAt(1, QColor(40, 70, 120));
    p.fillRect(492, 92, 196, 166, night);
    p.fillRect(588, 92, 6, 166, QColor(60, 40, 26));
    p.fillRect(492, 172, 196, 6, QColor(60, 40, 26));
    // Lamp glow.
    QRadialGradient glow(220, 300, 260);
    glow.setColorAt(0, QColor(255, 210, 120, 150));
    glow.setColorAt(1, QColor(255, 210, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(220, 300), 260, 260);
    p.fillRect(90, 380, 280, 18, QColor(110, 70, 40));
    p.fillRect(110, 398, 16, 120, QColor(90, 56, 32));
    p.fillRect(334, 398, 16, 120, QColor(90, 56, 32));
    p.setBrush(QColor(200, 190, 150));
    p.drawRoundedRect(QRectF(200, 316, 40, 64), 8, 8);
    p.setBrush(QColor(255, 236, 160));
    p.drawEllipse(QPointF(220, 336), 12, 16);
    return img;
}

QImage Dawn() {
    QImage img(800, 600, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 360);
    sky.setColorAt(0, QColor(120, 150, 210));
    sky.setColorAt(0.7, QColor(250, 196, 200));
    sky.setColorAt(1, QColor(255, 226, 160));
    p.fillRect(0, 0, 800, 360, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 200));
    p.drawEllipse(QPointF(400, 360), 60, 60);
    QLinearGradient sea(0, 360, 0, 600);
    sea.setColorAt(0, QColor(240, 190, 170));
    sea.setColorAt(1, QColor(60, 100, 150));
    p.fillRect(0, 360, 800, 240, sea);
    Waves(p, 800, 364, 600, QColor(255, 240, 210), 2.0);
    Lighthouse(p, 110, 430, 180, false);
    return img;
}

QImage Storm() {
    QImage img(800, 600, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 600);
    sky.setColorAt(0, QColor(30, 32, 40));
    sky.setColorAt(0.55, QColor(70, 74, 86));
    sky.setColorAt(1, QColor(16, 20, 30));
    p.fillRect(0, 0, 800, 600, sky);
    p.setPen(QPen(QColor(230, 230, 255), 3));
    p.drawPolyline(QPolygonF() << QPointF(520, 0) << QPointF(490, 90) << QPointF(530, 110)
                               << QPointF(470, 250));
    Waves(p, 800, 360, 600, QColor(200, 210, 230), 0.7);
    QRandomGenerator rng(5);
    p.setPen(QPen(QColor(200, 210, 230, 110), 1));
    for (int i = 0; i < 500; ++i) {
        const double x = rng.bounded(820), y = rng.bounded(600);
        p.drawLine(QPointF(x, y), QPointF(x - 8, y + 26));
    }
    Lighthouse(p, 660, 420, 220, true);
    return img;
}

// Softens the outline: the opacity is blurred, the colours kept.
void Feather(QImage& img, int radius) {
    const int w = img.width(), h = img.height();
    std::vector<int> a(size_t(w) * h), t(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) a[size_t(y) * w + x] = qAlpha(img.pixel(x, y));
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int s = 0, n = 0;
                for (int k = -radius; k <= radius; ++k)
                    if (x + k >= 0 && x + k < w) s += a[size_t(y) * w + x + k], ++n;
                t[size_t(y) * w + x] = s / n;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int s = 0, n = 0;
                for (int k = -radius; k <= radius; ++k)
                    if (y + k >= 0 && y + k < h) s += t[size_t(y + k) * w + x], ++n;
                a[size_t(y) * w + x] = s / n;
            }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = img.pixel(x, y);
            img.setPixel(
                x, y,
                qRgba(qRed(c), qGreen(c), qBlue(c),
                      std::min(a[size_t(y) * w + x], qAlpha(c) ? 255 : a[size_t(y) * w + x])));
        }
}

struct Look {
    QColor hair, skin, coat, eyes;
    bool longHair;
    int mood;  // 0 smile, 1 surprised
};

void DrawFace(QPainter& p, QPointF c, double r, const Look& look) {
    p.setPen(Qt::NoPen);
    p.setBrush(look.hair);
    if (look.longHair)
        p.drawRoundedRect(QRectF(c.x() - r * 1.08, c.y() - r * 0.9, r * 2.16, r * 2.3), r * 0.5,
                          r * 0.5);
    p.setBrush(look.skin);
    p.drawEllipse(c, r * 0.9, r);
    p.setBrush(look.hair);
    QPainterPath fringe;
    fringe.moveTo(c.x() - r * 0.98, c.y() - r * 0.05);
    fringe.cubicTo(c.x() - r, c.y() - r * 1.25, c.x() + r, c.y() - r * 1.25, c.x() + r * 0.98,
                   c.y() - r * 0.05);
    fringe.cubicTo(c.x() + r * 0.5, c.y() - r * 0.55, c.x() - r * 0.2, c.y() - r * 0.4,
                   c.x() - r * 0.98, c.y() - r * 0.05);
    p.drawPath(fringe);
    p.setBrush(look.eyes);
    const double ey = c.y() + r * 0.1, eh = look.mood == 1 ? r * 0.2 : r * 0.16;
    p.drawEllipse(QPointF(c.x() - r * 0.35, ey), r * 0.11, eh);
    p.drawEllipse(QPointF(c.x() + r * 0.35, ey), r * 0.11, eh);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(c.x() - r * 0.32, ey - eh * 0.4), r * 0.04, r * 0.04);
    p.drawEllipse(QPointF(c.x() + r * 0.38, ey - eh * 0.4), r * 0.04, r * 0.04);
    p.setBrush(QColor(240, 150, 150, 120));
    p.drawEllipse(QPointF(c.x() - r * 0.55, c.y() + r * 0.38), r * 0.15, r * 0.08);
    p.drawEllipse(QPointF(c.x() + r * 0.55, c.y() + r * 0.38), r * 0.15, r * 0.08);
    p.setPen(QPen(QColor(150, 70, 60), std::max(1.0, r * 0.05)));
    p.setBrush(Qt::NoBrush);
    if (look.mood == 1)
        p.drawEllipse(QPointF(c.x(), c.y() + r * 0.55), r * 0.08, r * 0.1);
    else
        p.drawArc(QRectF(c.x() - r * 0.22, c.y() + r * 0.35, r * 0.44, r * 0.25), 200 * 16,
                  140 * 16);
}

const Look kKai{
    QColor(52, 40, 36), QColor(250, 222, 200), QColor(40, 64, 104), QColor(50, 70, 110), false, 0};
const Look kMio{QColor(170, 90, 60),
                QColor(252, 226, 210),
                QColor(220, 226, 236),
                QColor(120, 70, 40),
                true,
                0};

QImage Standing(const Look& look) {
    QImage img(300, 540, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Coat, arms and legs, then the head on top.
    p.setBrush(QColor(34, 34, 44));
    p.drawRoundedRect(QRectF(104, 400, 38, 136), 12, 12);
    p.drawRoundedRect(QRectF(158, 400, 38, 136), 12, 12);
    QPainterPath coat;
    coat.moveTo(150, 150);
    coat.cubicTo(90, 160, 70, 200, 72, 260);
    coat.lineTo(62, 440);
    coat.lineTo(238, 440);
    coat.lineTo(228, 260);
    coat.cubicTo(230, 200, 210, 160, 150, 150);
    p.setBrush(look.coat);
    p.drawPath(coat);
    p.setBrush(look.coat.darker(130));
    p.drawRoundedRect(QRectF(40, 190, 40, 190), 18, 18);
    p.drawRoundedRect(QRectF(220, 190, 40, 190), 18, 18);
    p.setBrush(look.skin);
    p.drawEllipse(QPointF(60, 386), 17, 17);
    p.drawEllipse(QPointF(240, 386), 17, 17);
    p.setBrush(QColor(230, 200, 120));
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(150, 200 + i * 55), 5, 5);
    DrawFace(p, QPointF(150, 92), 66, look);
    p.end();
    Feather(img, 1);
    return img;
}

QImage SmallFace(const Look& look) {
    QImage img(120, 120, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient frame(60, 60, 58);
    frame.setColorAt(0, QColor(250, 246, 236));
    frame.setColorAt(0.92, QColor(220, 214, 200));
    frame.setColorAt(1, QColor(140, 130, 120));
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawEllipse(QPointF(60, 60), 58, 58);
    p.setClipRegion(QRegion(4, 4, 112, 112, QRegion::Ellipse));
    DrawFace(p, QPointF(60, 70), 40, look);
    p.end();
    Feather(img, 1);
    return img;
}

// A masked picture: the mask white where transparent, the picture black there.
QByteArray MaskedFace(const Look& look) {
    QImage shape(120, 120, QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    QPainter p(&shape);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 226, 200));
    QPolygonF star;
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8, r = i % 2 ? 50 : 59;
        star << QPointF(60 + r * std::sin(a), 60 - r * std::cos(a));
    }
    p.drawPolygon(star);
    DrawFace(p, QPointF(60, 66), 36, look);
    p.end();
    QImage mask(120, 120, QImage::Format_RGB32), picture(120, 120, QImage::Format_RGB32);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x) {
            const QRgb c = shape.pixel(x, y);
            const bool clear = qAlpha(c) < 128;
            mask.setPixel(x, y, clear ? 0xFFFFFFFF : 0xFF000000);
            picture.setPixel(x, y, clear ? 0xFF000000 : qRgb(qRed(c), qGreen(c), qBlue(c)));
        }
    const QByteArray first = Encode(mask, "PNG"), second = Encode(picture, "PNG");
    QByteArray out("vpp");
    out.append(char(0));
    const quint32 l = quint32(8 + first.size());
    for (int i = 0; i < 4; ++i) out.append(char((l >> (8 * i)) & 0xFF));
    return out + first + second;
}

// A gallery cell: the picture at 300 x 225 in a thin light frame.
QImage Thumbnail(const QImage& picture) {
    QImage small = picture.scaled(300, 225, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    QPainter p(&small);
    p.setPen(QPen(QColor(230, 230, 210), 3));
    p.drawRect(QRectF(1.5, 1.5, 297, 222));
    return small;
}


// The picture menu of the second act: one button per way the night can go, plain and lit.
QImage MenuButton(const QString& caption, bool lit, bool storm) {
    QImage img(320, 64, QImage::Format_RGB888);
    img.fill(lit ? QColor(236, 196, 96) : QColor(28, 40, 78));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(lit ? QColor(255, 244, 200) : QColor(120, 140, 190), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 2.5, 315, 59));
    // A lamp or a bolt beside the caption.
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(120, 40, 20) : QColor(250, 220, 130));
    if (storm) {
        const QPointF bolt[] = {{34, 12}, {22, 36}, {32, 36}, {26, 54}, {44, 28}, {34, 28}, {40, 12}};
        p.drawPolygon(bolt, 7);
    } else {
        p.drawEllipse(QPointF(32, 30), 11, 14);
        p.fillRect(QRectF(26, 44, 12, 8), p.brush());
    }
    QFont font("IPAPGothic");
    font.setPixelSize(26);
    p.setFont(font);
    p.setPen(lit ? QColor(60, 30, 10) : QColor(240, 240, 250));
    p.drawText(QRectF(64, 0, 250, 64), Qt::AlignVCenter | Qt::AlignLeft, caption);
    return img;
}

// The short map day: the cape seen from above, and the two places on it.
QImage CoastMap() {
    QImage img(800, 600, QImage::Format_RGB888);
    img.fill(QColor(34, 86, 140));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Waves(p, 800, 0, 600, QColor(70, 130, 190), 0.5);
    QPainterPath land;
    land.moveTo(0, 0);
    land.lineTo(360, 0);
    land.cubicTo(420, 160, 300, 220, 360, 330);
    land.cubicTo(420, 440, 640, 420, 700, 600);
    land.lineTo(0, 600);
    land.closeSubpath();
    p.setPen(QPen(QColor(230, 214, 160), 14));
    p.setBrush(QColor(74, 120, 62));
    p.drawPath(land);
    p.setPen(QPen(QColor(200, 180, 120), 4, Qt::DashLine));
    p.drawLine(QPointF(190, 230), QPointF(520, 450));
    return img;
}

// A place or marker picture on magenta, which its bottom-left pixel gives as transparent.
QImage OnKey(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(QColor(255, 0, 255));
    return img;
}

QImage PlaceLighthouse() {
    QImage img = OnKey(60, 60);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 240, 240));
    const QPointF tower[] = {{22, 56}, {26, 14}, {34, 14}, {38, 56}};
    p.drawPolygon(tower, 4);
    p.fillRect(QRectF(24, 28, 12, 6), QColor(200, 40, 40));
    p.setBrush(QColor(255, 220, 90));
    p.drawEllipse(QPointF(30, 10), 6, 6);
    return img;
}

QImage PlaceBeach() {
    QImage img = OnKey(60, 60);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 220, 170));
    p.drawEllipse(QRectF(4, 30, 52, 24));
    p.setBrush(QColor(250, 160, 170));
    p.drawEllipse(QPointF(30, 40), 8, 6);
    return img;
}

QImage Marker(bool high) {
    QImage img = OnKey(24, 32);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 30, 30));
    const double top = high ? 2 : 8;
    const QPointF arrow[] = {{4, top}, {20, top}, {12, top + 22}};
    p.drawPolygon(arrow, 3);
    return img;
}
}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmor-demogen OUTPUT_FOLDER\n");
        return 2;
    }
    g_Out = QString::fromLocal8Bit(argv[1]);
    Save("bg_cape.png", Encode(Cape(), "PNG"));
    Save("bg_sea_wide.jpg", Encode(SeaWide(), "JPG", 88));
    Save("bg_room.bmp", Encode(Room(), "BMP"));
    Save("ev_dawn.png", Encode(Dawn(), "PNG"));
    Save("ev_storm.png", Encode(Storm(), "PNG"));
    Save("kai.png", Encode(Standing(kKai), "PNG"));
    Save("mio.png", Encode(Standing(kMio), "PNG"));
    Save("kai_s1.png", Encode(SmallFace(kKai), "PNG"));
    Look mio = kMio;
    Save("mio_s1.png", Encode(SmallFace(mio), "PNG"));
    mio.mood = 1;
    Save("mio_s2.png", Encode(SmallFace(mio), "PNG"));
    Save("kai_s2.vpp", MaskedFace(kKai));

    // The extras: gallery thumbnails (the storm picture has none and is scaled into its cell)
    // and the thumbnails of the two replayable endings.
    Save("ev_dawn_s.png", Encode(Thumbnail(Dawn()), "PNG"));
    Save("bg_room_s.png", Encode(Thumbnail(Room()), "PNG"));
    Save("sc_keep.png", Encode(Thumbnail(Dawn().mirrored(true, false)), "PNG"));
    Save("sc_storm.png", Encode(Thumbnail(Storm().mirrored(true, false)), "PNG"));
    Save("menu_keep.png", Encode(MenuButton(QString::fromUtf8("灯りを守る"), false, false), "PNG"));
    Save("menu_keep_on.png", Encode(MenuButton(QString::fromUtf8("灯りを守る"), true, false), "PNG"));
    Save("menu_storm.png", Encode(MenuButton(QString::fromUtf8("嵐を見に行く"), false, true), "PNG"));
    Save("menu_storm_on.png",
         Encode(MenuButton(QString::fromUtf8("嵐を見に行く"), true, true), "PNG"));
    Save("map_coast.png", Encode(CoastMap(), "PNG"));
    Save("map_lighthouse.bmp", Encode(PlaceLighthouse(), "BMP"));
    Save("map_beach.bmp", Encode(PlaceBeach(), "BMP"));
    Save("map_mark1.bmp", Encode(Marker(true), "BMP"));
    Save("map_mark2.bmp", Encode(Marker(false), "BMP"));
    return g_Ok ? 0 : 1;
}
