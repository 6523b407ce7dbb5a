// Whole games through the real engine on a virtual clock: the project, its scripts and the
// player's moves all come from the input, and nothing may crash, hang or throw anything but
// the engine's own error.
//
// Input: parts separated by NUL bytes. The first part is the project file (game.vsc). Every
// later part is a file of the game: its name up to the first line end (letters, digits, '.',
// '_' and '-' are kept), then its bytes. A part with an empty name holds the player's moves
// up to the end of the input, one or two bytes each (see Move). Every NAME.png, NAME.bmp and
// NAME.jpg any part mentions exists as a small picture. A game ends at its own end, at an
// error, when the player has no moves left, or after kMaxSteps idle passes, kMaxFrames frames
// or kMaxTime; screens over kMaxPixels are not played.
#include <unistd.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>

#include "engine/velmor.h"
#include "engine/velmor_plugin.h"
#include "engine/velmor_system_data.h"
#include "graphics/display_surface.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/sjis.h"
#include "platform/virtual_clock.h"
#include "resources/application.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"

namespace {

constexpr int kMaxSteps = 1000;
constexpr uint32_t kMaxTime = 60 * 1000;
constexpr size_t kMaxParts = 12;
constexpr int kMaxFrames = 800;
constexpr int kRestless = 20;
constexpr int64_t kMaxPixels = 160 * 120;

namespace fs = std::filesystem;

// The player's moves, read in order; an empty stream ends the game at the next wait.
class Moves {
public:
    explicit Moves(const std::string& bytes) : m_Bytes(bytes) {}
    bool Empty() const { return m_At >= m_Bytes.size(); }
    // Moves marked with the top bit come while the engine is busy (effects, timed waits).
    bool UrgentNext() const { return !Empty() && (Peek() & 0x80) != 0; }
    uint8_t Next() { return Empty() ? 0 : static_cast<uint8_t>(m_Bytes[m_At++]); }

private:
    uint8_t Peek() const { return static_cast<uint8_t>(m_Bytes[m_At]); }
    std::string m_Bytes;
    size_t m_At = 0;
};

class Boxes : public platform::MessageBox {
public:
    platform::MessageAnswer Show(const std::string&, const std::string&, platform::MessageIcon,
                                 platform::MessageButtons buttons) override {
        const bool yesNo = buttons == platform::MessageButtons::YesNo ||
                           buttons == platform::MessageButtons::YesNoCancel;
        const bool first = (++m_Count & 1) != 0;
        if (yesNo) return first ? platform::MessageAnswer::Yes : platform::MessageAnswer::No;
        if (buttons == platform::MessageButtons::OkCancel && !first)
            return platform::MessageAnswer::Cancel;
        return platform::MessageAnswer::Ok;
    }

private:
    unsigned m_Count = 0;
};

// The window's picture as the engine sees it; frames go nowhere, pending moves come in
// between them as the window's events would.
class Surface : public TDisplaySurface {
public:
    Surface(platform::Clock& clock, int w, int h) : TDisplaySurface(clock), m_W(w), m_H(h) {}
    int Width() const override { return m_W; }
    int Height() const override { return m_H; }
    // Counted: drawing the frames is most of the work a game does.
    void Present(const platform::Bitmap&, int, int) override { ++frames; }
    int frames = 0;

private:
    int m_W, m_H;
};

struct Fixture {
    Fixture() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        root = fs::temp_directory_path() / ("velmor-engine-fuzz-" + std::to_string(getpid()));
        setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
        static int argc = 1;
        static char name[] = "fuzz_engine";
        static char* argv[] = {name, nullptr};
        qt = std::make_unique<QGuiApplication>(argc, argv);
        fs::create_directories(root);
        QImage image(24, 18, QImage::Format_RGB32);
        image.fill(0x336699);
        for (const char* ext : {"png", "bmp", "jpg"}) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, ext);
            pictures[ext] = bytes.toStdString();
        }
        const fs::path dll = fs::read_symlink("/proc/self/exe").parent_path() / "VELMORRC.DLL";
        if (fs::exists(dll)) dllRes = std::make_unique<TyxDllRes>(dll.string(), true);
        platform::MessageBox::SetCurrent(&boxes);
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
    std::unique_ptr<QGuiApplication> qt;
    // Encoded pictures by extension.
    std::map<std::string, std::string> pictures;
    std::unique_ptr<TyxDllRes> dllRes;
    // VELMOR_FUZZ_TRACE=1 tells what a replayed input did, =2 every idle pass as well.
    const int trace =
        std::atoi(std::getenv("VELMOR_FUZZ_TRACE") ? std::getenv("VELMOR_FUZZ_TRACE") : "0");
    Boxes boxes;
    TyxApplication app{boxes};
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

std::string CleanName(const std::string& name) {
    std::string out;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-')
            out += c;
    if (out.size() > 40) out.resize(40);
    return out.find_first_not_of('.') == std::string::npos ? std::string() : out;
}

// Every picture name ending in ".png", ".bmp" or ".jpg" (any case) in the text.
void PictureNames(const std::string& text, std::set<std::string>& out) {
    for (size_t at = 0; (at = text.find('.', at)) != std::string::npos; ++at) {
        if (at + 4 > text.size()) break;
        std::string ext = text.substr(at + 1, 3);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext != "png" && ext != "bmp" && ext != "jpg") continue;
        size_t start = at;
        while (start > 0 && (std::isalnum(static_cast<unsigned char>(text[start - 1])) ||
                             text[start - 1] == '_' || text[start - 1] == '-'))
            --start;
        const std::string name = CleanName(text.substr(start, at + 4 - start));
        if (at > start && !name.empty()) out.insert(name);
    }
}

// Writes the game's files; returns the player's moves.
std::string WriteGame(const std::string& input, const fs::path& folder,
                      const std::map<std::string, std::string>& encoded) {
    std::string moves;
    std::set<std::string> pictures, written;
    size_t begin = 0;
    for (size_t part = 0; part < kMaxParts && begin <= input.size(); ++part) {
        std::string name = "game.vsc";
        if (part > 0) {
            const size_t eol = std::min(input.find('\n', begin), input.size());
            name = CleanName(input.substr(begin, std::min(input.find('\0', begin), eol) - begin));
            if (name.empty()) {
                if (eol < input.size()) moves = input.substr(eol + 1);
                break;
            }
            begin = eol + 1;
        }
        const size_t end = std::min(input.find('\0', begin), input.size());
        const std::string body = begin < end ? input.substr(begin, end - begin) : std::string();
        begin = end + 1;
        PictureNames(body, pictures);
        std::ofstream(folder / name, std::ios::binary) << body;
        written.insert(name);
    }
    for (const std::string& p : pictures) {
        std::string ext = p.substr(p.size() - 3);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!written.count(p)) std::ofstream(folder / p, std::ios::binary) << encoded.at(ext);
    }
    return moves;
}

// One move of the player, as the window delivers it. The low four bits of its byte: 0-7 input
// codes 1-8 without a position; then with a second byte, 8 a click and 9 a pointer move on a
// 16 x 16 grid, 10 time passing (16 ms steps), 11 a key for plug-ins, 12 skip, 13 auto play
// on or off, the rest a click.
void Move(TVelmor& engine, Moves& moves, platform::VirtualClock& clock, int w, int h) {
    const uint8_t b = moves.Next();
    TVelmorGameMode& mode = engine.ModeObject();
    const int op = b & 0x0F;
    if (op < 8) return mode.Input(static_cast<TInputCode>(op + 1), -1, -1);
    const uint8_t arg = moves.Next();
    const int x = (arg & 0x0F) * w / 15, y = (arg >> 4) * h / 15;
    switch (op) {
        case 8:
            return mode.Input(TInputCode::Confirm, x, y);
        case 9:
            return mode.MouseMove(x, y);
        case 10:
            return clock.Advance(arg * 16u);
        case 11:
            return engine.Plugin().Key(arg, (b & 0x10) == 0, (b & 0x20) != 0);
        case 12:
            if (mode.AcceptsSkip() && engine.Flow().ClickWait) engine.Flow().Skip = true;
            return;
        case 13:
            if (mode.Menu().messageItems) engine.Flow().AutoPlay = !engine.Flow().AutoPlay;
            return;
        default:
            return mode.Input(TInputCode::Confirm, x, y);
    }
}

// The window's idle loop with time jumping to each deadline.
void Play(TVelmor& engine, Moves& moves, platform::VirtualClock& clock, Surface& surface,
          int& step) {
    const uint32_t start = clock.TickCount();
    const int w = surface.Width(), h = surface.Height();
    // The window's guard: a move that ends the game stops it after the pass.
    std::exception_ptr failed;
    surface.PumpEvents = [&] {
        if (failed || !moves.UrgentNext()) return;
        try {
            Move(engine, moves, clock, w, h);
        } catch (const EEngineError&) {
            failed = std::current_exception();
        }
    };
    struct Unhook {
        Surface& s;
        ~Unhook() { s.PumpEvents = nullptr; }
    } unhook{surface};
    int restless = 0;
    for (step = 0;
         step < kMaxSteps && clock.TickCount() - start < kMaxTime && surface.frames < kMaxFrames;
         ++step) {
        const TIdleWait wait = engine.ModeObject().NextWait();
        // Modes that never rest for input (a map's clock) get the next move after a while.
        restless = wait.kind == TIdleWait::kInput ? 0 : restless + 1;
        if (moves.Empty()) {
            // Out of moves, a game that never rests for input has been watched long enough.
            if (wait.kind == TIdleWait::kInput || restless > 10 * kRestless) return;
        } else if (wait.kind == TIdleWait::kInput || moves.UrgentNext() || restless > kRestless) {
            Move(engine, moves, clock, w, h);
            restless = 0;
            continue;
        }
        if (wait.kind == TIdleWait::kDeadline && wait.deadline > clock.TickCount())
            clock.Advance(std::min<uint32_t>(wait.deadline - clock.TickCount(), kMaxTime));
        if (Shared().trace > 1)
            std::fprintf(stderr, "pass %d mode %d %s:%d wait %d\n", step,
                         static_cast<int>(engine.Mode()), engine.Script().Position().Script.c_str(),
                         engine.Script().Position().Line, static_cast<int>(wait.kind));
        engine.ModeObject().Idle();
        if (failed) std::rethrow_exception(failed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = Shared();
    const fs::path folder = f.root / "game";
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::remove_all(f.root / "home", ec);
    fs::create_directories(folder);
    Moves moves(
        WriteGame(std::string(reinterpret_cast<const char*>(data), size), folder, f.pictures));
    const std::string project = folder.string() + "/game.vsc";
    // libFuzzer reads and writes its corpus by relative paths: the folder is given back.
    const std::string savedFolder = platform::FileSystem::CurrentFolder();
    platform::FileSystem::SetCurrentFolder(folder.string() + "/");

    platform::VirtualClock clock(1000);
    platform::Clock::SetCurrent(&clock);
    TVelmorSystemData data0;
    data0.Read(TXiniFile(project, true), project);
    // Every pass composes whole screens: large ones would only slow the search down.
    if (int64_t{data0.Width} * data0.Height > kMaxPixels) {
        platform::FileSystem::SetCurrentFolder(savedFolder);
        return 0;
    }
    Surface surface(clock, data0.Width, data0.Height);
    TStringList errors;
    TVelmor::TServices s;
    s.clock = &clock;
    s.app = &f.app;
    s.dllRes = f.dllRes.get();
    s.display = &surface;
    s.errorList = &errors;
    int steps = 0;
    try {
        TVelmor engine(project, SJ("ＭＳ ゴシック"), s);
        try {
            Play(engine, moves, clock, surface, steps);
        } catch (const EEngineError& e) {
            // The game's end or a fatal error the script caused: the window would close.
            if (f.trace) std::fprintf(stderr, "end: %s\n", platform::SjisToUtf8(e.Text()).c_str());
        } catch (const std::bad_alloc&) {
        }
    } catch (const EEngineError& e) {
        if (f.trace) std::fprintf(stderr, "refused: %s\n", platform::SjisToUtf8(e.Text()).c_str());
    } catch (const std::bad_alloc&) {
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_engine: unexpected exception: %s\n", e.what());
        std::abort();
    }
    if (f.trace)
        std::fprintf(stderr, "%d passes, %d frames, %u ms\n", steps, surface.frames,
                     clock.TickCount() - 1000);
    if (f.trace)
        for (const std::string& r : errors)
            std::fprintf(stderr, "%s\n", platform::SjisToUtf8(r).c_str());
    platform::Clock::SetCurrent(nullptr);
    platform::FileSystem::SetCurrentFolder(savedFolder);
    return 0;
}
