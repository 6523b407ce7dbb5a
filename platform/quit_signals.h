#pragma once
// SIGTERM, SIGINT and SIGHUP: the first asks the program to end in order (QuitRequest, which
// long operations watch); a second one ends it at once, whatever it is doing.
namespace platform {

class QuitSignals {
public:
    static void Install();
};

}  // namespace platform
