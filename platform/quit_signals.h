#pragma once
// SIGTERM, SIGINT and SIGHUP: the first asks the program to end in order (QuitRequest, which
// long operations watch); a second one ends it at once, whatever it is doing.
namespace platform {

class QuitSignals {
public:
    static void Install();
    // A descriptor that becomes readable when the first signal arrives, so an event loop
    // can wait for it instead of polling the flag; -1 before Install or when it failed.
    static int WakeDescriptor();
};

}  // namespace platform
