#include "platform/receivers/RawIrDevice.h"

#include <gtest/gtest.h>

using namespace remorra::receivers;

// This machine has no receivers: what the Linux devices say when the node
// is missing, is no raw IR device, or names no GPIO chip.
TEST(LinuxReceivers, RefusalsSayWhatWentWrong)
{
    struct Case {
        std::unique_ptr<IRawIrDevice> device;
        const char* describe;
        const char* error;
    } cases[] = {
        {openLircDevice("/dev/lirc-missing"), "/dev/lirc-missing", "open: No such file or directory"},
        {openLircDevice("/dev/null"), "/dev/null", "LIRC_GET_FEATURES: Inappropriate ioctl for device"},
        {openGpioLine("no-such-chip", 3), "no-such-chip line 3", "no GPIO chip: "},
    };
    for (auto& c : cases) {
        std::string error;
        EXPECT_EQ(c.device->describe(), c.describe);
        EXPECT_FALSE(c.device->open(error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        c.device->close();
        c.device->close(); // closing twice is harmless
    }
}
