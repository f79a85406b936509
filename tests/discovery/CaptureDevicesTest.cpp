#include "platform/discovery/CaptureDevices.h"

#include <gtest/gtest.h>

using namespace remorra;
using namespace remorra::discovery;

namespace {
std::vector<std::string> names(const std::vector<CaptureDeviceRecord>& list) {
    std::vector<std::string> out;
    for (const auto& r : list) out.push_back(r.m_strFriendlyName);
    return out;
}
ListDeviceSource::Device dev(const char* name, HResult bag = kOk, HResult filter = kOk) {
    return {name, nullptr, bag, filter};
}
} // namespace

TEST(Discovery, FailurePointsAndIndexes) {
    struct Case {
        const char* what;
        HResult create;
        std::vector<ListDeviceSource::Device> devices;
        HResult result;
        std::vector<std::string> listed;
        std::size_t boxes;
    };
    const std::vector<Case> cases = {
        {"enumerator missing", kFail, {dev("A")}, kFail, {"old"}, 1},
        {"empty category", kOk, {}, kFalse, {"old"}, 0},
        {"two cards in order", kOk, {dev("A"), dev("B")}, kOk, {"old", "A", "B"}, 0},
        {"unbindable filter takes no index", kOk, {dev("A", kOk, kFail), dev("B")}, kOk, {"old", "B"}, 0},
        {"property bag stops, earlier stay", kOk, {dev("A"), dev("B", kFail), dev("C")}, kFail, {"old", "A"}, 0},
    };
    for (const Case& c : cases) {
        ListDeviceSource src;
        src.createResult = c.create;
        src.devices = c.devices;
        RecordingMessageBox box;
        std::vector<CaptureDeviceRecord> list{{"old", nullptr}};
        EXPECT_EQ(FindFilterByName(list, src, box, "Remorra"), c.result) << c.what;
        EXPECT_EQ(names(list), c.listed) << c.what;
        ASSERT_EQ(box.shown.size(), c.boxes) << c.what;
        if (c.boxes) {
            EXPECT_EQ(box.shown[0].text, "FindFilterByName -> Create system device enumerator failed!");
        }
    }
}

TEST(Discovery, TwoRunsBuildIndependentListsWithSameIndexes) {
    ListDeviceSource src;
    src.devices = {dev("Quorbel Simulated Tuner"), dev("Other")};
    RecordingMessageBox box;
    std::vector<CaptureDeviceRecord> startUp, chooser;
    FindFilterByName(startUp, src, box, "Remorra");
    FindFilterByName(chooser, src, box, "Remorra");
    EXPECT_EQ(names(startUp), names(chooser));
}
