#include "platform/instance_raiser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <filesystem>
#include <string>

using namespace platform;

// A later copy's request reaches the listening one through its event loop, once per request;
// with nobody listening, or once the listener is gone, the request reports it was not heard.
TEST(InstanceRaiser, RequestsReachTheListenerOnlyWhileItListens) {
    const std::string name = "velmor-raise-test-" + std::to_string(getpid());
    EXPECT_FALSE(InstanceRaiser::AskToRaise(name));
    int raised = 0;
    {
        InstanceRaiser listener;
        ASSERT_TRUE(listener.Listen(name, [&] { ++raised; }));
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(InstanceRaiser::AskToRaise(name));
            for (int pass = 0; pass < 100 && raised <= i; ++pass)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        EXPECT_EQ(raised, 2);
    }
    EXPECT_FALSE(std::filesystem::exists(InstanceRaiser::SocketPath(name)));
    EXPECT_FALSE(InstanceRaiser::AskToRaise(name));
    // A socket file left behind by a copy that died is replaced by the next listener.
    {
        InstanceRaiser first;
        ASSERT_TRUE(first.Listen(name, nullptr));
        InstanceRaiser second;
        EXPECT_TRUE(second.Listen(name, [&] { ++raised; }));
        EXPECT_TRUE(InstanceRaiser::AskToRaise(name));
        for (int pass = 0; pass < 100 && raised < 3; ++pass)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(raised, 3);
    }
}
