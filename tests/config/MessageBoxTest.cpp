#include "platform/os/MessageBox.h"

#include <gtest/gtest.h>

using namespace remorra;

TEST(RecordingMessageBox, RecordsAndAnswersFromQueueThenDefault) {
    RecordingMessageBox box;
    box.queueAnswer(MsgResult::Cancel);
    EXPECT_EQ(box.show("Are you sure?", "Info", MsgButtons::OkCancel, MsgIcon::Question), MsgResult::Cancel);
    EXPECT_EQ(box.show("Replace?", "Info", MsgButtons::YesNo, MsgIcon::Question), MsgResult::Yes);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].caption, "Info");
    EXPECT_EQ(box.shown[1].buttons, MsgButtons::YesNo);
}
