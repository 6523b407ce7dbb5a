// The picture scaled into the window: where it goes, what a pointer position means, and the
// first window's multiple of the game's size.
#include "shell/display_scaler.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <optional>
#include <vector>

#include "platform/virtual_clock.h"
#include "shell/display_image.h"

namespace {

using Filter = TDisplayScaler::Filter;

struct Probe {
    QPointF at;                  // logical position in the area
    std::optional<QPoint> game;  // nothing: on a bar
};

struct Case {
    const char* name;
    QSize game, area;
    double dpr;
    Filter filter;
    QRectF target;  // logical
    bool sharp;
    std::vector<Probe> probes;
};

const Case kCases[] = {
    {"own size",
     {800, 600},
     {800, 600},
     1,
     Filter::Smooth,
     {0, 0, 800, 600},
     true,
     {{{0, 0}, QPoint(0, 0)}, {{799.9, 599.9}, QPoint(799, 599)}, {{800, 10}, {}}}},
    {"twice, smooth",
     {800, 600},
     {1600, 1200},
     1,
     Filter::Smooth,
     {0, 0, 1600, 1200},
     false,
     {{{3, 5}, QPoint(1, 2)}, {{1599, 1199}, QPoint(799, 599)}}},
    {"twice, integer",
     {800, 600},
     {1600, 1200},
     1,
     Filter::Whole,
     {0, 0, 1600, 1200},
     true,
     {{{3, 5}, QPoint(1, 2)}, {{1599, 1199}, QPoint(799, 599)}}},
    // Wider than the game: bars left and right.
    {"wide, smooth",
     {800, 600},
     {1920, 1080},
     1,
     Filter::Smooth,
     {240, 0, 1440, 1080},
     false,
     {{{239, 500}, {}},
      {{240, 0}, QPoint(0, 0)},
      {{1679, 1079}, QPoint(799, 599)},
      {{1680, 10}, {}},
      {{960, 540}, QPoint(400, 300)}}},
    // Whole multiples only: once, centred, bars all round.
    {"wide, integer",
     {800, 600},
     {1920, 1080},
     1,
     Filter::Whole,
     {560, 240, 800, 600},
     true,
     {{{559, 300}, {}},
      {{560, 240}, QPoint(0, 0)},
      {{1359, 839}, QPoint(799, 599)},
      {{700, 239}, {}},
      {{1360, 500}, {}}}},
    {"640 on 1080p, integer",
     {640, 480},
     {1920, 1080},
     1,
     Filter::Whole,
     {320, 60, 1280, 960},
     true,
     {{{320, 60}, QPoint(0, 0)}, {{1599, 1019}, QPoint(639, 479)}, {{1600, 500}, {}}}},
    // Taller than the game: bars above and below.
    {"tall, smooth",
     {800, 600},
     {800, 1000},
     1,
     Filter::Smooth,
     {0, 200, 800, 600},
     true,
     {{{10, 199}, {}}, {{10, 200}, QPoint(10, 0)}, {{10, 800}, {}}}},
    // Device pixels count: at ratio 2 the logical 800 x 600 area holds the game once.
    {"ratio 2, integer",
     {800, 600},
     {800, 600},
     2,
     Filter::Whole,
     {0, 0, 800, 600},
     true,
     {{{0.4, 0.4}, QPoint(0, 0)}, {{799.6, 599.6}, QPoint(799, 599)}}},
    {"ratio 2, small area",
     {800, 600},
     {400, 300},
     2,
     Filter::Smooth,
     {0, 0, 400, 300},
     true,
     {{{0.4, 0.4}, QPoint(0, 0)}, {{399.9, 299.9}, QPoint(799, 599)}}},
    // At 1.5 the whole multiple is taken in device pixels: 800 x 600 of 1500 x 900.
    {"ratio 1.5, integer",
     {800, 600},
     {1000, 600},
     1.5,
     Filter::Whole,
     {350 / 1.5, 100, 800 / 1.5, 400},
     true,
     {{{350 / 1.5 + 0.1, 100.1}, QPoint(0, 0)}, {{350 / 1.5 - 0.1, 300}, {}}}},
    // Smaller than the game: no whole multiple fits, so it shrinks smoothly.
    {"shrunk, integer",
     {800, 600},
     {400, 300},
     1,
     Filter::Whole,
     {0, 0, 400, 300},
     false,
     {{{399, 299}, QPoint(798, 598)}}},
};

TEST(DisplayScalerTest, PlacesThePictureAndMapsPositionsBack) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const TDisplayScaler scaler(c.game, c.area, c.dpr, c.filter);
        const QRectF t = scaler.Target();
        EXPECT_NEAR(t.x(), c.target.x(), 1e-6);
        EXPECT_NEAR(t.y(), c.target.y(), 1e-6);
        EXPECT_NEAR(t.width(), c.target.width(), 1e-6);
        EXPECT_NEAR(t.height(), c.target.height(), 1e-6);
        EXPECT_EQ(scaler.Sharp(), c.sharp);
        for (const Probe& p : c.probes) {
            QPoint game(-9, -9);
            const bool on = scaler.ToGame(p.at, game);
            EXPECT_EQ(on, p.game.has_value()) << p.at.x() << "," << p.at.y();
            if (on && p.game) {
                EXPECT_EQ(game, *p.game) << p.at.x() << "," << p.at.y();
            }
        }
        // Every game pixel's centre maps back to that pixel.
        for (int x = 0; x < c.game.width(); x += 37)
            for (int y = 0; y < c.game.height(); y += 41) {
                QPoint back;
                ASSERT_TRUE(scaler.ToGame(scaler.FromGame({x, y}), back));
                EXPECT_EQ(back, QPoint(x, y));
            }
    }
}

// Alt+Enter clicks wherever the pointer is: on the bars and outside the area the positions go
// on past the picture's edges, and on the picture they are those of ToGame.
TEST(DisplayScalerTest, PositionsBeyondThePictureGoOnPastItsEdges) {
    struct Row {
        QSize game, area;
        double dpr;
        QPointF at;
        QPoint want;
    };
    const Row rows[] = {
        // 640 x 480 from (80, 0): bars left and right.
        {{320, 240}, {800, 480}, 1, {100, 50}, {10, 25}},
        {{320, 240}, {800, 480}, 1, {79, 200}, {-1, 100}},
        {{320, 240}, {800, 480}, 1, {0, 0}, {-40, 0}},
        {{320, 240}, {800, 480}, 1, {799, 479}, {359, 239}},
        {{320, 240}, {800, 480}, 1, {-20, -10}, {-50, -5}},
        // Device pixels: 800 x 600 from (350, 150) of 1500 x 900.
        {{800, 600}, {1000, 600}, 1.5, {0, 0}, {-350, -150}},
        {{800, 600}, {1000, 600}, 1.5, {999, 599}, {1148, 748}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.at.x()) + "," + std::to_string(r.at.y()));
        const TDisplayScaler scaler(r.game, r.area, r.dpr, Filter::Whole);
        EXPECT_EQ(scaler.ToGameBeyond(r.at), r.want);
        QPoint on;
        if (scaler.ToGame(r.at, on)) {
            EXPECT_EQ(on, r.want);
        }
    }
}

TEST(DisplayScalerTest, TheFirstWindowIsTheLargestWholeMultipleTheScreenHolds) {
    struct Row {
        QSize game, available;
        double dpr;
        int scale;
        QSize client;
    };
    const QSize frame(16, 48);
    const Row rows[] = {
        {{800, 600}, {2560, 1440}, 1, 2, {1600, 1200}},
        {{640, 480}, {1920, 1080}, 1, 2, {1280, 960}},
        {{800, 600}, {1920, 1080}, 1, 1, {800, 600}},
        {{800, 600}, {1024, 768}, 1, 1, {800, 600}},
        {{800, 600}, {640, 480}, 1, 1, {800, 600}},  // never below once
        // A 1600 x 1200 screen at scale factor 2: once in device pixels, not off the screen.
        {{800, 600}, {800, 600}, 2, 1, {400, 300}},
        // A 4K desktop at ratio 2: three times, not a postage stamp.
        {{800, 600}, {1920, 1080}, 2, 3, {1200, 900}},
        {{800, 600}, {1707, 960}, 1.5, 2, {1067, 800}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.available.width()) + "@" + std::to_string(r.dpr));
        const int scale = TDisplayScaler::InitialScale(r.game, r.available, r.dpr, frame);
        EXPECT_EQ(scale, r.scale);
        EXPECT_EQ(TDisplayScaler::ClientSize(r.game, scale, r.dpr), r.client);
    }
}

// The control itself: a release on a bar reaches nobody, one on the picture arrives in the
// picture's coordinates, at every size and with either filter.
TEST(DisplayImageTest, ClicksOnTheBarsGoNowhere) {
    platform::VirtualClock clock;
    struct Row {
        QSize widget;
        Filter filter;
        QPoint click;
        std::optional<QPoint> got;
    };
    const Row rows[] = {
        {{320, 240}, Filter::Smooth, {100, 50}, QPoint(100, 50)},
        {{640, 480}, Filter::Smooth, {639, 479}, QPoint(319, 239)},
        {{800, 480}, Filter::Smooth, {79, 200}, {}},
        {{800, 480}, Filter::Smooth, {80, 200}, QPoint(0, 100)},
        {{800, 480}, Filter::Whole, {80, 200}, QPoint(0, 100)},
        // Twice, centred: 640 x 480 from (30, 10).
        {{700, 500}, Filter::Whole, {29, 20}, {}},
        {{700, 500}, Filter::Whole, {31, 21}, QPoint(0, 5)},
        // 2.08 times: 667 x 500 from (16, 0).
        {{700, 500}, Filter::Smooth, {15, 30}, {}},
        {{700, 500}, Filter::Smooth, {16, 30}, QPoint(0, 14)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.widget.width()) + "x" + std::to_string(r.widget.height()));
        TDisplayImage image(nullptr, clock);
        image.SetImageSize(320, 240);
        image.SetFilter(r.filter);
        image.resize(r.widget);
        image.show();
        std::optional<QPoint> got;
        image.OnMouseUp = [&](Qt::MouseButton, int x, int y) { got = QPoint(x, y); };
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(r.click) + QPointF(0.5, 0.5),
                            image.mapToGlobal(QPointF(r.click)), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&image, &release);
        EXPECT_EQ(got, r.got);
    }
}

}  // namespace
