#include "shell/display_scaler.h"

#include <algorithm>
#include <cmath>

TDisplayScaler::TDisplayScaler(QSize game, QSize area, double dpr, Filter filter)
    : m_Game(game), m_Dpr(dpr > 0 ? dpr : 1) {
    m_AreaDevice = QSize(static_cast<int>(std::lround(area.width() * m_Dpr)),
                         static_cast<int>(std::lround(area.height() * m_Dpr)));
    if (game.isEmpty() || m_AreaDevice.isEmpty()) {
        m_Picture = QSize(0, 0);
        return;
    }
    const double fit = std::min(double(m_AreaDevice.width()) / game.width(),
                                double(m_AreaDevice.height()) / game.height());
    // Below the game's own size no whole multiple fits; it is shrunk smoothly then.
    const bool whole = filter == Filter::Whole && fit >= 1;
    const double scale = whole ? std::floor(fit) : fit;
    m_Picture = QSize(std::min(m_AreaDevice.width(), int(std::lround(game.width() * scale))),
                      std::min(m_AreaDevice.height(), int(std::lround(game.height() * scale))));
    m_Sharp = whole || m_Picture == game;
    m_Offset = QPoint((m_AreaDevice.width() - m_Picture.width()) / 2,
                      (m_AreaDevice.height() - m_Picture.height()) / 2);
}

QRectF TDisplayScaler::Target() const {
    return QRectF(m_Offset.x() / m_Dpr, m_Offset.y() / m_Dpr, m_Picture.width() / m_Dpr,
                  m_Picture.height() / m_Dpr);
}

bool TDisplayScaler::Covers() const {
    return m_Picture == m_AreaDevice;
}

bool TDisplayScaler::ToGame(QPointF position, QPoint& game) const {
    if (m_Picture.isEmpty()) return false;
    const double x = position.x() * m_Dpr - m_Offset.x();
    const double y = position.y() * m_Dpr - m_Offset.y();
    if (x < 0 || y < 0 || x >= m_Picture.width() || y >= m_Picture.height()) return false;
    game = QPoint(std::min(m_Game.width() - 1, int(x * m_Game.width() / m_Picture.width())),
                  std::min(m_Game.height() - 1, int(y * m_Game.height() / m_Picture.height())));
    return true;
}

QPoint TDisplayScaler::ToGameBeyond(QPointF position) const {
    QPoint game;
    if (ToGame(position, game) || m_Picture.isEmpty()) return game;
    const double x = position.x() * m_Dpr - m_Offset.x();
    const double y = position.y() * m_Dpr - m_Offset.y();
    return QPoint(int(std::floor(x * m_Game.width() / m_Picture.width())),
                  int(std::floor(y * m_Game.height() / m_Picture.height())));
}

QPointF TDisplayScaler::FromGame(QPoint game) const {
    if (m_Game.isEmpty()) return QPointF(game);
    return QPointF(
        (m_Offset.x() + (game.x() + 0.5) * m_Picture.width() / m_Game.width()) / m_Dpr,
        (m_Offset.y() + (game.y() + 0.5) * m_Picture.height() / m_Game.height()) / m_Dpr);
}

int TDisplayScaler::InitialScale(QSize game, QSize available, double dpr, QSize frame) {
    if (game.isEmpty() || dpr <= 0) return 1;
    const double w = (available.width() - frame.width()) * dpr;
    const double h = (available.height() - frame.height()) * dpr;
    const int scale = int(std::floor(std::min(w / game.width(), h / game.height())));
    return std::max(1, scale);
}

QSize TDisplayScaler::ClientSize(QSize game, int scale, double dpr) {
    if (dpr <= 0) dpr = 1;
    return QSize(int(std::ceil(game.width() * scale / dpr - 1e-9)),
                 int(std::ceil(game.height() * scale / dpr - 1e-9)));
}
