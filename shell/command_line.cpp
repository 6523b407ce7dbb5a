#include "shell/command_line.h"

#include <filesystem>
#include <fstream>

#include "platform/file_system.h"
#include "resources/dir_list.h"
#include "resources/yxstringlib.h"

#ifndef VELMOR_VERSION
#define VELMOR_VERSION "0"
#endif

namespace {
const char* const kProjectExtension = ".vsc";
constexpr int kUsageStatus = 2;

// The toolkit's options that take a value; the others stand alone.
bool ToolkitOptionWithValue(const std::string& arg) {
    static const char* const kWithValue[] = {"-platform",
                                             "-platformpluginpath",
                                             "-platformtheme",
                                             "-plugin",
                                             "-qwindowgeometry",
                                             "-qwindowicon",
                                             "-qwindowtitle",
                                             "-session",
                                             "-style",
                                             "-stylesheet",
                                             "-display",
                                             "-geometry",
                                             "-title",
                                             "-name",
                                             "-visual",
                                             "-ncols",
                                             "-cmap"};
    for (const char* option : kWithValue)
        if (arg == option) return true;
    return false;
}

TCommandLine Fail(const std::string& message) {
    TCommandLine line;
    line.kind = TCommandLine::Kind::Error;
    line.message = message;
    line.status = kUsageStatus;
    return line;
}
}  // namespace

std::string TCommandLine::HelpText() {
    return "usage: velmor [OPTION]... [PROJECT.vsc | FOLDER]\n"
           "Plays a game. A folder is searched for project files, in itself and in the folders\n"
           "directly inside it; without an argument the program's folder is. One project file\n"
           "found is started, several are offered in a list.\n"
           "\n"
           "  --scaling=smooth|integer  how the picture is scaled to the window: smoothly\n"
           "                            (default) or by whole multiples; kept for good as\n"
           "                            Scaling= in the <Display> section of the state file\n"
           "  --continue                resume the automatic save left when the game was\n"
           "                            last closed, without asking\n"
           "  -h, --help                show this help and exit\n"
           "  --version                 show the version and exit\n"
           "\n"
           "F11 switches between a window and full screen; F6 saves quickly, F7 loads that\n"
           "save.\n"
           "Exit status: 0 when the game ended, 1 when it could not start or already runs\n"
           "(the running game is brought to the front), 2 for a bad command line.\n";
}

std::string TCommandLine::VersionText() {
    return std::string("velmor ") + VELMOR_VERSION + "\n";
}

bool TCommandLine::IsProjectFile(const std::string& hostPath, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(hostPath, ec);
    if (ec || !fs::exists(status)) {
        why = hostPath + ": no such file or folder";
        return false;
    }
    if (!fs::is_regular_file(status) ||
        !yx::SameTextAscii(yx::ExtractFileExt(hostPath), kProjectExtension)) {
        why = hostPath + ": not a project file (" + kProjectExtension + ")";
        return false;
    }
    if (!std::ifstream(hostPath)) {
        why = hostPath + ": cannot be read";
        return false;
    }
    return true;
}

TCommandLine TCommandLine::Parse(const std::vector<std::string>& args) {
    namespace fs = std::filesystem;
    TCommandLine line;
    std::string path;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            line.kind = Kind::Help;
            line.status = 0;
            return line;
        }
        if (arg == "--version") {
            line.kind = Kind::Version;
            line.status = 0;
            return line;
        }
        if (arg == "--continue") {
            line.resume = true;
        } else if (arg == "--scaling" || arg.rfind("--scaling=", 0) == 0) {
            std::string value;
            if (arg == "--scaling") {
                if (i + 1 >= args.size()) return Fail("--scaling needs smooth or integer");
                value = args[++i];
            } else {
                value = arg.substr(10);
            }
            if (value == "smooth")
                line.scaling = TDisplayScaler::Filter::Smooth;
            else if (value == "integer")
                line.scaling = TDisplayScaler::Filter::Whole;
            else
                return Fail("--scaling needs smooth or integer, not \"" + value + "\"");
        } else if (arg.rfind("--", 0) == 0) {
            return Fail("unknown option " + arg);
        } else if (arg.size() > 1 && arg[0] == '-') {
            if (ToolkitOptionWithValue(arg)) ++i;
        } else if (path.empty()) {
            path = arg;
        } else {
            return Fail("one project file or folder only");
        }
    }
    if (path.empty()) return line;
    std::error_code ec;
    const fs::path full = fs::absolute(path, ec);
    const std::string host = ec ? path : full.lexically_normal().string();
    if (fs::is_directory(host, ec)) {
        std::string folder = platform::FileSystem::FromHostPath(host);
        if (folder.empty() || folder.back() != '/') folder += '/';
        TStringList found;
        TDirList(folder, 0).FindFiles(found, kProjectExtension);
        if (found.empty())
            return Fail(host + ": no project file (" + kProjectExtension +
                        ") in it or in the folders directly inside it");
        if (found.size() == 1)
            line.project = found[0];
        else
            line.folder = folder;
        return line;
    }
    std::string why;
    if (!IsProjectFile(host, why)) return Fail(why);
    line.project = platform::FileSystem::FromHostPath(host);
    return line;
}
