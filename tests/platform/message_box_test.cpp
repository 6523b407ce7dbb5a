#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/test_message_responder.h"

using namespace platform;

TEST(TestMessageResponder, RecordsBoxesAndGivesScriptedAnswers) {
    TestMessageResponder responder;
    MessageBox::SetCurrent(&responder);
    responder.PushAnswer(MessageAnswer::No);
    const std::string caption = "\x8A\x6D\x94\x46";  // 確認
    EXPECT_EQ(
        MessageBox::Current().Show(caption, "quit?", MessageIcon::Question, MessageButtons::YesNo),
        MessageAnswer::No);
    // Unscripted boxes get the affirmative answer their buttons offer.
    EXPECT_EQ(MessageBox::Current().Show("t", "x", MessageIcon::None, MessageButtons::YesNoCancel),
              MessageAnswer::Yes);
    EXPECT_EQ(MessageBox::Current().Show("t", "y", MessageIcon::Stop, MessageButtons::OkCancel),
              MessageAnswer::Ok);
    MessageBox::SetCurrent(nullptr);

    ASSERT_EQ(responder.Records().size(), 3u);
    EXPECT_EQ(responder.Records()[0].caption, caption);
    EXPECT_EQ(responder.Records()[0].text, "quit?");
    EXPECT_EQ(responder.Records()[0].icon, MessageIcon::Question);
    EXPECT_EQ(responder.Records()[0].answer, MessageAnswer::No);
    EXPECT_EQ(responder.Records()[2].buttons, MessageButtons::OkCancel);
    responder.Clear();
    EXPECT_TRUE(responder.Records().empty());
}
