// The program entry: one copy at a time, then the game window.
#include <QApplication>
#include <QTimer>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/qt_message_box.h"
#include "platform/quit_request.h"
#include "platform/quit_signals.h"
#include "platform/sdl_joystick.h"
#include "platform/single_instance.h"
#include "platform/system_clock.h"
#include "shell/form_main.h"
#include "shell/qt_translations.h"

int main(int argc, char** argv) {
    if (platform::SingleInstance::Exists("velmor")) return 1;
    platform::SingleInstance instance;
    if (!instance.Create("velmor")) return 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName("velmor");
    InstallQtTranslations(app);
    std::vector<std::string> args;
    // The first argument is taken from where the player started us, before the current
    // folder moves to the program's.
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        const auto full = std::filesystem::absolute(argv[i], ec);
        args.push_back(
            platform::FileSystem::FromHostPath(ec ? std::string(argv[i]) : full.string()));
    }

    {
        // The services of the whole program, made once here and handed down.
        platform::SystemClock clock;
        platform::QtMessageBox boxes;
        platform::SdlJoystick joystick;
        const TFormMain::TServices services{&clock, &boxes, &joystick};
        TFormMain form(services);
        if (!form.FormCreate(args)) return 0;
        // Being told to stop (logout, Ctrl+C) closes the window like the player would, so the
        // player's settings and progress are still written.
        // A second request ends the program at once.
        platform::QuitSignals::Install();
        QTimer quitWatch;
        QObject::connect(&quitWatch, &QTimer::timeout, &form, [&form] {
            if (platform::QuitRequest::IsSet()) form.close();
        });
        quitWatch.start(100);
        app.exec();
    }
    instance.Release();
    return 0;
}
