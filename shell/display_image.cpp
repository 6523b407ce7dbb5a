#include "shell/display_image.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <cmath>
#include <cstdio>

#include "platform/bitmap_qt.h"

namespace {

// One refresh of the widget's screen in whole milliseconds, rounded up; 60 Hz when unknown.
uint32_t RefreshMs(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    const double rate = screen && screen->refreshRate() >= 1 ? screen->refreshRate() : 60.0;
    return static_cast<uint32_t>(std::ceil(1000.0 / rate));
}

}  // namespace

TDisplayImage::TDisplayImage(QWidget* parent, platform::Clock& clock)
    : QWidget(parent), TDisplaySurface(clock) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_ReportFirstPaint = qEnvironmentVariableIsSet("VELMOR_REPORT_FIRST_FRAME");
    PumpEvents = [] { QCoreApplication::processEvents(); };
}

void TDisplayImage::SetImageSize(int width, int height) {
    m_Image = QImage(width, height, QImage::Format_RGB32);
    m_Image.fill(Qt::white);
    m_Moving = QImage();
    m_Pending = false;
    Rescale();
}

void TDisplayImage::SetFilter(TDisplayScaler::Filter filter) {
    m_Filter = filter;
    Rescale();
}

void TDisplayImage::Rescale() {
    m_Dpr = devicePixelRatioF();
    m_Scaler = TDisplayScaler(m_Image.size(), size(), m_Dpr, m_Filter);
    update();
}

void TDisplayImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Rescale();
}

void TDisplayImage::Present(const platform::Bitmap& frame, int left, int top) {
    SettleMoving();
    QPainter painter(&m_Image);
    painter.drawImage(left, top, platform::QImageOf(frame));
    painter.end();
    m_Presented = true;
    // A synchronous repaint, so the frame is on screen before any wait that follows.
    if (isVisible()) repaint();
}

void TDisplayImage::PresentArea(const platform::Bitmap& frame, int left, int top,
                                const TRect& area) {
    const QRect source = QRect(area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top)
                             .intersected(QRect(0, 0, frame.Width(), frame.Height()));
    if (source.isEmpty()) return;
    SettleMoving();
    QPainter painter(&m_Image);
    painter.drawImage(source.topLeft() + QPoint(left, top), platform::QImageOf(frame), source);
    painter.end();
    m_Presented = true;
    if (isVisible()) repaint();
}

void TDisplayImage::PresentMoving(const platform::Bitmap& frame, int left, int top) {
    const QImage& image = platform::QImageOf(frame);
    // A frame with transparency blends onto what lies under it, which only a copy keeps exact.
    if (image.isNull() || image.hasAlphaChannel()) return Present(frame, left, top);
    const QPoint at(left, top);
    if (!m_Moving.isNull() && image.cacheKey() == m_Moving.cacheKey()) {
        if (at == m_MovingAt) return;
        // What the frame uncovers keeps the frame's pixels, as drawing it there had left them.
        QPainter painter(&m_Image);
        for (const QRect& r : QRegion(MovingRect()).subtracted(QRegion(QRect(at, image.size()))))
            painter.drawImage(r.topLeft(), m_Moving, r.translated(-m_MovingAt));
    } else {
        SettleMoving();
        m_Moving = image;
    }
    m_MovingAt = at;
    m_Pending = true;
    m_Presented = true;
    PaintPaced();
}

void TDisplayImage::EndMoving() {
    if (m_Moving.isNull()) return;
    SettleMoving();
    if (m_Pending && isVisible()) repaint();
    m_Pending = false;
}

void TDisplayImage::ComposeMoving() {
    if (m_Moving.isNull()) return;
    QPainter painter(&m_Image);
    painter.drawImage(m_MovingAt, m_Moving);
}

void TDisplayImage::SettleMoving() {
    ComposeMoving();
    m_Moving = QImage();
}

void TDisplayImage::PaintPaced() {
    if (!isVisible()) return;
    if (m_Painted && Clock().TickCount() - m_LastPaint < RefreshMs(*this)) return;
    repaint();
}

bool TDisplayImage::CopyImage(platform::Bitmap& out) const {
    if (m_Image.isNull()) return false;
    QImage shown = m_Image;
    if (!m_Moving.isNull()) {
        QPainter painter(&shown);
        painter.drawImage(m_MovingAt, m_Moving);
    }
    out.SetFormat(m_Image.width(), m_Image.height(), 32);
    QImage& image = platform::QImageOf(out);
    image = shown.convertToFormat(image.format());
    return true;
}

bool TDisplayImage::ToImage(const QPointF& position, QPoint& out) const {
    return m_Scaler.ToGame(position, out);
}

void TDisplayImage::paintEvent(QPaintEvent*) {
    // The screen may have moved to one of another pixel ratio since the last resize.
    if (devicePixelRatioF() != m_Dpr) Rescale();
    m_LastPaint = Clock().TickCount();
    m_Painted = true;
    m_Pending = false;
    QPainter painter(this);
    if (!m_Scaler.Covers()) painter.fillRect(rect(), Qt::black);
    const QRectF target = m_Scaler.Target();
    const QPoint origin = target.topLeft().toPoint();
    if (!m_Moving.isNull() && m_Dpr == 1 && target.size() == QSizeF(m_Image.size()) &&
        QPointF(origin) == target.topLeft()) {
        // At the picture's own size the moving frame goes straight onto the window.
        const QRect screen = m_Image.rect();
        const QRect moving = MovingRect().intersected(screen);
        for (const QRect& r : QRegion(screen).subtracted(QRegion(moving)))
            painter.drawImage(r.topLeft() + origin, m_Image, r);
        if (!moving.isEmpty())
            painter.drawImage(moving.topLeft() + origin, m_Moving, moving.translated(-m_MovingAt));
        ReportFirstPaint();
        return;
    }
    ComposeMoving();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !m_Scaler.Sharp());
    painter.drawImage(m_Scaler.Target(), m_Image);
    ReportFirstPaint();
}

void TDisplayImage::ReportFirstPaint() {
    if (!m_ReportFirstPaint || !m_Presented) return;
    m_ReportFirstPaint = false;
    std::fputs("velmor: first frame painted\n", stderr);
    std::fflush(stderr);
}

void TDisplayImage::mouseReleaseEvent(QMouseEvent* event) {
    QPoint p;
    if (ToImage(event->position(), p) && OnMouseUp) OnMouseUp(event->button(), p.x(), p.y());
}

void TDisplayImage::mouseMoveEvent(QMouseEvent* event) {
    QPoint p;
    if (ToImage(event->position(), p) && OnMouseMove) OnMouseMove(p.x(), p.y());
}
