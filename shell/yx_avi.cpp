#include "shell/yx_avi.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "platform/clock.h"

TyxAvi::TyxAvi(QWidget* mainWindow, platform::Clock& clock) : QWidget(mainWindow), m_Clock(clock) {
    setFocusPolicy(Qt::StrongFocus);
    m_Timer = new QTimer(this);
    m_Timer->setInterval(10);
    connect(m_Timer, &QTimer::timeout, this, [this] { Advance(); });
    hide();
}

TyxAvi::~TyxAvi() {
    Stop();
}

bool TyxAvi::Play(const std::string& fileName) {
    Stop();
    if (!m_Decoder.Open(fileName)) return false;
    std::vector<int16_t> sound;
    m_HaveNext = m_Decoder.NextFrame(m_Next, m_NextMs, sound);
    if (!m_HaveNext) {
        m_Decoder.Close();
        return false;
    }
    m_Sound.Open();
    m_Sound.Queue(sound);
    m_Frame = QImage();
    if (parentWidget()) setGeometry(parentWidget()->rect());
    show();
    raise();
    setFocus();
    m_Playing = true;
    m_Start = m_Clock.TickCount();
    Advance();
    m_Timer->start();
    return true;
}

bool TyxAvi::Stop() {
    m_Timer->stop();
    const bool was = m_Playing;
    m_Playing = false;
    m_HaveNext = false;
    m_Decoder.Close();
    m_Sound.Close();
    // The keyboard goes back to the game, which would otherwise lose it with the hidden movie.
    if (was && parentWidget()) parentWidget()->setFocus();
    hide();
    return was;
}

void TyxAvi::Advance() {
    if (!m_Playing) return;
    const int64_t now = static_cast<uint32_t>(m_Clock.TickCount() - m_Start);
    bool changed = false;
    std::vector<int16_t> sound;
    // Pictures that are late are passed over; the sound is queued whole.
    while (m_HaveNext && m_NextMs <= now) {
        m_Frame = m_Next;
        changed = true;
        m_HaveNext = m_Decoder.NextFrame(m_Next, m_NextMs, sound);
    }
    m_Sound.Queue(sound);
    if (changed) update();
    if (!m_HaveNext) {
        Stop();
        if (OnStopped) OnStopped();
    }
}

void TyxAvi::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_Frame.isNull()) return;
    // Kept in proportion, centred, on black.
    QSize size = m_Frame.size().scaled(rect().size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(rect().center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_Frame);
}

void TyxAvi::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnClick)
        OnClick(static_cast<int>(event->position().x()), static_cast<int>(event->position().y()));
}

void TyxAvi::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    if (OnKey) OnKey(event->key());
}
