// The program entry: the command line, one copy at a time, then the game window.
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "platform/instance_raiser.h"
#include "platform/qt_message_box.h"
#include "platform/quit_request.h"
#include "platform/quit_signals.h"
#include "platform/sdl_joystick.h"
#include "platform/single_instance.h"
#include "platform/system_clock.h"
#include "shell/command_line.h"
#include "shell/form_main.h"
#include "shell/quick_commands.h"
#include "shell/qt_translations.h"

int main(int argc, char** argv) {
    // Read before any window and before the lock, so a mistyped path costs nothing.
    const TCommandLine line = TCommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.kind) {
        case TCommandLine::Kind::Help:
            std::fputs(TCommandLine::HelpText().c_str(), stdout);
            return line.status;
        case TCommandLine::Kind::Version:
            std::fputs(TCommandLine::VersionText().c_str(), stdout);
            return line.status;
        case TCommandLine::Kind::Error:
            std::fprintf(stderr, "velmor: %s\nTry 'velmor --help'.\n", line.message.c_str());
            return line.status;
        case TCommandLine::Kind::Play:
            break;
    }
    if (platform::SingleInstance::Exists("velmor")) {
        platform::InstanceRaiser::AskToRaise("velmor");
        std::fputs("velmor: the game is already running\n", stderr);
        return 1;
    }
    platform::SingleInstance instance;
    if (!instance.Create("velmor")) {
        std::fputs("velmor: the game is already running\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("velmor");
    InstallQtTranslations(app);
    std::vector<std::string> args;
    if (!line.project.empty()) args.push_back(line.project);
    if (!line.folder.empty()) args.push_back(line.folder);

    int status = 0;
    {
        // The services of the whole program, made once here and handed down.
        platform::SystemClock clock;
        platform::QtMessageBox boxes;
        platform::SdlJoystick joystick;
        const TFormMain::TServices services{&clock, &boxes, &joystick};
        TFormMain form(services);
        form.SetScaling(line.scaling);
        form.SetContinue(line.resume);
        form.Quick().SetAutoSaveOnClose(true);
        // A later copy asks for the window; already while start-up asks its questions.
        platform::InstanceRaiser raiser;
        raiser.Listen("velmor", [&form] { form.RaiseWindow(); });
        if (!form.FormCreate(args)) {
            status = 1;
        } else {
            // Being told to stop (logout, Ctrl+C) closes the window like the player would, so
            // the player's settings and progress are still written. A second request ends the
            // program at once.
            platform::QuitSignals::Install();
            // Woken by the signal itself: a poll would wake the waiting program ten times a
            // second for nothing. Once asked, the close is retried until the window goes, as
            // a dialog that is open may hold it.
            QTimer quitPoll;
            QObject::connect(&quitPoll, &QTimer::timeout, &form, [&form] {
                if (platform::QuitRequest::IsSet()) form.close();
            });
            std::unique_ptr<QSocketNotifier> quitWatch;
            const int wake = platform::QuitSignals::WakeDescriptor();
            if (wake >= 0) {
                quitWatch = std::make_unique<QSocketNotifier>(wake, QSocketNotifier::Read);
                QObject::connect(quitWatch.get(), &QSocketNotifier::activated, &form,
                                 [&quitWatch, &quitPoll, &form] {
                                     quitWatch->setEnabled(false);
                                     quitPoll.start(100);
                                     form.close();
                                 });
            } else {
                quitPoll.start(100);
            }
            app.exec();
        }
    }
    instance.Release();
    return status;
}
