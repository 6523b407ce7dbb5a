#include "shell/display_image.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include "platform/bitmap_qt.h"

TDisplayImage::TDisplayImage(QWidget* parent, platform::Clock& clock)
    : QWidget(parent), TDisplaySurface(clock) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    PumpEvents = [] { QCoreApplication::processEvents(); };
}

void TDisplayImage::SetImageSize(int width, int height) {
    m_Image = QImage(width, height, QImage::Format_RGB32);
    m_Image.fill(Qt::white);
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
    QPainter painter(&m_Image);
    painter.drawImage(left, top, platform::QImageOf(frame));
    painter.end();
    // A synchronous repaint, so the frame is on screen before any wait that follows.
    if (isVisible()) repaint();
}

void TDisplayImage::PresentArea(const platform::Bitmap& frame, int left, int top,
                                const TRect& area) {
    const QRect source = QRect(area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top)
                             .intersected(QRect(0, 0, frame.Width(), frame.Height()));
    if (source.isEmpty()) return;
    QPainter painter(&m_Image);
    painter.drawImage(source.topLeft() + QPoint(left, top), platform::QImageOf(frame), source);
    painter.end();
    if (isVisible()) repaint();
}

bool TDisplayImage::CopyImage(platform::Bitmap& out) const {
    if (m_Image.isNull()) return false;
    out.SetFormat(m_Image.width(), m_Image.height(), 32);
    QImage& image = platform::QImageOf(out);
    image = m_Image.convertToFormat(image.format());
    return true;
}

bool TDisplayImage::ToImage(const QPointF& position, QPoint& out) const {
    return m_Scaler.ToGame(position, out);
}

void TDisplayImage::paintEvent(QPaintEvent*) {
    // The screen may have moved to one of another pixel ratio since the last resize.
    if (devicePixelRatioF() != m_Dpr) Rescale();
    QPainter painter(this);
    if (!m_Scaler.Covers()) painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !m_Scaler.Sharp());
    painter.drawImage(m_Scaler.Target(), m_Image);
}

void TDisplayImage::mouseReleaseEvent(QMouseEvent* event) {
    QPoint p;
    if (ToImage(event->position(), p) && OnMouseUp) OnMouseUp(event->button(), p.x(), p.y());
}

void TDisplayImage::mouseMoveEvent(QMouseEvent* event) {
    QPoint p;
    if (ToImage(event->position(), p) && OnMouseMove) OnMouseMove(p.x(), p.y());
}
