#pragma once
// Runs a built program of ours as a child with its output thrown away, and waits for it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

// The exit status, or -1 when it could not start or did not exit; usage gets its resources.
inline int RunQuietly(std::vector<std::string> args, struct rusage* usage = nullptr) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return -1;
    int status = 0;
    struct rusage own {};
    wait4(pid, &status, 0, usage ? usage : &own);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
