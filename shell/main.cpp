// The program entry: one copy at a time, then the game window.
#include <QApplication>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/single_instance.h"
#include "shell/form_main.h"

int main(int argc, char** argv) {
    if (platform::SingleInstance::Exists("velmor")) return 1;
    platform::SingleInstance instance;
    if (!instance.Create("velmor")) return 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName("velmor");
    std::vector<std::string> args;
    // The first argument is taken from where the player started us, before the current
    // folder moves to the program's.
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        const auto full = std::filesystem::absolute(argv[i], ec);
        args.push_back(platform::FileSystem::FromHostPath(ec ? std::string(argv[i]) : full.string()));
    }

    {
        TFormMain form;
        if (!form.FormCreate(args)) return 0;
        app.exec();
    }
    instance.Release();
    return 0;
}
