#pragma once
#include <QImage>
#include <QWidget>
#include <functional>

#include "graphics/display_surface.h"

// m_ImgPrim: the control every frame is presented on, at the project's screen size.
class TDisplayImage : public QWidget, public TDisplaySurface {
    Q_OBJECT
public:
    TDisplayImage(QWidget* parent, platform::Clock& clock);
    int Width() const override { return m_Image.width(); }
    int Height() const override { return m_Image.height(); }
    void Present(const platform::Bitmap& frame, int left, int top) override;
    void PresentArea(const platform::Bitmap& frame, int left, int top, const TRect& area) override;
    bool CopyImage(platform::Bitmap& out) const override;
    void SetImageSize(int width, int height);
    // Where the picture shows in the parent; another size than the picture's scales it, and
    // the pointer's positions are scaled back to the picture's.
    void SetDisplayRect(const QRect& rect);
    const QImage& Image() const { return m_Image; }

    std::function<void(Qt::MouseButton, int, int)> OnMouseUp;
    std::function<void(int, int)> OnMouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPoint ToImage(const QPointF& position) const;
    QImage m_Image;
};
