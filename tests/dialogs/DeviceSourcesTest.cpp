#include "platform/discovery/DeviceSources.h"
#include "platform/discovery/SimulatedCards.h"
#include "platform/tuner/KsWire.h"
#include "ScopedEnv.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace remorra;
using namespace remorra::discovery;

namespace {

using test::ScopedEnv;

struct Found {
    std::string name;
    std::uint16_t id;
};

std::vector<Found> discover(ICaptureDeviceSource& source, HResult* result = nullptr) {
    std::vector<CaptureDeviceRecord> list;
    RecordingMessageBox box;
    const HResult hr = FindFilterByName(list, source, box, "Remorra");
    if (result) *result = hr;
    std::vector<Found> out;
    for (const CaptureDeviceRecord& r : list)
        out.push_back({r.m_strFriendlyName, tuner::probeImplementationId(r.m_pCaptureFilter.get())});
    return out;
}

std::vector<Found> discoverSystem() {
    std::string error;
    auto source = CreateCaptureDeviceSource(error);
    EXPECT_EQ(error, "");
    return discover(*source);
}

} // namespace

TEST(SimCardSpecs, ParsesEntriesAndRefusesBadOnesWhole) {
    struct Case {
        const char* text;
        bool ok;
        std::vector<std::tuple<std::string, int, int>> cards; // name, id, pin
        const char* error;
    };
    const std::vector<Case> cases = {
        {"", true, {}, ""},
        {"Quorbel Simulated Tuner", true, {{"Quorbel Simulated Tuner", 0x7231, 4}}, ""},
        {" Webcam | none ; Capture|0x7160|16\n# comment\nQuorbel X|29233", true,
         {{"Webcam", 0, 4}, {"Capture", 0x7160, 16}, {"Quorbel X", 0x7231, 4}}, ""},
        {"A|0", true, {{"A", 0, 4}}, ""},
        {"A;|none", false, {}, "card 2: empty name"},
        {"A|0x10000", false, {}, "card 1: bad implementation id '0x10000'"},
        {"A|-1", false, {}, "card 1: bad implementation id '-1'"},
        {"A|none|32", false, {}, "card 1: bad pin '32' (0-31)"},
        {"A|none|4|x", false, {}, "card 1: too many fields (NAME|ID|PIN)"},
        {"A\tB|1", false, {}, "card 1: control character in name"},
    };
    for (const Case& c : cases) {
        std::vector<SimCardSpec> out{{"kept"}};
        std::string error;
        EXPECT_EQ(ParseSimCardSpecs(c.text, out, error), c.ok) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        if (!c.ok) {
            ASSERT_EQ(out.size(), 1u) << "a refused description changes nothing";
            continue;
        }
        ASSERT_EQ(out.size(), c.cards.size()) << c.text;
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].name, std::get<0>(c.cards[i]));
            EXPECT_EQ(out[i].implementationId, std::get<1>(c.cards[i]));
            EXPECT_EQ(out[i].pin, std::get<2>(c.cards[i]));
        }
    }
    std::vector<SimCardSpec> out;
    std::string error;
    EXPECT_FALSE(ParseSimCardSpecs(std::string(256, 'n'), out, error));
    EXPECT_EQ(error, "card 1: name longer than 255 characters");
}

// No receiver of the machine running the tests may take the default card's place.
const char* kNoReceivers = "/nonexistent-remorra-sysfs";

TEST(SystemDevices, DefaultCardOnlyWhenNothingIsDescribed) {
    ScopedEnv sysfs("REMORRA_SYSFS_ROOT", kNoReceivers);
    ScopedEnv file("REMORRA_SIM_CARDS_FILE", nullptr);
    {
        ScopedEnv cards("REMORRA_SIM_CARDS", nullptr);
        const std::vector<Found> found = discoverSystem();
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].name, "Quorbel Simulated Tuner");
        EXPECT_EQ(found[0].id, 0x7231);
    }
#ifndef _WIN32 // a Windows environment holds no empty values
    {
        ScopedEnv cards("REMORRA_SIM_CARDS", ""); // no card at all
        std::string error;
        auto source = CreateCaptureDeviceSource(error);
        HResult hr = kOk;
        EXPECT_TRUE(discover(*source, &hr).empty());
        EXPECT_EQ(hr, kFalse);
    }
#endif
    {
        ScopedEnv cards("REMORRA_SIM_CARDS", "Webcam|none;quorbel tv|none;Quorbel Simulated Tuner");
        const std::vector<Found> found = discoverSystem();
        ASSERT_EQ(found.size(), 3u);
        EXPECT_EQ(found[0].name, "Webcam");
        EXPECT_EQ(found[0].id, 0) << "a card with no id answers no probe";
        EXPECT_EQ(found[2].name, "Quorbel Simulated Tuner");
        EXPECT_EQ(found[2].id, 0x7231);
    }
}

TEST(SystemDevices, CardsFileAndItsErrors) {
    const remorra::test::TempFolder folder("remorra_cards");
    const auto path = folder / "cards";
    ScopedEnv sysfs("REMORRA_SYSFS_ROOT", kNoReceivers);
    ScopedEnv cards("REMORRA_SIM_CARDS", nullptr);
    ScopedEnv file("REMORRA_SIM_CARDS_FILE", path.string().c_str());
    std::string error;
    {
        std::ofstream(path) << "# two cards\nFirst|none\nQuorbel B|0x7200|4\n";
        const std::vector<Found> found = discoverSystem();
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[1].id, 0x7200);
    }
    {
        std::ofstream(path) << "Good\nBad|zz\n";
        auto source = CreateCaptureDeviceSource(error);
        EXPECT_EQ(error, path.string() + ": card 2: bad implementation id 'zz'");
        EXPECT_TRUE(discover(*source).empty()) << "no partial set, and no default card either";
    }
    std::filesystem::remove(path);
    CreateCaptureDeviceSource(error);
    EXPECT_EQ(error, path.string() + ": cannot be read");
}

TEST(CompositeSource, OrderFailuresAndFallback) {
    auto list = [](std::vector<const char*> names, HResult create = kOk) {
        auto s = std::make_unique<ListDeviceSource>();
        s->createResult = create;
        for (const char* n : names) s->devices.push_back({n, nullptr});
        return s;
    };
    auto names = [&](CompositeDeviceSource& c, HResult* hr = nullptr) {
        std::vector<std::string> out;
        std::vector<CaptureDeviceRecord> records;
        RecordingMessageBox box;
        const HResult r = FindFilterByName(records, c, box, "Remorra");
        if (hr) *hr = r;
        for (auto& rec : records) out.push_back(rec.m_strFriendlyName);
        return out;
    };
    {
        CompositeDeviceSource c; // cards first, a broken and an empty family skipped
        c.add(list({"card"}));
        c.add(list({"x"}, kFail));
        c.add(list({}));
        c.add(list({"rx0", "rx1"}));
        c.setFallback(list({"default"}));
        EXPECT_EQ(names(c), (std::vector<std::string>{"card", "rx0", "rx1"}));
        EXPECT_EQ(names(c), (std::vector<std::string>{"card", "rx0", "rx1"})) << "a second run sees the same";
    }
    {
        CompositeDeviceSource c;
        c.add(list({}));
        c.setFallback(list({"default"}));
        EXPECT_EQ(names(c), std::vector<std::string>{"default"});
    }
    {
        CompositeDeviceSource c;
        c.add(list({"a"}, kFail));
        HResult hr = kOk;
        EXPECT_TRUE(names(c, &hr).empty());
        EXPECT_EQ(hr, kFail) << "every source failing is the enumerator failing";
    }
}
