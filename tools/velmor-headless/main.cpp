// Plays a game folder without a display: Qt offscreen, time from a virtual clock, message
// boxes answered and written to the transcript, the screen saved as PNG files.
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/sjis.h"
#include "platform/virtual_clock.h"
#include "shell/display_image.h"
#include "shell/form_main.h"

namespace {

class Transcript {
public:
    void Open(const std::string& path) { m_File.open(path, std::ios::out | std::ios::trunc); }
    void Line(const std::string& utf8) {
        std::printf("%s\n", utf8.c_str());
        if (m_File) m_File << utf8 << '\n';
    }

private:
    std::ofstream m_File;
};

// Answers every box as a player would by default (yes, OK) and records it.
class HeadlessResponder : public platform::MessageBox {
public:
    explicit HeadlessResponder(Transcript& t) : m_Transcript(t) {}
    platform::MessageAnswer Show(const std::string& caption, const std::string& text,
                                 platform::MessageIcon icon, platform::MessageButtons buttons) override {
        static const char* const kIcons[] = {"none", "information", "warning", "question", "stop"};
        const auto answer = (buttons == platform::MessageButtons::YesNo ||
                             buttons == platform::MessageButtons::YesNoCancel)
                                ? platform::MessageAnswer::Yes
                                : platform::MessageAnswer::Ok;
        m_Transcript.Line(std::string("box ") + kIcons[static_cast<int>(icon)] + " [" +
                          platform::SjisToUtf8(caption) + "] " + platform::SjisToUtf8(text));
        return answer;
    }

private:
    Transcript& m_Transcript;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: velmor-headless [--inputs FILE] [--auto] [--choices 0,1,...] "
                 "[--max-lines N] [--shots DIR] PROJECT.vsc\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string shots, project;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--shots" && i + 1 < argc) shots = argv[++i];
        else if ((arg == "--inputs" || arg == "--choices" || arg == "--max-lines") && i + 1 < argc) ++i;
        else if (arg == "--auto") continue;
        else if (!arg.empty() && arg[0] == '-') return Usage();
        else project = arg;
    }
    if (project.empty()) return Usage();
    if (shots.empty()) shots = ".";
    std::filesystem::create_directories(shots);
    shots = std::filesystem::absolute(shots).string();

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::VirtualClock clock;
    platform::Clock::SetCurrent(&clock);
    Transcript transcript;
    transcript.Open(shots + "/transcript.txt");
    HeadlessResponder responder(transcript);
    platform::MessageBox::SetCurrent(&responder);

    const std::string full = std::filesystem::absolute(project).string();
    transcript.Line("start " + full);
    int status = 0;
    {
        TFormMain form;
        if (!form.FormCreate({platform::FileSystem::FromHostPath(full)})) {
            transcript.Line("start-up failed");
            status = 1;
        } else {
            QApplication::processEvents();
            const std::string shot = shots + "/shot-0001.png";
            if (form.ImgPrim()->Image().save(QString::fromStdString(shot), "PNG"))
                transcript.Line("shot " + shot);
            form.close();
            transcript.Line("end");
        }
    }
    platform::MessageBox::SetCurrent(nullptr);
    platform::Clock::SetCurrent(nullptr);
    return status;
}
