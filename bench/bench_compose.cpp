// One composed frame of the demo's busiest scene at 800 x 600: background, standing character,
// four small faces, message window and a full message with its outline; then each part alone.
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
    Scene() {
        m_Dir = fs::temp_directory_path() /
                ("velmor-bench-compose-" + std::to_string(QRandomGenerator::global()->generate()));
        fs::create_directories(m_Dir);
        QImage bg(800, 600, QImage::Format_RGB32);
        QPainter(&bg).fillRect(0, 0, 800, 600, QLinearGradient(0, 0, 0, 600));
        WriteFile(m_Dir / "bg.png", Png(bg));
        WriteFile(m_Dir / "face.png", Png(Character(300, 540)));
        // Different names from the first letters on, so each takes a slot of its own.
        for (const char* name : kMiniFaces) WriteFile(m_Dir / name, Png(Character(120, 120)));
        const std::string project =
            "<velmor>\r\nStartScript=start.txt\r\n</"
            "velmor>\r\n<Screen>\r\nWidth=800\r\nHeight=600\r\n</Screen>\r\n"
            "<MiniFace>\r\nCount=4\r\nX=80,240,560,720\r\nY=370,370,370,370\r\n</MiniFace>\r\n"
            "<Font>\r\nFontHeightPercent=28\r\nLineBetweenHeight=4\r\n</Font>\r\n"
            "<MessageWindow>\r\nBorderSize=20\r\n</MessageWindow>\r\n";
        WriteFile(m_Dir / "bench.vsc", project);
        WriteFile(m_Dir / "bench.vss",
                  "<SystemState>\r\nMessageAnimation=0\r\nAntiAliasText=1\r\n</SystemState>\r\n");
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
        for (int i = 0; i < 20 && m_Engine->Message().Text().empty(); ++i) m_Engine->Tick();
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

Scene& TheScene() {
    static Scene scene;
    return scene;
}

bool Check(benchmark::State& state) {
    if (TheScene().Ready()) return true;
    state.SkipWithError("the scene did not load");
    return false;
}

void BM_ComposeFrame(benchmark::State& state) {
    if (!Check(state)) return;
    TVelmor& e = TheScene().Engine();
    for (auto _ : state) e.ComposeFrame();
}
BENCHMARK(BM_ComposeFrame)->Name("compose/800x600/busiest")->Unit(benchmark::kMicrosecond);

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

void BM_Message(benchmark::State& state) {
    if (!Check(state)) return;
    TVelmor& e = TheScene().Engine();
    for (auto _ : state) e.Message().Draw();
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
