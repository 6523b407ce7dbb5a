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

bool TDisplayImage::CopyImage(platform::Bitmap& out) const {
    if (m_Image.isNull()) return false;
    out.SetFormat(m_Image.width(), m_Image.height(), 32);
    QImage& image = platform::QImageOf(out);
    image = m_Image.convertToFormat(image.format());
    return true;
}

void TDisplayImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_Image);
}

void TDisplayImage::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp)
        OnMouseUp(event->button(), event->position().toPoint().x(),
                  event->position().toPoint().y());
}

void TDisplayImage::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) OnMouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}
