// The plug-in host: dllopen, dllattach and dllclose with probe libraries built beside the
// tests, the plug-in mode's clock and input rules, the way back to the script, which file a
// game's library name loads, the second interface (keys, text, the variable walk) beside the
// first, and exceptions out of a C++ plug-in.
#include <cstddef>
#include <filesystem>
#include <fstream>

#include "command_fixture.h"
#include "engine/velmor_plugin.h"

namespace {

namespace fs = std::filesystem;

class FrameDisplay : public TDisplaySurface {
public:
    FrameDisplay() : TDisplaySurface(platform::Clock::Current()) {}
    int Width() const override { return 160; }
    int Height() const override { return 120; }
    void Present(const platform::Bitmap& frame, int, int) override {
        ++presents;
        last = frame;
    }
    int presents = 0;
    platform::Bitmap last;
};

class PluginHostTest : public CommandTest {
protected:
    // A probe variant copied into the game folder under another name.
    void Install(const std::string& variant, const std::string& as) {
        fs::create_directories(fs::path(m_Dir.Str() + as).parent_path());
        fs::copy_file(std::string(VELMOR_TEST_PLUGIN_DIR) + variant + ".so", m_Dir.Str() + as,
                      fs::copy_options::overwrite_existing);
    }
    TVelmor& StartWith(const std::string& script, const std::string& project = "") {
        TVelmor& engine = Start(script, project);
        engine.Scene().SetDisplay(&m_Display);
        return engine;
    }
    // Idle passes as the window runs them, the clock moved to each deadline; stops when the
    // engine rests until input. The fatal text when the game ends.
    std::string Pass(int passes) {
        try {
            for (int i = 0; i < passes; ++i) {
                const TIdleWait wait = m_Engine->ModeObject().NextWait();
                if (wait.kind == TIdleWait::kInput) return {};
                if (wait.kind == TIdleWait::kDeadline)
                    m_Clock.Advance(wait.deadline - m_Clock.TickCount());
                m_Engine->ModeObject().Idle();
            }
        } catch (const EEngineError& e) {
            return platform::SjisToUtf8(e.Text());
        }
        return {};
    }
    int32_t Var(const std::string& name) {
        int32_t v = -999;
        m_Engine->Variables().Get(name, v);
        return v;
    }
    std::string Log() {
        std::ifstream in(m_Dir.Str() + "probe.log");
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    void ClearLog() { fs::remove(m_Dir.Str() + "probe.log"); }
    int Mode() const { return CodeOf(m_Engine->Mode()); }

    FrameDisplay m_Display;
};

TEST_F(PluginHostTest, AttachedPluginGetsClockClicksAndMovesUntilItReturns) {
    Install("probe", "probe.so");
    m_Dir.WriteBytes("probe.txt", "xyz");
    Picture("pic.png", 7, 5, 0x112233);
    StartWith("#start\n?seed = 42\n:dllopen Probe.DLL\n:dllattach resume\nafter\n%\n");
    EXPECT_EQ(Pass(50), "");
    ASSERT_EQ(Mode(), 8);
    EXPECT_TRUE(m_Engine->Flow().ClickWait);
    EXPECT_EQ(Records(), TStringList{});
    // What Attach saw through the host structures.
    EXPECT_EQ(Var("screen_w"), 160);
    EXPECT_EQ(Var("screen_h"), 120);
    EXPECT_EQ(Var("seed_seen"), 42);
    EXPECT_EQ(Var("file_size"), 3);
    EXPECT_EQ(Var("file_first"), 'x');
    EXPECT_EQ(Var("pic_w"), 7);
    EXPECT_EQ(Var("pic_h"), 5);
    EXPECT_EQ(static_cast<uint32_t>(Var("pic_px")), 0xFF332211u);  // B, G, R, opaque
    // Clock on every pass, paced by the engine's clock, which the plug-in reads.
    const int32_t before = Var("clocks");
    EXPECT_GT(before, 0);
    EXPECT_EQ(Pass(10), "");
    EXPECT_EQ(Var("clocks"), before + 10);
    EXPECT_EQ(static_cast<uint32_t>(Var("tick")), m_Clock.TickCount());
    EXPECT_EQ(m_Engine->ModeObject().NextWait().kind, TIdleWait::kDeadline);
    EXPECT_EQ(m_Engine->ModeObject().NextWait().deadline,
              m_Clock.TickCount() + TVelmorPlugin::kClockIntervalMs);

    // Keyboard and joystick confirms, and every other code, reach nothing; skip ends.
    ClearLog();
    m_Engine->Flow().Skip = true;
    m_Engine->ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_FALSE(m_Engine->Flow().Skip);
    m_Engine->ModeObject().Input(TInputCode::Confirm, 3, -1);
    for (int code = 2; code <= 8; ++code)
        m_Engine->ModeObject().Input(static_cast<TInputCode>(code), 4, 4);
    m_Engine->ModeObject().MouseMove(12, 34);
    EXPECT_EQ(Log(), "probe move 12 34\n");
    EXPECT_EQ(Mode(), 8);

    // A click reaches OnInput, which paints, presents and asks for the next line.
    const int presents = m_Display.presents;
    m_Engine->ModeObject().Input(TInputCode::Confirm, 0, 0);
    EXPECT_EQ(Log(), "probe move 12 34\nprobe input 0 0\n");
    EXPECT_EQ(m_Display.presents, presents + 1);
    EXPECT_EQ(m_Display.last.Pixel(80, 60), 0x0000FFu);
    EXPECT_EQ(Var("way_back"), 1);
    EXPECT_EQ(Mode(), 1);
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "after");
    // Out of its mode the plug-in is not called any more.
    const int32_t clocks = Var("clocks");
    m_Engine->ModeObject().Idle();
    m_Engine->ModeObject().MouseMove(1, 1);
    EXPECT_EQ(Var("clocks"), clocks);
    EXPECT_EQ(Log(), "probe move 12 34\nprobe input 0 0\n");
    EXPECT_EQ(m_Seen.modes, (std::vector<int>{8, 1}));
}

TEST_F(PluginHostTest, WayBackContinuesAtTheNextLineOrANamedParagraph) {
    Install("probe", "probe.so");
    m_Dir.WriteSjis("second.txt", "#far\nfar away\n%\n");
    struct Case {
        const char* argument;
        bool click;  // "now" returns from within Attach
        const char* message;
        const char* script;
        const char* paragraph;
    };
    const Case cases[] = {
        {"resume", true, "next line", "start.txt", "#start"},
        {"now", false, "next line", "start.txt", "#start"},
        {"#other", true, "other paragraph", "start.txt", "#other"},
        {"#FAR@second.txt", true, "far away", "second.txt", "#FAR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        StartWith(std::string("#start\n:dllopen probe.dll\n:dllattach ") + c.argument +
                  "\nnext line\n%\n#other\nother paragraph\n%\n");
        EXPECT_EQ(Pass(5), "");
        if (c.click) {
            EXPECT_EQ(Mode(), 8);
            m_Engine->ModeObject().Input(TInputCode::Confirm, 10, 10);
        }
        EXPECT_EQ(Var("way_back"), 1);
        EXPECT_EQ(Mode(), 1);
        EXPECT_EQ(RunToInput(), "");
        EXPECT_EQ(m_Engine->Message().Text(), c.message);
        EXPECT_EQ(m_Engine->Script().Position().Script, c.script);
        EXPECT_EQ(m_Engine->Script().Position().Paragraph, c.paragraph);
        EXPECT_EQ(Records(), TStringList{});
    }
    // A paragraph that does not exist ends the game as any jump would.
    StartWith("#start\n:dllopen probe\n:dllattach #nowhere\n");
    EXPECT_EQ(Pass(5), "");
    EXPECT_THROW(m_Engine->ModeObject().Input(TInputCode::Confirm, 1, 1), EEngineError);
}

TEST_F(PluginHostTest, LibrariesThatCannotServeEndTheGameWithTheOpenError) {
    TempFolder elsewhere;
    fs::copy_file(std::string(VELMOR_TEST_PLUGIN_DIR) + "probe.so", elsewhere.Str() + "out.so");
    fs::copy_file(std::string(VELMOR_TEST_PLUGIN_DIR) + "probe.so",
                  m_Dir.Path().parent_path() / (m_Dir.Path().filename().string() + "-out.so"));
    Install("probe_noinfo", "noinfo.so");
    Install("probe_future", "future.so");
    Install("probe_cpp", "throws.so");
    m_Dir.WriteBytes("throw.txt", "DLLOpen\n");
    Install("probe_noopen", "noopen.so");
    Install("probe_openfails", "openfails.so");
    m_Dir.WriteBytes("text.so", "not a library at all\n");
    // The probe for another machine: its ELF header names a different architecture.
    Install("probe", "arm.so");
    {
        std::fstream f(m_Dir.Str() + "arm.so", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(18);
        const char machine[2] = {0x28, 0};  // 32-bit ARM
        f.write(machine, 2);
    }
    const std::string parentName = "..\\" + m_Dir.Path().filename().string() + "-out.dll";
    const std::string cases[] = {
        "missing.dll", "text.so",   "arm.dll",    "noinfo.dll", "future.dll",
        "noopen.dll",  "openfails", "throws.dll", parentName,   elsewhere.Str() + "out.so"};
    for (const std::string& name : cases) {
        SCOPED_TRACE(name);
        ClearLog();
        StartWith("#start\n:dllopen " + name + "\nafter\n");
        EXPECT_EQ(RunToInput(), "TVelmor : " + name + "がオープンできません");
        EXPECT_FALSE(m_Engine->Plugin().Loaded());
        EXPECT_FALSE(m_Engine->Plugin().LastOpenError().empty());
        // Nothing of a refused library ran, except a DLLOpen that said no or threw.
        EXPECT_EQ(Log().find("open") == std::string::npos,
                  name != "openfails" && name != "throws.dll");
        // Why, in the error list too.
        EXPECT_EQ(Records(), TStringList{"プラグインを使えません " + name + " (" +
                                         m_Engine->Plugin().LastOpenError() + ")"});
    }
}

TEST_F(PluginHostTest, AttachFailuresAreRecords) {
    Install("probe", "probe.so");
    Install("probe_nomove", "nomove.so");
    Install("probe_attachfails", "attachfails.so");
    const std::string notOpen = "dllをopenせずにattachしようとしました";
    const std::string failed = "dllのattachに失敗しました";
    struct Case {
        const char* lines;
        std::string record;
        int mode;
    };
    const Case cases[] = {
        {":dllattach x", notOpen, 1},
        {":dllopen probe.dll\n:dllclose\n:dllattach x", notOpen, 1},
        // Without OnMouseMove it opens but cannot attach, and the game stays where it was.
        {":dllopen nomove.dll\n:dllattach x", failed, 1},
        // Attach said no after the mode was entered: the mode stays.
        {":dllopen attachfails.dll\n:dllattach x", failed, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        ClearLog();
        StartWith(std::string("#start\n") + c.lines + "\nafter\n%\n");
        EXPECT_EQ(Pass(20), "");
        EXPECT_EQ(Records(), TStringList{c.record});
        EXPECT_EQ(Mode(), c.mode);
        if (c.mode == 1) {
            EXPECT_EQ(m_Engine->Message().Text(), "after");
        }
    }
    EXPECT_NE(Log().find("probe open 1"), std::string::npos);
}

TEST_F(PluginHostTest, ReleasedLibrariesAreNeverCalledAgain) {
    Install("probe", "probe.so");
    Install("probe_b", "b.so");
    // A second dllopen releases the first before it loads; the same library loads afresh.
    StartWith("#start\n:dllopen probe.dll\n:dllopen b.dll\n:dllopen probe.dll\n:dllattach x\n");
    EXPECT_EQ(Pass(10), "");
    // (The variable walk the probe logs after its attach is checked below.)
    EXPECT_EQ(Log().substr(0, Log().find("probe vars")),
              "probe open 1 v2\nprobe release\nprobe_b open 1 v2\nprobe_b release\n"
              "probe open 1 v2\nprobe attach x\n");
    ASSERT_EQ(Mode(), 8);
    // Released in its own mode: clock, clicks and moves reach nothing, and the loop rests.
    m_Engine->Plugin().Close();
    ClearLog();
    m_Engine->ModeObject().Idle();
    m_Engine->ModeObject().Input(TInputCode::Confirm, 5, 5);
    m_Engine->ModeObject().MouseMove(5, 5);
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(m_Engine->ModeObject().NextWait().kind, TIdleWait::kInput);
    // The engine's destruction releases a loaded library.
    StartWith("#start\n:dllopen probe.dll\nheld\n");
    EXPECT_EQ(Pass(3), "");
    ClearLog();
    m_Engine.reset();
    EXPECT_EQ(Log(), "probe release\n");
}

TEST_F(PluginHostTest, FirstVersionPluginsSeeOnlyTheFirstInterface) {
    Install("probe", "probe.so");
    Install("probe_v1", "v1.so");
    struct Case {
        const char* name;
        uint32_t version, display, screen, script;
    };
    const Case cases[] = {
        {"v1", 1, offsetof(VelmorDisplay, key_down), offsetof(VelmorScreen, draw_text),
         offsetof(VelmorScript, variable_count)},
        {"probe", 2, sizeof(VelmorDisplay), sizeof(VelmorScreen), sizeof(VelmorScript)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartWith(std::string("#start\n?seed = 7\n:dllopen ") + c.name + "\n:dllattach x\n");
        ClearLog();
        EXPECT_EQ(Pass(20), "");
        ASSERT_EQ(Mode(), 8);
        EXPECT_EQ(m_Engine->Plugin().Version(), c.version);
        EXPECT_EQ(Var("api_version"), static_cast<int32_t>(c.version));
        EXPECT_EQ(Var("api_display"), static_cast<int32_t>(c.display));
        EXPECT_EQ(Var("api_screen"), static_cast<int32_t>(c.screen));
        EXPECT_EQ(Var("api_script"), static_cast<int32_t>(c.script));
        // The walk, in the list's order, as far as Attach had set them; a name cut to fit.
        std::string vars = "vars";
        for (const TVelmorIntVariable& v : m_Engine->Variables().List()) {
            vars += " " + v.Name + "=" + std::to_string(v.Value);
            if (v.Name == "api_script") break;
        }
        const std::string first = m_Engine->Variables().List().front().Name;
        vars += " | " + first.substr(0, 2) + " " + std::to_string(first.size()) + " -1";
        // Keys: held state and events, the events in the plug-in mode only and for version 2.
        m_Engine->Plugin().Key(VELMOR_KEY_LEFT, true, false);
        m_Engine->Plugin().Key(VELMOR_KEY_LEFT, true, true);
        m_Engine->Plugin().Key('Z', true, false);
        m_Engine->Plugin().Key(VELMOR_KEY_LEFT, false, false);
        m_Engine->Plugin().Key(0, true, false);
        m_Engine->Plugin().Key(300, true, false);
        const std::string keys = c.version < 2
                                     ? ""
                                     : "probe key 37 1 0 held 1\nprobe key 37 1 1 held 1\n"
                                       "probe key 90 1 0 held 1\nprobe key 37 0 0 held 0\n";
        const std::string name = c.version < 2 ? "probe" : c.name;
        EXPECT_EQ(Log(), name + " open 1 v" + std::to_string(c.version) + "\n" + name +
                             " attach x\n" + (c.version < 2 ? "" : name + " " + vars + "\n") +
                             keys);
    }
    // Out of the plug-in mode a key is only remembered.
    StartWith("#start\n:dllopen probe\nheld\n");
    EXPECT_EQ(RunToInput(), "");
    ClearLog();
    m_Engine->Plugin().Key('A', true, false);
    EXPECT_EQ(Log(), "");
}

TEST_F(PluginHostTest, TextIsDrawnAsTheMessageWindowDrawsIt) {
    Install("probe", "probe.so");
    struct Case {
        const char* argument;
        bool smooth, outline;
    };
    const Case cases[] = {{"text-WM", false, false},
                          {"outline-WM", false, true},
                          {"text-WM", true, false},
                          {"outline-WM", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.argument) + (c.smooth ? " smooth" : " plain"));
        // A font of 20 pixels (the screen's height / 6).
        StartWith(std::string("#start\n:dllopen probe\n:dllattach ") + c.argument + "\n",
                  "<Font>\nFontHeightPercent=6\n</Font>\n");
        m_Engine->SystemState().AntiAliasText = c.smooth;
        EXPECT_EQ(Pass(20), "");
        m_Engine->ModeObject().Input(TInputCode::Confirm, 20, 30);
        EXPECT_EQ(Var("drawn"), 1);
        EXPECT_EQ(Mode(), 8);
        int text = 0, outline = 0, mixed = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const uint32_t p = m_Display.last.Pixel(x, y) & 0xFFFFFF;
                if (p == 0xFFFFFF)
                    ++text;
                else if (p == 0x00FF00)
                    ++outline;
                else if (p != 0x0000FF)
                    ++mixed;
                // Inside the area, give or take the outline and the font's overhang.
                if (p != 0x0000FF) {
                    EXPECT_GE(x, 19);
                    EXPECT_GE(y, 29);
                    EXPECT_LE(x, 81);
                }
            }
        EXPECT_GT(text, 20);
        EXPECT_EQ(outline > 0, c.outline);
        EXPECT_EQ(mixed > 0, c.smooth);
    }
}

TEST_F(PluginHostTest, AnExceptionOutOfAPluginEndsItAndTheScriptGoesOn) {
    Install("probe_cpp", "cpp.so");
    // The C++ build loads (its exports have C linkage) and plays as the C one does.
    StartWith("#start\n:dllopen cpp.dll\n:dllattach resume\nafter\n%\n");
    EXPECT_EQ(Pass(20), "");
    ASSERT_EQ(Mode(), 8);
    EXPECT_GT(Var("clocks"), 0);
    m_Engine->ModeObject().Input(TInputCode::Confirm, 1, 1);
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "after");

    struct Case {
        const char* throws;
        const char* record;
    };
    const Case cases[] = {
        {"Attach", "Attach: Attach gave up"},
        {"Clock", "Clock: Clock gave up"},
        {"Clock!", "Clock: an exception of unknown type"},
        {"OnInput", "OnInput: OnInput gave up"},
        {"OnMouseMove", "OnMouseMove: OnMouseMove gave up"},
        {"OnKey", "OnKey: OnKey gave up"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.throws);
        m_Dir.WriteBytes("throw.txt", c.throws);
        ClearLog();
        StartWith("#start\n:dllopen cpp.dll\n:dllattach x\nafter\n%\n");
        EXPECT_EQ(Pass(20), "");
        // Each only while the plug-in runs: after it, a click would go on in the script.
        if (Mode() == 8) m_Engine->ModeObject().MouseMove(2, 2);
        if (Mode() == 8) m_Engine->Plugin().Key('K', true, false);
        if (Mode() == 8) m_Engine->ModeObject().Input(TInputCode::Confirm, 3, 3);
        EXPECT_EQ(Records(), TStringList{std::string("プラグインで例外が発生しました cpp.dll (") +
                                         c.record + ")"});
        // Released at once, never called again; the game went on at the next line.
        EXPECT_FALSE(m_Engine->Plugin().Loaded());
        const std::string log = Log();
        EXPECT_EQ(log.substr(log.size() - 14), "probe release\n");
        EXPECT_EQ(RunToInput(), "");
        EXPECT_EQ(m_Engine->Message().Text(), "after");
        EXPECT_EQ(Mode(), 1);
    }
}

TEST_F(PluginHostTest, LibraryNamesResolveInsideTheGameFolderOnly) {
    m_Dir.WriteBytes("Sub/Plug.so", "");
    m_Dir.WriteBytes("top.so", "");
    TempFolder outside;
    outside.WriteBytes("x.so", "");
    fs::create_directory_symlink(outside.Path(), m_Dir.Path() / "link");
    const std::string dir = m_Dir.Str();
    struct Case {
        std::string name;
        std::string host;  // empty: refused
    };
    const Case cases[] = {
        {"top.dll", dir + "top.so"},
        {"TOP.DLL", dir + "top.so"},
        {"top", dir + "top.so"},
        {"top.so", dir + "top.so"},
        {"sub\\plug.dll", dir + "Sub/Plug.so"},
        {".\\sub\\..\\top.dll", dir + "top.so"},
        {"new.dll", dir + "new.so"},
        {dir + "top.dll", dir + "top.so"},
        {"..\\x.dll", ""},
        {"sub\\..\\..\\x.dll", ""},
        {outside.Str() + "x.so", ""},
        {"\\etc\\x.dll", ""},
        {"link\\x.dll", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string host;
        const bool ok = TVelmorPlugin::ResolveLibraryPath(dir, c.name, host);
        EXPECT_EQ(ok, !c.host.empty());
        if (ok) {
            EXPECT_EQ(fs::weakly_canonical(host), fs::weakly_canonical(c.host));
        }
    }
}

}  // namespace
