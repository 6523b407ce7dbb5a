#pragma once
// A movie over the whole game window: played once, ended by its own end, a click or a key.
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/sound_queue.h"
#include "platform/video_decoder.h"

class QTimer;
namespace platform {
class Clock;
}

class TyxAvi : public QWidget {
    Q_OBJECT
public:
    TyxAvi(QWidget* mainWindow, platform::Clock& clock);
    ~TyxAvi() override;

    // Opens the file and starts it filling the main window; false when it cannot.
    bool Play(const std::string& fileName);
    // Stops and closes; safe to call again. True when a movie was playing.
    bool Stop();
    bool Playing() const { return m_Playing; }
    // Shows what is due at the clock's present time (the timer calls it); tests on a virtual
    // clock call it themselves.
    void Advance();
    const QImage& Frame() const { return m_Frame; }

    std::function<void(int x, int y)> OnClick;
    std::function<void(int key)> OnKey;
    // The movie reached its end by itself.
    std::function<void()> OnStopped;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    platform::VideoDecoder m_Decoder;
    platform::SoundQueue m_Sound;
    QTimer* m_Timer;
    QImage m_Frame;
    QImage m_Next;
    int64_t m_NextMs = 0;
    bool m_HaveNext = false;
    bool m_Playing = false;
    platform::Clock& m_Clock;
    uint32_t m_Start = 0;
};
