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
    setFixedSize(width, height);
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

void TDisplayImage::SetDisplayRect(const QRect& rect) {
    setFixedSize(rect.size());
    move(rect.topLeft());
}

QPoint TDisplayImage::ToImage(const QPointF& position) const {
    if (size() == m_Image.size() || width() <= 0 || height() <= 0) return position.toPoint();
    return QPoint(static_cast<int>(position.x() * m_Image.width() / width()),
                  static_cast<int>(position.y() * m_Image.height() / height()));
}

void TDisplayImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (size() == m_Image.size()) {
        painter.drawImage(0, 0, m_Image);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_Image);
    }
}

void TDisplayImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = ToImage(event->position());
    if (OnMouseUp) OnMouseUp(event->button(), p.x(), p.y());
}

void TDisplayImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = ToImage(event->position());
    if (OnMouseMove) OnMouseMove(p.x(), p.y());
}
