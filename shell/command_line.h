#pragma once
#include <optional>
#include <string>
#include <vector>

#include "shell/display_scaler.h"

// The program's command line, read before any window: what to play, or why not.
struct TCommandLine {
    enum class Kind { Play, Help, Version, Error };
    Kind kind = Kind::Play;
    // Shift-JIS engine paths. project is empty when the program's folder is searched or when
    // folder holds several project files to choose from.
    std::string project;
    std::string folder;
    std::optional<TDisplayScaler::Filter> scaling;
    bool resume = false;  // --continue
    std::string message;  // the error, for standard error
    int status = 0;       // the exit status for Help, Version and Error

    // args without the program name; the toolkit's own single-dash options are passed over.
    static TCommandLine Parse(const std::vector<std::string>& args);
    static std::string HelpText();
    static std::string VersionText();
    // A readable file with the project extension; otherwise why not. hostPath is UTF-8.
    static bool IsProjectFile(const std::string& hostPath, std::string& why);
};
