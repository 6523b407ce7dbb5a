// A frame moved over the window control shows, step by step and at the end, what presenting
// it each time shows; paints come at most once a refresh and the last step is always painted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <vector>

#include "platform/bitmap_qt.h"
#include "platform/virtual_clock.h"
#include "shell/display_image.h"

namespace {

constexpr int kW = 64, kH = 48;

platform::Bitmap Frame(int width, int height, int bits, uint32_t seed) {
    platform::Bitmap b;
    b.SetFormat(width, height, bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, (seed + static_cast<uint32_t>(x * 5 + y * 77)) & 0xFFFFFF);
    return b;
}

QImage Shown(const TDisplaySurface& surface) {
    platform::Bitmap out;
    EXPECT_TRUE(surface.CopyImage(out));
    return platform::QImageOf(out).convertToFormat(QImage::Format_RGB32);
}
QImage Painted(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

TEST(DisplayMovingTest, ShowsWhatPresentingEachStepShows) {
    struct Case {
        const char* name;
        QSize widget;  // 1:1 paints from the frame, twice the size from the composed image
        int width, height, bits;
        bool alpha;  // blends onto what is under it: presented as before
        std::vector<QPoint> steps;
    };
    const std::vector<QPoint> pan = {{-40, -30}, {-38, -29}, {-30, -20}, {-1, 0}, {0, 0}};
    const std::vector<QPoint> shake = {{0, -6}, {0, 1}, {0, 0}, {0, 0}};
    const std::vector<QPoint> around = {{5, 5}, {30, 20}, {-5, 40}, {50, -3}, {70, 10}, {6, 6}};
    const Case cases[] = {
        {"pan", {kW, kH}, 104, 78, 32, false, pan},
        {"pan scaled", {2 * kW, 2 * kH}, 104, 78, 32, false, pan},
        {"pan 24 bits", {kW, kH}, 104, 78, 24, false, pan},
        {"around with bars", {kW + 10, kH}, 20, 10, 24, false, around},
        {"shake", {kW, kH}, kW, kH, 32, false, shake},
        {"alpha", {kW, kH}, 20, 10, 32, true, around},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::VirtualClock clock(500);
        TDisplayImage moving(nullptr, clock), reference(nullptr, clock);
        for (TDisplayImage* image : {&moving, &reference}) {
            image->SetImageSize(kW, kH);
            image->SetFilter(TDisplayScaler::Filter::Whole);
            image->resize(c.widget);
            image->Present(Frame(kW, kH, 32, 0x123456), 0, 0);
        }
        moving.show();
        platform::Bitmap frame = Frame(c.width, c.height, c.bits, 0x40);
        if (c.alpha) {
            QImage& q = platform::QImageOf(frame);
            q = q.convertToFormat(QImage::Format_ARGB32);
            q.fill(qRgba(200, 10, 10, 128));
        }
        for (size_t i = 0; i < c.steps.size(); ++i) {
            // Halfway the frame changes: it is taken afresh.
            if (i == 3) frame.SetPixel(1, 1, 0xABCDEF);
            moving.PresentMoving(frame, c.steps[i].x(), c.steps[i].y());
            reference.Present(frame, c.steps[i].x(), c.steps[i].y());
            clock.Advance(2);
            ASSERT_EQ(Shown(moving), Shown(reference)) << "step " << i;
            ASSERT_EQ(Painted(moving), Painted(reference)) << "step " << i;
        }
        moving.EndMoving();
        EXPECT_EQ(moving.Image().convertToFormat(QImage::Format_RGB32),
                  reference.Image().convertToFormat(QImage::Format_RGB32));
        EXPECT_EQ(Painted(moving), Painted(reference));
    }
}

TEST(DisplayMovingTest, PaintsAtMostOnceARefreshAndAlwaysTheLastStep) {
    struct Case {
        uint32_t apart;  // ms between steps
        int steps, paints;
    };
    // The offscreen screen says 60 Hz: 17 ms between paints. Steps 2 ms apart paint at 0, 18,
    // 36, 54 and 72 ms, and the 40th step (78 ms) at the end; steps at the same place are not
    // painted again.
    const Case cases[] = {{2, 40, 6}, {20, 5, 5}, {17, 4, 4}, {1, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.apart);
        platform::VirtualClock clock(500);
        TDisplayImage image(nullptr, clock);
        image.SetImageSize(kW, kH);
        image.resize(kW, kH);
        image.show();
        QApplication::processEvents();  // the first exposure
        clock.Advance(100);
        PaintCounter counter;
        image.installEventFilter(&counter);
        const platform::Bitmap frame = Frame(2 * kW, kH, 32, 9);
        for (int i = 0; i < c.steps; ++i) {
            image.PresentMoving(frame, -i, 0);
            image.PresentMoving(frame, -i, 0);
            clock.Advance(c.apart);
        }
        image.EndMoving();
        image.EndMoving();  // nothing more to show
        EXPECT_EQ(counter.paints, c.paints);
        platform::Bitmap last = Frame(kW, kH, 32, 0);
        QPainter(&platform::QImageOf(last)).drawImage(-(c.steps - 1), 0, platform::QImageOf(frame));
        EXPECT_EQ(Shown(image), platform::QImageOf(last).convertToFormat(QImage::Format_RGB32));
    }
}
