#pragma once
#include <QImage>
#include <QWidget>
#include <functional>

#include "graphics/display_surface.h"
#include "shell/display_scaler.h"

// m_ImgPrim: the control every frame is presented on. It fills the window's client area and
// shows the picture of the project's screen size scaled into it, with black bars; the
// pointer's positions are mapped back to the picture's, and the bars take no input.
class TDisplayImage : public QWidget, public TDisplaySurface {
    Q_OBJECT
public:
    TDisplayImage(QWidget* parent, platform::Clock& clock);
    int Width() const override { return m_Image.width(); }
    int Height() const override { return m_Image.height(); }
    void Present(const platform::Bitmap& frame, int left, int top) override;
    void PresentArea(const platform::Bitmap& frame, int left, int top, const TRect& area) override;
    // The moving frame is shared, not copied; only the strips it uncovers go into the image,
    // and paints come no closer than one refresh of the screen.
    void PresentMoving(const platform::Bitmap& frame, int left, int top) override;
    void EndMoving() override;
    bool CopyImage(platform::Bitmap& out) const override;
    void SetImageSize(int width, int height);
    // Complete only outside a moving effect.
    const QImage& Image() const { return m_Image; }

    void SetFilter(TDisplayScaler::Filter filter);
    TDisplayScaler::Filter Filter() const { return m_Filter; }
    const TDisplayScaler& Scaler() const { return m_Scaler; }
    // Where the picture shows, in this widget's coordinates.
    QRectF PictureRect() const { return m_Scaler.Target(); }
    // A position in this widget to the picture's pixel; false on the bars.
    bool ToImage(const QPointF& position, QPoint& out) const;
    // The same, beyond the picture too (TDisplayScaler::ToGameBeyond).
    QPoint ToImageBeyond(const QPointF& position) const { return m_Scaler.ToGameBeyond(position); }

    std::function<void(Qt::MouseButton, int, int)> OnMouseUp;
    std::function<void(int, int)> OnMouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ReportFirstPaint();
    void Rescale();
    // The moving frame drawn into the image, which then holds all that shows; Settle lets it go.
    void ComposeMoving();
    void SettleMoving();
    QRect MovingRect() const { return QRect(m_MovingAt, m_Moving.size()); }
    // Paints now if a refresh has passed since the last paint; otherwise leaves it pending.
    void PaintPaced();
    QImage m_Image;
    // While an effect moves a frame: it, where it is, and whether that step is still unpainted.
    QImage m_Moving;
    QPoint m_MovingAt;
    bool m_Pending = false;
    uint32_t m_LastPaint = 0;
    bool m_Painted = false;
    TDisplayScaler::Filter m_Filter = TDisplayScaler::Filter::Smooth;
    TDisplayScaler m_Scaler;
    double m_Dpr = 1;
    bool m_Presented = false;
    // VELMOR_REPORT_FIRST_FRAME set: one line on standard error once a game frame is painted.
    bool m_ReportFirstPaint = false;
};
