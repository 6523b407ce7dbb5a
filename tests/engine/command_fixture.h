#pragma once
// An engine on a virtual clock in a folder of its own, for the command and choice tests.
#include <gtest/gtest.h>

#include <memory>

#include "engine/velmor.h"
#include "platform/bitmap.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "tests/support/engine_services.h"
#include "tests/support/temp_folder.h"

class CommandRecorder : public TVelmorMonitor {
public:
    void Jumped(const std::string& script, const std::string& paragraph) override {
        jumps.push_back(script + paragraph);
    }
    void Choices(const TStringList& captions) override { choices.push_back(captions); }
    void Sound(TSoundChannel channel, TSoundOperation op, const std::string& file) override {
        sounds.push_back(std::to_string(CodeOf(channel)) + " " + std::to_string(CodeOf(op)) + " " +
                         file);
    }
    // The CD as the fifth channel, as the runner shows it.
    void CD(TCDRequest request, int32_t track) override {
        sounds.push_back("4 " + std::to_string(CodeOf(request)) + " " + std::to_string(track));
    }
    void ModeChanged(TGameMode mode) override { modes.push_back(CodeOf(mode)); }
    TStringList jumps, sounds;
    std::vector<TStringList> choices;
    std::vector<int> modes;
};

class CommandTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 160, kHeight = 120;

    void SetUp() override {
        platform::MessageBox::SetCurrent(&m_Boxes);
        platform::Clock::SetCurrent(&m_Clock);
        m_DllRes =
            std::make_unique<TyxDllRes>(std::string(VELMOR_BINARY_DIR) + "/bin/VELMORRC.DLL", true);
        m_SavedFolder = platform::FileSystem::CurrentFolder();
        platform::FileSystem::SetCurrentFolder(m_Dir.Str());
    }
    void TearDown() override {
        m_Engine.reset();
        platform::FileSystem::SetCurrentFolder(m_SavedFolder);
        platform::Clock::SetCurrent(nullptr);
        platform::MessageBox::SetCurrent(nullptr);
    }
    // A game whose start script is the given UTF-8 text; extra project sections may follow.
    TVelmor& Start(const std::string& script, const std::string& project = "") {
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nStartScript=start.txt\n</velmor>\n<Screen>\nWidth=160\n"
                        "Height=120\n</Screen>\n" +
                            project);
        m_Dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
        m_Dir.WriteSjis("start.txt", script);
        m_Engine = std::make_unique<TVelmor>(m_Dir.Str() + "game.vsc", SJ("ＭＳ ゴシック"),
                                             EngineServices(m_DllRes.get(), nullptr, &m_Errors));
        m_Engine->SetMonitor(&m_Seen);
        m_Errors.clear();
        return *m_Engine;
    }
    // A picture of one colour in the game folder.
    void Picture(const std::string& name, int w, int h, uint32_t colour = 0x336699) {
        platform::Bitmap b;
        b.SetFormat(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = b.ScanLine(y) + x * 3;
                p[0] = static_cast<uint8_t>(colour >> 16);
                p[1] = static_cast<uint8_t>(colour >> 8);
                p[2] = static_cast<uint8_t>(colour);
            }
        ASSERT_TRUE(b.SavePng(m_Dir.Str() + name));
    }
    // Runs one command line as the script would.
    void Run(const std::string& utf8Line) {
        m_Engine->Interpreter().Tokenise(SJ(utf8Line), TVelmorInterpreter::kCommandDelimiters);
        const TStringList tokens = m_Engine->Interpreter().Tokens();
        m_Engine->Interpreter().ScriptCommandExecute(tokens);
    }
    // Ticks until the engine waits for input (deadlines are waited out); the fatal text when
    // the game ends instead.
    std::string RunToInput(int limit = 10000) {
        try {
            for (int i = 0; i < limit; ++i) {
                const auto wait = m_Engine->Interpreter().NextWait();
                if (wait.kind == TIdleWait::kInput) return {};
                if (wait.kind == TIdleWait::kDeadline)
                    m_Clock.Advance(wait.deadline - m_Clock.TickCount());
                m_Engine->Interpreter().Tick();
            }
        } catch (const EEngineError& e) {
            return platform::SjisToUtf8(e.Text());
        }
        ADD_FAILURE() << "the engine never waited";
        return {};
    }
    // Error records without their line prefix and present line.
    TStringList Records() {
        TStringList out;
        for (const auto& r : m_Errors) {
            std::string u = platform::SjisToUtf8(r);
            const size_t start = u.find(": ");
            const size_t end = u.rfind(" : ");
            out.push_back(u.substr(start + 2, end - start - 2));
        }
        m_Errors.clear();
        return out;
    }

    TempFolder m_Dir;
    TempFolder m_Home;
    ScopedDataHome m_DataHome{m_Home.Str()};
    platform::TestMessageResponder m_Boxes;
    platform::VirtualClock m_Clock{1000};
    std::unique_ptr<TyxDllRes> m_DllRes;
    TStringList m_Errors;
    std::string m_SavedFolder;
    CommandRecorder m_Seen;
    std::unique_ptr<TVelmor> m_Engine;
};
