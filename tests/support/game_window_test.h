#pragma once
// One game window under test: the message boxes, the virtual clock and a joystick with no
// device installed, a small game in a fresh folder, the player's folder elsewhere, and the
// steps every window test takes to start it and let it run until it waits for the player.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <memory>
#include <string>
#include <vector>

#include "engine/velmor.h"
#include "platform/clock.h"
#include "platform/fake_joystick.h"
#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/sjis.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "shell/form_main.h"
#include "tests/support/temp_folder.h"

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MessageBox::SetCurrent(&m_Boxes);
        platform::Clock::SetCurrent(&m_Clock);
        platform::Joystick::SetCurrent(&m_Joy);
        m_Joy.devices = 0;
        m_SavedFolder = platform::FileSystem::CurrentFolder();
        WriteProject();
        WriteState("MessageAnimation=0\n");
    }
    void TearDown() override {
        if (m_Form) m_Form->close();
        m_Form.reset();
        platform::FileSystem::SetCurrentFolder(m_SavedFolder);
        platform::Joystick::SetCurrent(nullptr);
        platform::Clock::SetCurrent(nullptr);
        platform::MessageBox::SetCurrent(nullptr);
    }

    // "game.vsc": a 160 x 120 game starting at "start.txt", with more sections appended.
    void WriteProject(const std::string& more = "", int width = 160, int height = 120) const {
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nTitle=灯台\nStartScript=start.txt\n</velmor>\n"
                        "<Screen>\nWidth=" +
                            std::to_string(width) + "\nHeight=" + std::to_string(height) +
                            "\n</Screen>\n" + more);
    }
    // "game.vss" with these lines of its state section.
    void WriteState(const std::string& lines) const {
        m_Dir.WriteSjis("game.vss", "<SystemState>\n" + lines + "</SystemState>\n");
    }
    std::string Project(const std::string& name = "game.vsc") const {
        return platform::FileSystem::FromHostPath(m_Dir.Str() + name);
    }

    // Opens the game in a window the test drives itself.
    bool Open(TFormMain& form) const {
        form.SetExternalDriver(true);
        return form.FormCreate({Project()});
    }
    // Writes the start script, opens the fixture's own window and lets it run.
    TVelmor& Start(const std::string& script) {
        m_Dir.WriteSjis("start.txt", script);
        m_Form = std::make_unique<TFormMain>();
        EXPECT_TRUE(Open(*m_Form));
        Settle(*m_Form);
        return *m_Form->Engine();
    }
    // Idle passes until the game waits for the player; time moves on to each deadline.
    void Settle(TFormMain& form) {
        for (int i = 0; i < 200 && form.Engine(); ++i) {
            uint32_t deadline;
            const auto rest = form.NextRest(deadline);
            if (rest == TFormMain::Rest::Input) return;
            if (rest == TFormMain::Rest::Deadline) m_Clock.Advance(deadline - m_Clock.TickCount());
            form.IdlePass();
        }
    }
    void Settle() { Settle(*m_Form); }

    static void Key(TFormMain& form, QEvent::Type type, int key, Qt::KeyboardModifiers mods = {},
                    bool repeat = false) {
        QKeyEvent e(type, key, mods, QString(), repeat);
        QApplication::sendEvent(&form, &e);
    }
    static QAction* Act(TFormMain& form, const char* name) {
        return form.findChild<QAction*>(name);
    }
    // The texts of the message boxes shown so far, in UTF-8.
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& r : m_Boxes.Records()) out.push_back(platform::SjisToUtf8(r.text));
        return out;
    }

    TempFolder m_Dir;
    TempFolder m_Home;
    ScopedDataHome m_DataHome{m_Home.Str()};
    platform::TestMessageResponder m_Boxes;
    platform::VirtualClock m_Clock{5000};
    platform::FakeJoystick m_Joy;
    std::string m_SavedFolder;
    std::unique_ptr<TFormMain> m_Form;
};
