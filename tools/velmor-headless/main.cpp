// Plays a game folder without a display: Qt offscreen, time from a virtual clock that moves
// to the engine's next deadline whenever it waits on one, input from a list, message boxes
// answered from the list, and a JSON-lines transcript of what the engine did.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QTreeWidget>
#include <QWheelEvent>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/velmor.h"
#include "engine/velmor_monitor.h"
#include "engine/velmor_script.h"
#include "engine/velmor_warp_map_mode.h"
#include "modes/warp_map_move.h"
#include "platform/bitmap.h"
#include "platform/bitmap_qt.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/sdl_joystick.h"
#include "platform/sjis.h"
#include "platform/virtual_clock.h"
#include "resources/sjis_text.h"
#include "resources/text_encoding.h"
#include "save/form_save.h"
#include "save/save_data.h"
#include "shell/command_line.h"
#include "shell/display_image.h"
#include "shell/form_main.h"
#include "shell/quick_commands.h"
#include "tools/velmor-headless/coverage_recorder.h"
#include "windows/form_option.h"
#include "windows/form_snap.h"

namespace {

// Guards against scripts that loop for ever without waiting.
constexpr uint64_t kDefaultMaxLines = 1000000;
// Virtual time: far beyond any scripted run, and still an end for one that only waits.
constexpr uint64_t kDefaultMaxTime = 6ull * 60 * 60 * 1000;
// Engine passes in a row with neither a line run nor the clock moved: a run that spins.
constexpr uint64_t kMaxIdlePasses = 1000000;
// Automatic inputs in a row that run no line end the run: the game no longer listens.
constexpr int kAutoStall = 1000;

std::string Json(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}
std::string JsonSjis(const std::string& sjis) {
    return Json(platform::SjisToUtf8(sjis));
}

class Transcript {
public:
    explicit Transcript(platform::VirtualClock& clock) : m_Clock(clock) {}
    void Open(const std::string& path) { m_File.open(path, std::ios::out | std::ios::trunc); }
    // fields: the event's members after "event", already in JSON (",\"k\":v...").
    void Event(const char* name, const std::string& fields = {}) {
        const std::string line = "{\"t\":" + std::to_string(m_Clock.TickCount()) + ",\"event\":\"" +
                                 name + "\"" + fields + "}";
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        if (m_File) m_File << line << '\n' << std::flush;
    }

private:
    platform::VirtualClock& m_Clock;
    std::ofstream m_File;
};

struct Snapshot {
    std::string script, paragraph, variables = "{}";
    int32_t line = -1;
    void Take(const TVelmor& engine) {
        script = engine.Script().Position().Script;
        line = engine.Script().Position().Line;
        paragraph = engine.Script().Position().Paragraph;
        std::string v = "{";
        for (const auto& var : engine.Variables().List()) {
            if (v.size() > 1) v += ",";
            v += JsonSjis(var.Name) + ":" + std::to_string(var.Value);
        }
        variables = v + "}";
    }
};

class Monitor : public TVelmorMonitor {
public:
    Monitor(Transcript& t, TFormMain& form) : m_T(t), m_Form(form) {}
    void Message(const std::string& text) override {
        m_T.Event("message", ",\"text\":" + JsonSjis(text));
    }
    void LineRun(const std::string& script, int32_t line, const std::string& text) override {
        if (coverage) coverage->LineRan(script, line, text);
    }
    // The record's text stays as the engine made it; where it happened is given besides, with
    // the line counted from 1 as editors count.
    void Record(const std::string& line) override {
        m_T.Event("record", ",\"text\":" + JsonSjis(line) + Where());
    }
    void ModeChanged(TGameMode mode) override {
        m_T.Event("mode", ",\"mode\":" + std::to_string(CodeOf(mode)));
    }
    void Jumped(const std::string& script, const std::string& paragraph) override {
        if (coverage) coverage->Jumped(script, paragraph);
        m_T.Event("jump",
                  ",\"script\":" + JsonSjis(script) + ",\"paragraph\":" + JsonSjis(paragraph));
    }
    void Choices(const TStringList& captions) override {
        std::string list = "[";
        for (const auto& c : captions) list += (list.size() > 1 ? "," : "") + JsonSjis(c);
        m_T.Event("choices", ",\"captions\":" + list + "]");
        if (coverage && m_Form.Engine()) {
            const TVelmor& engine = *m_Form.Engine();
            std::vector<std::pair<std::string, std::string>> targets;
            for (int i = 0; i < engine.Choices().Count(); ++i)
                targets.emplace_back(engine.Choices().At(i).Paragraph,
                                     engine.Choices().At(i).Script);
            const auto& at = engine.Script().Position();
            coverage->ChoicesShown(at.Script, at.Line, std::move(targets));
        }
    }
    void Sound(TSoundChannel channel, TSoundOperation op, const std::string& file) override {
        SoundEvent(CodeOf(channel), CodeOf(op), JsonSjis(file));
    }
    // The CD shows as the channel after the four sound channels, its request as the op.
    void CD(TCDRequest request, int32_t track) override {
        SoundEvent(kSoundChannelCount, CodeOf(request), JsonSjis(std::to_string(track)));
    }
    void CDPlayback(TCDRequest request, int32_t track, bool done) override {
        m_T.Event("cd", ",\"request\":" + std::to_string(CodeOf(request)) + ",\"track\":" +
                            std::to_string(track) + ",\"done\":" + (done ? "true" : "false"));
        ++cdRequests;
    }
    void Display(bool windowed, int width, int height) override {
        m_T.Event("display", std::string(",\"windowed\":") + (windowed ? "true" : "false") +
                                 ",\"width\":" + std::to_string(width) +
                                 ",\"height\":" + std::to_string(height));
    }
    void Fatal(const std::string& text, TEndReason reason) override {
        m_T.Event("fatal", ",\"text\":" + JsonSjis(text) + Where());
        fatalText = text;
        endReason = reason;
        if (m_Form.Engine()) end.Take(*m_Form.Engine());
    }
    // A save without the dialog, with the list as it is now.
    void Saves(const std::string& slot, const std::string& outcome) override {
        std::string names = "[";
        if (m_Form.Engine())
            for (const auto& entry : TSaveData(*m_Form.Engine()).Entries())
                names += (names.size() > 1 ? "," : "") + JsonSjis(entry.Name);
        m_T.Event("saves", ",\"slot\":" + JsonSjis(slot) + ",\"outcome\":" + Json(outcome) +
                               ",\"names\":" + names + "]");
    }
    std::optional<std::string> fatalText;
    TEndReason endReason = TEndReason::Fatal;
    Snapshot end;
    int cdRequests = 0;
    TCoverageRecorder* coverage = nullptr;

private:
    std::string Where() const {
        if (!m_Form.Engine()) return {};
        const auto& at = m_Form.Engine()->Script().Position();
        return ",\"script\":" + JsonSjis(at.Script) + ",\"line\":" + std::to_string(at.Line + 1);
    }
    void SoundEvent(int channel, int op, const std::string& file) {
        m_T.Event("sound", ",\"channel\":" + std::to_string(channel) +
                               ",\"op\":" + std::to_string(op) + ",\"file\":" + file);
    }
    Transcript& m_T;
    TFormMain& m_Form;
};

struct Inputs {
    std::deque<std::string> lines;
    std::deque<platform::MessageAnswer> answers;
    // The next line that is neither blank nor a comment.
    std::string* Peek() {
        while (!lines.empty()) {
            std::string& l = lines.front();
            const auto first = l.find_first_not_of(" \t");
            if (first != std::string::npos && l[first] != '#') return &l;
            lines.pop_front();
        }
        return nullptr;
    }
};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::optional<platform::MessageAnswer> AnswerOf(const std::string& word) {
    if (word == "yes") return platform::MessageAnswer::Yes;
    if (word == "no") return platform::MessageAnswer::No;
    if (word == "ok") return platform::MessageAnswer::Ok;
    if (word == "cancel") return platform::MessageAnswer::Cancel;
    return std::nullopt;
}

class Responder : public platform::MessageBox {
public:
    Responder(Transcript& t, Inputs& inputs) : m_T(t), m_Inputs(inputs) {}
    platform::MessageAnswer Show(const std::string& caption, const std::string& text,
                                 platform::MessageIcon icon,
                                 platform::MessageButtons buttons) override {
        const bool yesNo = buttons == platform::MessageButtons::YesNo ||
                           buttons == platform::MessageButtons::YesNoCancel;
        platform::MessageAnswer answer =
            yesNo ? platform::MessageAnswer::Yes : platform::MessageAnswer::Ok;
        if (!m_Inputs.answers.empty()) {
            answer = m_Inputs.answers.front();
            m_Inputs.answers.pop_front();
        } else if (std::string* next = m_Inputs.Peek()) {
            const auto w = Words(*next);
            if (w.size() == 2 && w[0] == "answer" && AnswerOf(w[1])) {
                answer = *AnswerOf(w[1]);
                m_Inputs.lines.pop_front();
            }
        }
        static const char* const kKinds[] = {"info", "info", "warn", "confirm", "stop"};
        static const char* const kAnswers[] = {"ok", "cancel", "yes", "no"};
        m_T.Event("box", std::string(",\"kind\":\"") + kKinds[static_cast<int>(icon)] +
                             "\",\"caption\":" + JsonSjis(caption) + ",\"text\":" + JsonSjis(text) +
                             ",\"answer\":\"" + kAnswers[static_cast<int>(answer)] + "\"");
        return answer;
    }

private:
    Transcript& m_T;
    Inputs& m_Inputs;
};

int KeyOf(const std::string& name) {
    static const std::pair<const char*, int> kKeys[] = {
        {"Enter", Qt::Key_Return},      {"Space", Qt::Key_Space},
        {"Shift", Qt::Key_Shift},       {"Ctrl", Qt::Key_Control},
        {"Escape", Qt::Key_Escape},     {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},         {"Left", Qt::Key_Left},
        {"Right", Qt::Key_Right},       {"PageUp", Qt::Key_PageUp},
        {"PageDown", Qt::Key_PageDown}, {"Backspace", Qt::Key_Backspace},
        {"Tab", Qt::Key_Tab},           {"Home", Qt::Key_Home},
        {"End", Qt::Key_End},           {"Insert", Qt::Key_Insert},
        {"Delete", Qt::Key_Delete},     {"Alt", Qt::Key_Alt}};
    for (const auto& [n, k] : kKeys)
        if (name == n) return k;
    // F1 to F12: the window's commands and the keys plug-ins read.
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' &&
        std::all_of(name.begin() + 1, name.end(), [](char c) { return std::isdigit(c & 0xFF); })) {
        const int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12) return Qt::Key_F1 + (n - 1);
    }
    // Letters and digits by themselves, for plug-ins that read the keyboard.
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return std::toupper(static_cast<unsigned char>(name[0]));
    return 0;
}

int Usage(const char* why = nullptr) {
    if (why) std::fprintf(stderr, "velmor-headless: %s\n", why);
    std::fprintf(stderr,
                 "usage: velmor-headless [--inputs FILE] [--auto] [--continue] [--choices 0,1,...] "
                 "[--max-lines N] [--max-time MS] [--shots DIR] [--coverage FILE.json] "
                 "PROJECT.vsc\n");
    return 2;
}

class Runner {
public:
    Runner(TFormMain& form, platform::VirtualClock& clock, Transcript& t, Inputs& inputs)
        : m_Form(form), m_Clock(clock), m_T(t), m_Inputs(inputs) {
        // An effect runs to its end inside one step of the game and lets events through
        // between frames: shots right after a wait that ends mid-effect are taken there.
        m_Form.ImgPrim()->PumpEvents = [this] {
            QApplication::processEvents();
            if (!m_WaitTarget || m_Clock.TickCount() < *m_WaitTarget) return;
            m_WaitTarget.reset();
            while (std::string* next = m_Inputs.Peek()) {
                const std::string line = *next;
                const auto w = Words(line);
                if (w[0] == "wait") {  // a later moment of the same effects
                    m_Inputs.lines.pop_front();
                    m_WaitTarget =
                        m_Clock.TickCount() + static_cast<uint32_t>(std::max(
                                                  0, w.size() > 1 ? std::atoi(w[1].c_str()) : 0));
                    return;
                }
                if (w[0] != "shot") break;
                m_Inputs.lines.pop_front();
                Deliver(line);
            }
        };
        // The save dialog never waits for a player here: it does what the last `saveload`
        // input asked, or closes at once when opened some other way (F4, `menu`).
        m_Form.SetSaveDialogDriver([this](TFormSave& dialog) { DriveSaveDialog(dialog); });
        m_Form.SetOptionDialogDriver([this](TFormOption& dialog) { DriveOptionDialog(dialog); });
        m_Form.SetSnapDialogDriver([this](TFormSnap& dialog) { DriveSnapDialog(dialog); });
    }
    ~Runner() {
        m_Form.ImgPrim()->PumpEvents = [] { QApplication::processEvents(); };
        m_Form.SetSaveDialogDriver(nullptr);
        m_Form.SetOptionDialogDriver(nullptr);
        m_Form.SetSnapDialogDriver(nullptr);
    }
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;
    bool autoPlay = false;
    std::deque<int> choices;
    uint64_t maxLines = kDefaultMaxLines;
    uint64_t maxTime = kDefaultMaxTime;
    std::string shotsDir;
    std::string startFolder;
    const int* m_CDRequests = nullptr;  // the monitor's count of CD requests

    // Plays until the game ends or stops listening; returns the end reason.
    std::string Run();

private:
    bool Ended() const { return !m_Form.IdleHandlerInstalled() || !m_Form.Engine(); }
    bool OverLimit() const {
        return m_Form.Engine() && m_Form.Engine()->Interpreter().LinesRun() >= maxLines;
    }
    // Virtual milliseconds since the run started, counted across the clock's wrap.
    uint64_t Elapsed() {
        const uint32_t now = m_Clock.TickCount();
        m_Elapsed += static_cast<uint32_t>(now - m_LastTick);
        m_LastTick = now;
        return m_Elapsed;
    }
    // True while the engine keeps running lines or time keeps moving.
    bool Progressing() {
        const uint64_t lines = m_Form.Engine() ? m_Form.Engine()->Interpreter().LinesRun() : 0;
        const uint32_t now = m_Clock.TickCount();
        if (lines != m_ProgressLines || now != m_ProgressTick) {
            m_ProgressLines = lines;
            m_ProgressTick = now;
            m_IdlePasses = 0;
        }
        return ++m_IdlePasses < kMaxIdlePasses;
    }
    void Advance(uint32_t to) {
        const uint32_t now = m_Clock.TickCount();
        if (to > now) m_Clock.Advance(to - now);
    }
    void Pass() {
        m_Form.IdlePass();
        m_Worked = true;
        m_Instant = false;
    }
    // Runs the engine until it waits; false when the game ended or hit the line limit.
    bool Settle();
    void Wait(uint32_t ms);
    void Deliver(const std::string& line);
    void Key(int key, bool press, bool release);
    void Wheel(bool up, bool at, int x, int y);
    void Shot(const std::string& file);
    void DriveSaveDialog(TFormSave& dialog);
    void DriveOptionDialog(TFormOption& dialog);
    void DriveSnapDialog(TFormSnap& dialog);
    std::vector<std::string> m_Snapshot;  // the pending `snapshot` words
    std::vector<std::string> m_Options;   // the pending `options` words
    std::vector<std::string> m_SaveLoad;  // the pending `saveload` words
    // Relative names are under --shots, or the folder the runner was started in.
    std::string ShotPath(const std::string& file) const {
        if (std::filesystem::path(file).is_absolute()) return file;
        return (shotsDir.empty() ? startFolder : shotsDir) + "/" + file;
    }

    TFormMain& m_Form;
    platform::VirtualClock& m_Clock;
    Transcript& m_T;
    Inputs& m_Inputs;
    Qt::KeyboardModifiers m_Held = Qt::NoModifier;
    bool m_Worked = false;
    // Inputs go in when the game waits for one; right after a "wait" they go in at once, until
    // the game works again, so a list can act in the middle of a reveal or a timed wait.
    bool m_Instant = false;
    int m_AutoShot = 0;
    std::string m_EndReason;
    std::optional<uint32_t> m_WaitTarget;  // the end of the wait under way
    uint32_t m_LastTick = m_Clock.TickCount();
    uint64_t m_Elapsed = 0;
    uint64_t m_ProgressLines = 0;
    uint32_t m_ProgressTick = 0;
    uint64_t m_IdlePasses = 0;
};

bool Runner::Settle() {
    for (;;) {
        if (Ended()) return false;
        if (OverLimit()) {
            m_EndReason = "max-lines";
            return false;
        }
        if (Elapsed() >= maxTime) {
            m_EndReason = "max-time";
            return false;
        }
        if (!Progressing()) {
            m_EndReason = "no-progress";
            return false;
        }
        uint32_t deadline;
        if (m_Form.NextRest(deadline) != TFormMain::Rest::Run) return true;
        Pass();
    }
}

void Runner::Wait(uint32_t ms) {
    m_WaitTarget = m_Clock.TickCount() + ms;
    // A shot taken inside an effect ends the wait, or moves it on when another wait follows.
    while (Settle() && m_WaitTarget) {
        const uint32_t target = *m_WaitTarget;
        uint32_t deadline;
        const auto rest = m_Form.NextRest(deadline);
        if (rest == TFormMain::Rest::Deadline && deadline <= target) {
            Advance(deadline);
            continue;
        }
        Advance(target);
        break;
    }
    m_WaitTarget.reset();
}

void Runner::Shot(const std::string& file) {
    const std::string path = ShotPath(file);
    // What the window shows, as the engine tells it; before a game, the window's own picture.
    platform::Bitmap shown;
    TVelmor* engine = m_Form.Engine();
    const QImage image = engine && engine->Presenter().ShownFrame(shown)
                             ? platform::QImageOf(shown)
                             : m_Form.ImgPrim()->Image();
    if (image.save(QString::fromStdString(path), "PNG"))
        m_T.Event("shot", ",\"file\":" + Json(path));
    else
        std::fprintf(stderr, "velmor-headless: cannot write %s\n", path.c_str());
}

void Runner::Key(int key, bool press, bool release) {
    Qt::KeyboardModifier mod = key == Qt::Key_Shift     ? Qt::ShiftModifier
                               : key == Qt::Key_Control ? Qt::ControlModifier
                               : key == Qt::Key_Alt     ? Qt::AltModifier
                                                        : Qt::NoModifier;
    if (press) {
        // A shortcut belongs to its action, as the window system would route it.
        for (QAction* action : m_Form.findChildren<QAction*>())
            if (action->shortcut() == QKeySequence(QKeyCombination(m_Held, Qt::Key(key))) &&
                action->isEnabled() && action->isVisible()) {
                action->trigger();
                return;
            }
        if (mod != Qt::NoModifier) m_Held |= mod;
        QKeyEvent e(QEvent::KeyPress, key, m_Held);
        QApplication::sendEvent(&m_Form, &e);
    }
    if (release && m_Form.Engine()) {
        QKeyEvent e(QEvent::KeyRelease, key, m_Held);
        QApplication::sendEvent(&m_Form, &e);
        if (mod != Qt::NoModifier) m_Held &= ~mod;
    }
}

// One notch of the wheel, at a position of the game (the pointer stays there) or where the
// pointer is.
void Runner::Wheel(bool up, bool at, int x, int y) {
    QPointF local = m_Form.ImgPrim()->mapFromGlobal(QPointF(QCursor::pos()));
    if (at) {
        local = m_Form.ImgPrim()->Scaler().FromGame(QPoint(x, y));
        QCursor::setPos(m_Form.ImgPrim()->mapToGlobal(local).toPoint());
    }
    const QPointF onForm = m_Form.ImgPrim()->mapTo(&m_Form, local);
    const QPointF global = m_Form.mapToGlobal(onForm);
    QWheelEvent e(onForm, global, QPoint(), QPoint(0, up ? 120 : -120), Qt::NoButton, m_Held,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&m_Form, &e);
}

void Runner::Deliver(const std::string& line) {
    const auto w = Words(line);
    auto num = [&](size_t i) { return i < w.size() ? std::atoi(w[i].c_str()) : 0; };
    const std::string& cmd = w[0];
    if (cmd == "confirm") {
        m_Form.DeliverInput(TInputCode::Confirm, -1, -1);
    } else if (cmd == "code") {
        m_Form.DeliverInput(static_cast<TInputCode>(num(1)), -1, -1);
    } else if (cmd == "click" || cmd == "move") {
        // Positions are the game's; a game scaled to the screen shows them scaled.
        const QPointF local = m_Form.ImgPrim()->Scaler().FromGame(QPoint(num(1), num(2)));
        const QPointF global = m_Form.ImgPrim()->mapToGlobal(local);
        // The pointer stays there, for Alt with the arrows and Enter.
        QCursor::setPos(global.toPoint());
        QMouseEvent e(cmd == "click" ? QEvent::MouseButtonRelease : QEvent::MouseMove, local,
                      global, cmd == "click" ? Qt::LeftButton : Qt::NoButton, Qt::NoButton, m_Held);
        QApplication::sendEvent(m_Form.ImgPrim(), &e);
    } else if (cmd == "key" || cmd == "keydown" || cmd == "keyup") {
        const int key = w.size() > 1 ? KeyOf(w[1]) : 0;
        if (!key) {
            std::fprintf(stderr, "velmor-headless: unknown key in \"%s\"\n", line.c_str());
            return;
        }
        Key(key, cmd != "keyup", cmd != "keydown");
    } else if (cmd == "wheel" && w.size() > 1 && (w[1] == "up" || w[1] == "down")) {
        Wheel(w[1] == "up", w.size() > 3, num(2), num(3));
    } else if (cmd == "shot" && w.size() > 1) {
        Shot(w[1]);
    } else if (cmd == "saveload" && w.size() > 1) {
        m_SaveLoad = w;
        m_Form.m_ActSaveLoadExecute();
        m_SaveLoad.clear();
    } else if (cmd == "options") {
        m_Options = w;
        m_Form.m_ActSystemOptionExecute();
        m_Options.clear();
    } else if (cmd == "snapshot" && w.size() > 2 && (w[1] == "jpeg" || w[1] == "bmp")) {
        m_Snapshot = w;
        m_Form.m_ActSnapshotExecute();
        m_Snapshot.clear();
    } else if (cmd == "cdwait") {
        // CD tracks play in real time: wait (up to MS real ms) for the window's next CD
        // request, such as the replay of a track that ended.
        const int before = m_CDRequests ? *m_CDRequests : 0;
        const auto until = std::chrono::steady_clock::now() +
                           std::chrono::milliseconds(w.size() > 1 ? num(1) : 10000);
        while (m_CDRequests && *m_CDRequests == before && std::chrono::steady_clock::now() < until)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (m_CDRequests && *m_CDRequests == before)
            std::fprintf(stderr, "velmor-headless: no CD request within the cdwait\n");
    } else if (cmd == "close") {
        // As the player closes the window: a game in the middle leaves its automatic save.
        m_Form.Quick().SetAutoSaveOnClose(true);
        m_Form.close();
        m_EndReason = "closed";
    } else if (cmd == "menu" && w.size() > 1) {
        auto* action = m_Form.findChild<QAction*>(QString::fromStdString(w[1]));
        if (action && action->isEnabled())
            action->trigger();
        else
            std::fprintf(stderr, "velmor-headless: no enabled action %s\n", w[1].c_str());
    } else {
        std::fprintf(stderr, "velmor-headless: ignored input \"%s\"\n", line.c_str());
    }
    QApplication::processEvents();
}

void Runner::DriveSaveDialog(TFormSave& dialog) {
    QTreeWidget* list = dialog.List();
    auto names = [&] {
        std::string out = "[";
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out += (i ? "," : "") + Json(list->topLevelItem(i)->text(0).toStdString());
        return out + "]";
    };
    const std::string action = m_SaveLoad.size() > 1 ? m_SaveLoad[1] : "close";
    // Everything after the action (and a row number) is the comment of a new or overwritten
    // save.
    size_t next = 2;
    if (next < m_SaveLoad.size() && !m_SaveLoad[next].empty() &&
        std::isdigit(static_cast<unsigned char>(m_SaveLoad[next][0]))) {
        const int row = std::atoi(m_SaveLoad[next++].c_str());
        if (QTreeWidgetItem* item = list->topLevelItem(row)) list->setCurrentItem(item);
    }
    std::string comment;
    for (; next < m_SaveLoad.size(); ++next)
        comment += (comment.empty() ? "" : " ") + m_SaveLoad[next];
    dialog.SetDetailsQuestion([comment](const std::string&, const std::string&, std::string&,
                                        std::string&, std::string& text) {
        if (!comment.empty()) text = platform::Utf8ToSjis(comment);
        return true;
    });
    QAction* const actions[] = {dialog.m_ActNewSave,     dialog.m_ActSave,
                                dialog.m_ActLoad,        dialog.m_ActDelete,
                                dialog.m_ActCommentEdit, dialog.m_ActTitleReturn};
    const char* const words[] = {"new", "save", "load", "delete", "comment", "title"};
    bool known = action == "close";
    for (int i = 0; i < 6; ++i) {
        if (action != words[i]) continue;
        known = true;
        if (actions[i]->isEnabled())
            actions[i]->trigger();
        else
            std::fprintf(stderr, "velmor-headless: saveload %s is not offered now\n", words[i]);
    }
    if (!known)
        std::fprintf(stderr, "velmor-headless: unknown saveload action %s\n", action.c_str());
    m_T.Event("saves", ",\"action\":" + Json(action) + ",\"names\":" + names());
}

void Runner::DriveOptionDialog(TFormOption& dialog) {
    bool ok = false;
    for (size_t i = 1; i < m_Options.size(); ++i) {
        const std::string& word = m_Options[i];
        if (word == "ok" || word == "cancel") {
            ok = word == "ok";
            continue;
        }
        const size_t eq = word.find('=');
        const std::string name = word.substr(0, eq);
        const int value = eq == std::string::npos ? 1 : std::atoi(word.c_str() + eq + 1);
        const char* const volumes[] = {"bgm", "bge", "sound", "voice"};
        bool known = true;
        if (name == "speed")
            dialog.m_TBMessageAnimation->setValue(value);
        else if (name == "animation")
            dialog.m_CBMessageAnimation->setChecked(value != 0);
        else if (name == "skipunread")
            dialog.m_CBNoReadTextSkip->setChecked(value != 0);
        else if (name == "antialias")
            dialog.m_CBAntiAliasText->setChecked(value != 0);
        else if (name == "fullscreen")
            dialog.m_CBWindowMode->setChecked(value != 0);
        else if (name == "noresume")
            dialog.m_CBNoResumeQuestion->setChecked(value != 0);
        else
            known = false;
        for (int c = 0; c < 4; ++c)
            if (name == volumes[c]) {
                dialog.m_TBVolumes[c]->setValue(value);
                known = true;
            }
        if (!known) std::fprintf(stderr, "velmor-headless: unknown option %s\n", word.c_str());
    }
    ok ? dialog.Ok() : dialog.Cancel();
    m_T.Event("options", std::string(",\"result\":") + (ok ? "\"ok\"" : "\"cancel\""));
}

void Runner::DriveSnapDialog(TFormSnap& dialog) {
    // Opened any other way the dialog closes at once.
    if (m_Snapshot.size() < 3) return;
    const bool jpeg = m_Snapshot[1] == "jpeg";
    bool face = true, mini = true;
    for (size_t i = 3; i < m_Snapshot.size(); ++i) {
        if (m_Snapshot[i] == "noface") {
            face = false;
        } else if (m_Snapshot[i] == "nomini") {
            mini = false;
        } else if (m_Snapshot[i] == "quality" && i + 1 < m_Snapshot.size()) {
            dialog.m_TBQuality->setValue(std::atoi(m_Snapshot[++i].c_str()));
        } else {
            std::fprintf(stderr, "velmor-headless: unknown snapshot word %s\n",
                         m_Snapshot[i].c_str());
        }
    }
    // A box the dialog disabled stays as it is, as for a player.
    if (dialog.m_CBImgFace->isEnabled() && dialog.m_CBImgFace->isChecked() != face)
        dialog.m_CBImgFace->click();
    if (dialog.m_CBImgMini->isEnabled() && dialog.m_CBImgMini->isChecked() != mini)
        dialog.m_CBImgMini->click();
    const std::string file = platform::FileSystem::FromHostPath(ShotPath(m_Snapshot[2]));
    dialog.SetFileQuestion([file](const std::string&, std::string& name) {
        name = file;
        return true;
    });
    jpeg ? dialog.m_BtnJpegClick() : dialog.m_BtnBitmapClick();
    m_T.Event("snapshot", ",\"format\":" + Json(m_Snapshot[1]) + ",\"file\":" + JsonSjis(file));
}

std::string Runner::Run() {
    int autoInRow = 0;
    while (Settle()) {
        uint32_t deadline;
        auto rest = m_Form.NextRest(deadline);
        // The map animates while it waits for the player: its deadlines wait for input.
        const TVelmor* engine = m_Form.Engine();
        if (rest == TFormMain::Rest::Deadline && engine && engine->Mode() == TGameMode::WarpMap)
            rest = TFormMain::Rest::Input;
        if (rest == TFormMain::Rest::Input && m_Worked) {
            m_Worked = false;
            if (!shotsDir.empty()) {
                char name[32];
                std::snprintf(name, sizeof name, "shot-%04d.png", ++m_AutoShot);
                Shot(name);
            }
        }
        if (std::string* next = m_Inputs.Peek()) {
            const std::string line = *next;
            const auto w = Words(line);
            if (w[0] == "answer") {
                m_Inputs.lines.pop_front();
                if (w.size() > 1 && AnswerOf(w[1])) m_Inputs.answers.push_back(*AnswerOf(w[1]));
                continue;
            }
            if (w[0] == "wait") {
                m_Inputs.lines.pop_front();
                Wait(
                    static_cast<uint32_t>(std::max(0, w.size() > 1 ? std::atoi(w[1].c_str()) : 0)));
                m_Instant = true;
                continue;
            }
            if (rest == TFormMain::Rest::Input || m_Instant) {
                m_Inputs.lines.pop_front();
                Deliver(line);
                // A wait right after an input counts from the input, so it can end inside
                // the effects the input sets off.
                if (std::string* then = m_Inputs.Peek(); then && Words(*then)[0] == "wait") {
                    const auto tw = Words(*then);
                    m_Inputs.lines.pop_front();
                    Wait(static_cast<uint32_t>(
                        std::max(0, tw.size() > 1 ? std::atoi(tw[1].c_str()) : 0)));
                    m_Instant = true;
                }
                continue;
            }
            Advance(deadline);
            continue;
        }
        if (rest == TFormMain::Rest::Deadline) {
            Advance(deadline);
            continue;
        }
        if (!autoPlay) return "inputs-done";
        const uint64_t before = m_Form.Engine()->Interpreter().LinesRun();
        const TGameMode mode = m_Form.Engine()->Mode();
        const auto* map =
            mode == TGameMode::WarpMap
                ? dynamic_cast<const TVelmorWarpMapMode*>(&m_Form.Engine()->ModeObjectFor(mode))
                : nullptr;
        if (map && map->Map() && map->Map()->PlaceCount() > 0) {
            // A map: a click on the middle of the next place in place order.
            const TWarpMapMove& m = *map->Map();
            const TRect& r = m.HitArea((m.Place() + 1) % m.PlaceCount());
            m_Form.DeliverInput(TInputCode::Confirm, r.Left + (r.Right - r.Left) / 2,
                                r.Top + (r.Bottom - r.Top) / 2);
        } else if (mode == TGameMode::Choice || mode == TGameMode::ImageSelect) {
            int n = 0;
            if (!choices.empty()) {
                n = choices.front();
                choices.pop_front();
            }
            m_Form.DeliverInput(TInputCode::First, -1, -1);
            for (int i = 0; i < n; ++i) m_Form.DeliverInput(TInputCode::Down, -1, -1);
            m_Form.DeliverInput(TInputCode::Confirm, -1, -1);
        } else {
            m_Form.DeliverInput(TInputCode::Confirm, -1, -1);
        }
        Settle();
        autoInRow = m_Form.Engine() && m_Form.Engine()->Interpreter().LinesRun() == before
                        ? autoInRow + 1
                        : 0;
        if (autoInRow >= kAutoStall) return "inputs-done";
    }
    return m_EndReason;
}

// What the command line asked for.
struct Options {
    std::string inputsFile, shots, project, coverageFile;
    bool autoPlay = false;
    bool resume = false;
    std::deque<int> choices;
    uint64_t maxLines = kDefaultMaxLines;
    uint64_t maxTime = kDefaultMaxTime;
};

// One option with its value; -1 when it was read, else the exit status of a bad one.
int ReadOption(const std::string& arg, const char* v, Options& o) {
    if (!v) return Usage(("missing value of " + arg).c_str());
    if (arg == "--coverage") {
        // The game runs in its own folder: a relative name means the starting folder.
        o.coverageFile = std::filesystem::absolute(v).string();
    } else if (arg == "--inputs") {
        o.inputsFile = v;
    } else if (arg == "--shots") {
        o.shots = v;
    } else if (arg == "--max-lines" || arg == "--max-time") {
        char* end = nullptr;
        const long long n = std::strtoll(v, &end, 10);
        if (!*v || *end || n < 0) return Usage((arg + " needs a number").c_str());
        (arg == "--max-lines" ? o.maxLines : o.maxTime) = static_cast<uint64_t>(n);
    } else {
        std::stringstream list(v);
        for (std::string item; std::getline(list, item, ',');) {
            char* end = nullptr;
            const long n = std::strtol(item.c_str(), &end, 10);
            if (item.empty() || *end || n < 0 || n > 3)
                return Usage("--choices needs numbers 0 to 3");
            o.choices.push_back(static_cast<int>(n));
        }
    }
    return -1;
}

// -1 when the run can go on, else the exit status.
int ParseArguments(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--auto") {
            o.autoPlay = true;
        } else if (arg == "--continue") {
            o.resume = true;
        } else if (arg == "--coverage" || arg == "--inputs" || arg == "--shots" ||
                   arg == "--choices" || arg == "--max-lines" || arg == "--max-time") {
            const char* value = i + 1 < argc ? argv[++i] : nullptr;
            if (const int status = ReadOption(arg, value, o); status >= 0) return status;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else if (o.project.empty()) {
            o.project = arg;
        } else {
            return Usage("one project only");
        }
    }
    if (o.project.empty()) return Usage();
    // Anything else would end in the lookup's questions and a file dialog nobody can answer.
    if (std::string why; !TCommandLine::IsProjectFile(o.project, why)) return Usage(why.c_str());
    return -1;
}

// The engine plays a project it cannot read as an empty game; an author's run must not pass.
// -1 when the project file is sound, else the exit status.
int CheckProjectFile(const std::string& project) {
    std::ifstream in(project, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string problem = TTextEncoding::ProjectProblem(bytes);
    if (problem.empty()) return -1;
    std::fprintf(stderr, "velmor-headless: project file %s %s\n", project.c_str(), problem.c_str());
    std::printf("{\"t\":0,\"event\":\"end\",\"reason\":\"bad-project\",\"text\":%s}\n",
                Json("project file " + problem).c_str());
    return 4;
}

bool ReadInputs(const std::string& file, Inputs& inputs) {
    if (file.empty()) return true;
    std::ifstream in(file);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        inputs.lines.push_back(line);
    }
    return true;
}

// The folder of the shots, made and named in full: the game runs in its own folder.
void PrepareShotsFolder(std::string& shots) {
    if (shots.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(shots, ec);
    shots = std::filesystem::absolute(shots).string();
}

// Plays the started game to its end and writes the end event; returns the exit status.
int PlayStartedGame(TFormMain& form, Monitor& monitor, Runner& runner, Transcript& transcript,
                    TCoverageRecorder& recorder) {
    int status = 0;
    std::string reason = runner.Run();
    Snapshot end = monitor.end;
    if (monitor.fatalText) {
        const bool scenarioEnd = monitor.endReason == TEndReason::ScenarioEnd;
        reason = scenarioEnd ? "scenario-end" : "fatal";
        status = scenarioEnd ? 0 : 3;
        if (scenarioEnd) recorder.EndReached(end.script, end.line);
    } else {
        if (reason.empty()) reason = "inputs-done";
        if (form.Engine()) end.Take(*form.Engine());
        form.close();
    }
    transcript.Event("end", ",\"reason\":\"" + reason + "\",\"script\":" + JsonSjis(end.script) +
                                ",\"line\":" + std::to_string(end.line) + ",\"paragraph\":" +
                                JsonSjis(end.paragraph) + ",\"variables\":" + end.variables);
    return status;
}

// Every service the game uses is made here and handed to the window; returns the exit status.
int Play(const Options& o, Inputs& inputs, TCoverageRecorder& recorder) {
    platform::VirtualClock clock;
    Transcript transcript(clock);
    if (!o.shots.empty()) transcript.Open(o.shots + "/transcript.jsonl");
    Responder responder(transcript, inputs);
    platform::SdlJoystick joystick;
    const TFormMain::TServices services{&clock, &responder, &joystick};
    const std::string full = std::filesystem::absolute(o.project).string();
    const std::string launchFolder = std::filesystem::current_path().string();

    TFormMain form(services);
    Monitor monitor(transcript, form);
    if (!o.coverageFile.empty()) monitor.coverage = &recorder;
    form.SetMonitor(&monitor);
    form.SetFramesOnDemand(true);
    form.SetExternalDriver(true);
    form.SetContinue(o.resume);
    int status = 2;
    if (!form.FormCreate({platform::FileSystem::FromHostPath(full)})) {
        std::fprintf(stderr, "velmor-headless: the game did not start\n");
    } else {
        Runner runner(form, clock, transcript, inputs);
        runner.autoPlay = o.autoPlay;
        runner.choices = o.choices;
        runner.maxLines = o.maxLines;
        runner.maxTime = o.maxTime;
        runner.shotsDir = o.shots;
        runner.startFolder = launchFolder;
        runner.m_CDRequests = &monitor.cdRequests;
        status = PlayStartedGame(form, monitor, runner, transcript, recorder);
    }
    form.SetMonitor(nullptr);
    return status;
}

// Adds the run's coverage to the file; the status, made an error when the file failed.
int WriteCoverage(const std::string& file, const TCoverageRecorder& recorder, int status) {
    if (file.empty() || status == 2) return status;
    std::string error;
    if (recorder.AddTo(file, error)) return status;
    std::fprintf(stderr, "velmor-headless: %s\n", error.c_str());
    return status == 0 ? 2 : status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = ParseArguments(argc, argv, options); status >= 0) return status;
    if (const int status = CheckProjectFile(options.project); status >= 0) return status;
    Inputs inputs;
    if (!ReadInputs(options.inputsFile, inputs))
        return Usage(("cannot read " + options.inputsFile).c_str());
    PrepareShotsFolder(options.shots);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    QApplication app(argc, argv);
    TCoverageRecorder recorder;
    const int status = Play(options, inputs, recorder);
    return WriteCoverage(options.coverageFile, recorder, status);
}
