// One composed frame of the demo's busiest scene at 800 x 600 and 1920 x 1080: background,
// standing character, four small faces, message window and a full message with its outline;
// then each part alone. "busiest" recomposes an unchanged frame (the message's drawing is
// replayed); "busiest-new-text" changes the message each time, so it is drawn.
//   build/bin/bench_compose --benchmark_min_time=0.5   (seconds, a plain number for this
//   Google Benchmark; add --benchmark_repetitions=5 for medians)
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/velmor.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/dll_res.h"
#include "tests/support/engine_services.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// About 40% opaque, 40% transparent and 20% soft edge, like a standing character.
QImage Character(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    QRandomGenerator rng(1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = std::abs(x - w / 2.0) / (w / 2.0);  // 0 centre, 1 edge
            int alpha = d < 0.4 ? 255 : d > 0.6 ? 0 : int(255 * (0.6 - d) / 0.2);
            img.setPixel(x, y, qRgba(rng.bounded(256), rng.bounded(256), rng.bounded(256), alpha));
        }
    return img;
}

const char* const kMiniFaces[4] = {"ann.png", "bob.png", "cat.png", "dan.png"};

class Scene {
public:
    Scene(int w, int h, bool smooth) {
        m_Dir = fs::temp_directory_path() /
                ("velmor-bench-compose-" + std::to_string(QRandomGenerator::global()->generate()));
        fs::create_directories(m_Dir);
        auto sx = [w](int x) { return std::to_string(x * w / 800); };
        auto sy = [h](int y) { return std::to_string(y * h / 600); };
        QImage bg(w, h, QImage::Format_RGB32);
        QPainter(&bg).fillRect(0, 0, w, h, QLinearGradient(0, 0, 0, h));
        WriteFile(m_Dir / "bg.png", Png(bg));
        WriteFile(m_Dir / "face.png", Png(Character(300 * w / 800, 540 * h / 600)));
        // Different names from the first letters on, so each takes a slot of its own.
        for (const char* name : kMiniFaces)
            WriteFile(m_Dir / name, Png(Character(120 * w / 800, 120 * h / 600)));
        const std::string project =
            "<velmor>\r\nStartScript=start.txt\r\n</velmor>\r\n<Screen>\r\nWidth=" +
            std::to_string(w) + "\r\nHeight=" + std::to_string(h) +
            "\r\n</Screen>\r\n<MiniFace>\r\nCount=4\r\nX=" + sx(80) + "," + sx(240) + "," +
            sx(560) + "," + sx(720) + "\r\nY=" + sy(370) + "," + sy(370) + "," + sy(370) + "," +
            sy(370) +
            "\r\n</MiniFace>\r\n"
            "<Font>\r\nFontHeightPercent=28\r\nLineBetweenHeight=4\r\n</Font>\r\n"
            "<MessageWindow>\r\nBorderSize=20\r\n</MessageWindow>\r\n";
        WriteFile(m_Dir / "bench.vsc", project);
        WriteFile(m_Dir / "bench.vss", std::string("<SystemState>\r\nMessageAnimation=0\r\n") +
                                           "AntiAliasText=" + (smooth ? "1" : "0") +
                                           "\r\n</SystemState>\r\n");
        const std::string script =
            "*b bg.png\r\n*f face.png\r\n*m ann.png\r\n*m bob.png\r\n*m cat.png\r\n*m dan.png\r\n" +
            platform::Utf8ToSjis(
                "灯台守の朝は早い。夜明け前に長い階段を上ってレンズを磨き、油を足して、沖へ向かう船"
                "のために最後の"
                "見回りをするのだ。嵐の夜も、凪の夜も、灯りが消えたことは一度もない。それが、この岬"
                "の誇りだった。") +
            "\r\n";
        WriteFile(m_Dir / "start.txt", script);
        m_SavedFolder = platform::FileSystem::CurrentFolder();
        platform::FileSystem::SetCurrentFolder(m_Dir.string() + "/");
        m_DllRes = std::make_unique<TyxDllRes>(
            platform::FileSystem::ProgramFolder() + "VELMORRC.DLL", true);
        m_Engine = std::make_unique<TVelmor>(m_Dir.string() + "/bench.vsc",
                                             platform::Utf8ToSjis("ＭＳ Ｐゴシック"),
                                             EngineServices(m_DllRes.get(), nullptr, &m_Errors));
        // Run the commands and the message line.
        for (int i = 0; i < 20 && m_Engine->Message().Text().empty(); ++i) m_Engine->Interpreter().Tick();
    }
    ~Scene() {
        m_Engine.reset();
        platform::FileSystem::SetCurrentFolder(m_SavedFolder);
        std::error_code ec;
        fs::remove_all(m_Dir, ec);
    }
    TVelmor& Engine() { return *m_Engine; }
    bool Ready() {
        for (int i = 0; i < m_Engine->Scene().MiniFaceCount(); ++i)
            if (!m_Engine->Scene().MiniFace(i).Visible()) return false;
        return m_Engine->Scene().MiniFaceCount() == 4 && !m_Engine->Message().Text().empty() &&
               m_Engine->Scene().Face().Visible() && m_Engine->Scene().MessageWindow().Visible() &&
               m_Engine->Scene().MiniFace(3).Visible();
    }

private:
    fs::path m_Dir;
    std::string m_SavedFolder;
    TStringList m_Errors;
    std::unique_ptr<TyxDllRes> m_DllRes;
    std::unique_ptr<TVelmor> m_Engine;
};

// One scene at a time: each holds a whole engine.
Scene& TheScene(int w = 800, int h = 600, bool smooth = true) {
    static std::unique_ptr<Scene> scene;
    static int sw = 0, sh = 0;
    static bool ss = false;
    if (!scene || sw != w || sh != h || ss != smooth) {
        scene.reset();
        scene = std::make_unique<Scene>(w, h, smooth);
        sw = w;
        sh = h;
        ss = smooth;
    }
    return *scene;
}

bool Check(benchmark::State& state) {
    if (TheScene().Ready()) return true;
    state.SkipWithError("the scene did not load");
    return false;
}

// Arguments: width, height, smooth text.
void BM_ComposeFrame(benchmark::State& state) {
    Scene& scene = TheScene(int(state.range(0)), int(state.range(1)), state.range(2) != 0);
    if (!scene.Ready()) return state.SkipWithError("the scene did not load");
    TVelmor& e = scene.Engine();
    for (auto _ : state) e.Presenter().ComposeFrame();
}
BENCHMARK(BM_ComposeFrame)
    ->Name("compose/busiest")
    ->ArgNames({"w", "h", "smooth"})
    ->Args({800, 600, 1})
    ->Args({800, 600, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMicrosecond);

// A new message each frame: the text is drawn and its glyphs made, nothing replayed.
void BM_ComposeNewText(benchmark::State& state) {
    Scene& scene = TheScene(int(state.range(0)), int(state.range(1)), state.range(2) != 0);
    if (!scene.Ready()) return state.SkipWithError("the scene did not load");
    TVelmor& e = scene.Engine();
    const std::string text = e.Message().Text();
    // Every line new each time: a number in front shifts all the breaks.
    int n = 0;
    for (auto _ : state) {
        e.Message().SetText(std::to_string(++n) + text);
        e.Presenter().ComposeFrame();
    }
    e.Message().SetText(text);
}
BENCHMARK(BM_ComposeNewText)
    ->Name("compose/busiest-new-text")
    ->ArgNames({"w", "h", "smooth"})
    ->Args({800, 600, 1})
    ->Args({800, 600, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMicrosecond);

void BM_Background(benchmark::State& state) {
    if (!Check(state)) return;
    TVelmor& e = TheScene().Engine();
    for (auto _ : state) e.Scene().Background().DrawTo(e.Scene().Screen());
}
BENCHMARK(BM_Background)->Name("compose/800x600/layer/background")->Unit(benchmark::kMicrosecond);

void BM_Face(benchmark::State& state) {
    if (!Check(state)) return;
    TVelmor& e = TheScene().Engine();
    for (auto _ : state) e.Scene().Face().DrawTo(e.Scene().Screen());
}
BENCHMARK(BM_Face)->Name("compose/800x600/layer/face")->Unit(benchmark::kMicrosecond);

void BM_MiniFaces(benchmark::State& state) {
    if (!Check(state)) return;
    TVelmor& e = TheScene().Engine();
    for (auto _ : state)
        for (int i = 0; i < 4; ++i) e.Scene().MiniFace(i).DrawTo(e.Scene().Screen());
}
BENCHMARK(BM_MiniFaces)
    ->Name("compose/800x600/layer/small-faces-x4")
    ->Unit(benchmark::kMicrosecond);

void BM_Window(benchmark::State& state) {
    if (!Check(state)) return;
    TVelmor& e = TheScene().Engine();
    for (auto _ : state) e.Scene().MessageWindow().DrawTo(e.Scene().Screen());
}
BENCHMARK(BM_Window)->Name("compose/800x600/layer/message-window")->Unit(benchmark::kMicrosecond);

// Drawn each time: two texts in turn.
void BM_Message(benchmark::State& state) {
    if (!Check(state)) return;
    TVelmor& e = TheScene().Engine();
    const std::string texts[2] = {e.Message().Text(), e.Message().Text() + "x"};
    int i = 0;
    for (auto _ : state) {
        e.Message().SetText(texts[i ^= 1]);
        e.Message().Draw();
    }
    e.Message().SetText(texts[0]);
}
BENCHMARK(BM_Message)
    ->Name("compose/800x600/layer/message-text-with-outline")
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
