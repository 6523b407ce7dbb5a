#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

using namespace platform;

TEST(SingleInstance, NameHeldByAnotherProcessUntilItEnds) {
    const std::string name = "velmor-test-" + std::to_string(getpid());
    EXPECT_FALSE(SingleInstance::Exists(name));

    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(done[1]);
        SingleInstance held;
        char ok = held.Create(name) ? '1' : '0';
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(done[0], &c, 1);  // returns when the parent closes its end
        _exit(0);
    }
    close(ready[1]);
    close(done[0]);
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');

    EXPECT_TRUE(SingleInstance::Exists(name));
    SingleInstance mine;
    EXPECT_FALSE(mine.Create(name));

    close(done[1]);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);

    EXPECT_FALSE(SingleInstance::Exists(name));
    EXPECT_TRUE(mine.Create(name));
    mine.Release();
    EXPECT_FALSE(SingleInstance::Exists(name));
}

// Without a runtime folder the lock sits in the shared /tmp, one per user, and a link put
// there in its place is never followed.
TEST(SingleInstance, LockFileIsPerUserWithoutRuntimeFolder) {
    const char* saved = getenv("XDG_RUNTIME_DIR");
    const std::string runtime = saved ? saved : "";
    unsetenv("XDG_RUNTIME_DIR");
    const std::string name = "velmor-test-link-" + std::to_string(getpid());
    const std::string lock = SingleInstance::LockFileName(name);
    EXPECT_EQ(lock, "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock");
    EXPECT_EQ(SingleInstance::LockFileName("velmor"),
              "/tmp/velmor-" + std::to_string(getuid()) + ".lock");
    const std::string target = lock + ".target";
    ASSERT_EQ(symlink(target.c_str(), lock.c_str()), 0);
    SingleInstance instance;
    EXPECT_FALSE(instance.Create(name));
    EXPECT_NE(access(target.c_str(), F_OK), 0);
    unlink(lock.c_str());
    setenv("XDG_RUNTIME_DIR", "/run/somewhere", 1);
    EXPECT_EQ(SingleInstance::LockFileName("velmor"), "/run/somewhere/velmor.lock");
    if (saved)
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}
