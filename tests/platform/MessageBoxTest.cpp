#include <gtest/gtest.h>

#include "platform/MessageBox.h"
#include "tests/support/MessageBoxes.h"

TEST(MessageBoxTest, HandlerReceivesTheBoxAndItsAnswerIsReturned) {
    testsupport::ClearRecordedBoxes();
    int dummy = 0;
    EXPECT_EQ(platform::ShowMessageBox("text", "caption", &dummy, platform::kIconError), platform::kIdOk);
    const auto boxes = testsupport::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "text");
    EXPECT_EQ(boxes[0].caption, "caption");
    EXPECT_EQ(boxes[0].owner, &dummy);
    EXPECT_EQ(boxes[0].icon, 16u);

    auto previous = platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) { return 7; });
    EXPECT_EQ(platform::ShowMessageBox("a", "b", nullptr, 0), 7);
    platform::SetMessageBoxHandler(previous);
}
