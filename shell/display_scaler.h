#pragma once
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>

// Where the game's picture goes in an area and back: aspect kept, centred, black around it.
// The arithmetic is in device pixels, so whole-number scaling stays whole on a screen whose
// device-pixel ratio is not 1.
class TDisplayScaler {
public:
    enum class Filter { Smooth, Whole };
    TDisplayScaler() = default;
    // area is in logical units (the widget's), game in the picture's pixels.
    TDisplayScaler(QSize game, QSize area, double dpr, Filter filter);

    // The picture's rectangle in the area, in logical units.
    QRectF Target() const;
    // A position in the area to the game pixel under it; false on the bars.
    bool ToGame(QPointF position, QPoint& game) const;
    // Any position to game coordinates, beyond the picture too (negative or past its size on
    // the bars and outside the area): where a click there lands as the game counts positions.
    QPoint ToGameBeyond(QPointF position) const;
    // The centre of a game pixel, in the area.
    QPointF FromGame(QPoint game) const;
    // Nearest-pixel drawing: whole multiples, and the picture at its own size.
    bool Sharp() const { return m_Sharp; }
    // The picture covers the whole area.
    bool Covers() const;

    // The largest whole multiple of the game's size whose device pixels fit into the
    // available area (logical units) less the window's frame; at least 1.
    static int InitialScale(QSize game, QSize available, double dpr, QSize frame);
    // The window's client size, in logical units, for that multiple.
    static QSize ClientSize(QSize game, int scale, double dpr);

private:
    QSize m_Game;
    QSize m_AreaDevice;
    double m_Dpr = 1;
    QPoint m_Offset;  // device pixels
    QSize m_Picture;  // device pixels
    bool m_Sharp = true;
};
