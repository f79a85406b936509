#include "../config/TestDocs.h"
#include "app/ChooseDevice.h"
#include "app/Config.h"
#include "platform/discovery/CaptureDevices.h"
#include "platform/discovery/DeviceSources.h"
#include "platform/receivers/RawIrSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace remorra;
using namespace remorra::receivers;
namespace fs = std::filesystem;

namespace {

// A sysfs tree of rc devices: name, uevent text (none when null), raw IR node.
struct FakeSysfs {
    fs::path root;
    explicit FakeSysfs(const fs::path& base) : root(base / "sys") { fs::create_directories(root / "class" / "rc"); }
    void add(const std::string& rc, const char* uevent, const std::string& lirc)
    {
        const fs::path dir = root / "class" / "rc" / rc;
        fs::create_directories(dir);
        if (uevent)
            std::ofstream(dir / "uevent") << uevent;
        if (!lirc.empty())
            fs::create_directories(dir / lirc);
        fs::create_directories(dir / "input5");
    }
};

class NullDevice final : public IRawIrDevice {
public:
    explicit NullDevice(int& opened) : m_opened(opened) {}
    std::string describe() const override { return {}; }
    bool open(std::string&) override { return ++m_opened, false; }
    bool setMode2(std::string&) override { return false; }
    bool setReceiveTimeout(std::uint32_t) override { return false; }
    Wait wait(std::int64_t) override { return Wait::Gone; }
    int read(std::span<std::uint32_t>, std::string&) override { return -1; }
    void close() override {}

private:
    int& m_opened;
};

} // namespace

TEST(ReceiverDiscovery, ListsRawIrDevicesInStableOrderThenTheGpioLine)
{
    test::TempDocuments docs;
    FakeSysfs sysfs(docs.path);
    sysfs.add("rc10", "NAME=rc-rc6-mce\nDRV_NAME=mceusb\nDEV_NAME=Media Center Ed. eHome Infrared Remote Transceiver\n",
              "lirc3");
    sysfs.add("rc2", "MAJOR=1\nDRV_NAME=saa7134\nDEV_NAME=saa7134 IR (Quorbel 7134)\n", "lirc1");
    sysfs.add("rc1", "DRV_NAME=cec\nDEV_NAME=HDMI CEC\n", ""); // decodes in hardware: no raw node
    sysfs.add("rc3", nullptr, "lirc0");
    sysfs.add("rcx", "DEV_NAME=odd\n", "lirc9");
    const std::string config = ConfigFilePath();
    WriteConfigValue(config, "Config", "GpioChip", "gpiochip0");
    WriteConfigValue(config, "Config", "GpioLine", "17");

    ReceiverSettings settings;
    settings.sysfsRoot = sysfs.root.string();
    settings.devRoot = "/devroot";
    std::vector<std::string> opened;
    int deviceOpens = 0;
    settings.openRaw = [&](const std::string& path) {
        opened.push_back(path);
        return std::make_unique<NullDevice>(deviceOpens);
    };
    settings.openGpio = [&](const std::string& chip, unsigned line) {
        opened.push_back(chip + ":" + std::to_string(line));
        return std::make_unique<NullDevice>(deviceOpens);
    };
    readGpioSettings(ReadReceiverConfig(), settings);

    std::vector<CaptureDeviceRecord> list(1);
    list[0].m_strFriendlyName = "Quorbel 7134 BDA Analog Capture";
    RawIrDeviceSource source(settings);
    RecordingMessageBox box;
    EXPECT_EQ(discovery::FindFilterByName(list, source, box, "Remorra"), discovery::kOk);
    const std::vector<std::string> names = {
        "Quorbel 7134 BDA Analog Capture", "saa7134 IR (Quorbel 7134) (saa7134)", "rc3",
        "Media Center Ed. eHome Infrared Remote Transceiver (mceusb)", "GPIO IR receiver (gpiochip0 line 17)"};
    ASSERT_EQ(list.size(), names.size());
    std::vector<bool> receivers;
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].m_strFriendlyName, names[i]);
        EXPECT_EQ(list[i].m_bIrReceiver, i != 0);
        EXPECT_EQ(list[i].m_pCaptureFilter != nullptr, i != 0);
        receivers.push_back(list[i].m_bIrReceiver);
    }
    // Bound twice each (as discovery does), opened only once events are registered.
    EXPECT_EQ(opened, (std::vector<std::string>{"/devroot/lirc1", "/devroot/lirc1", "/devroot/lirc0", "/devroot/lirc0",
                                                "/devroot/lirc3", "/devroot/lirc3", "gpiochip0:17", "gpiochip0:17"}));
    EXPECT_EQ(deviceOpens, 0);
    EXPECT_TRUE(box.shown.empty());

    // The second run finds the same order.
    std::vector<CaptureDeviceRecord> again;
    discovery::FindFilterByName(again, source, box, "Remorra");
    ASSERT_EQ(again.size(), 4u);
    EXPECT_EQ(again[2].m_strFriendlyName, names[3]);

    // The chooser lists every receiver whatever its name, and hides other
    // makers' capture devices.
    std::vector<std::string> shown(names.begin(), names.end());
    shown.push_back("Other Capture");
    receivers.push_back(false);
    CChooseDeviceLogic chooser;
    chooser.OnInitDialog(shown, receivers);
    std::vector<std::string> entries;
    for (const auto& e : chooser.entries())
        entries.push_back(e.text);
    EXPECT_EQ(entries, (std::vector<std::string>{"0: Quorbel 7134 BDA Analog Capture",
                                                 "1: saa7134 IR (Quorbel 7134) (saa7134)", "2: rc3",
                                                 "3: Media Center Ed. eHome Infrared Remote Transceiver (mceusb)",
                                                 "4: GPIO IR receiver (gpiochip0 line 17)"}));
}

TEST(ReceiverDiscovery, NothingToListLeavesTheListAlone)
{
    test::TempDocuments docs;
    const std::string config = ConfigFilePath();
    struct Case {
        const char* what;
        const char* chip;
        const char* line;
    } cases[] = {{"no keys", nullptr, nullptr}, {"chip only", "gpiochip0", nullptr}, {"line not a number", "gpiochip0", "x"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteConfigValue(config, "Config", "GpioChip", c.chip ? c.chip : "");
        WriteConfigValue(config, "Config", "GpioLine", c.line ? c.line : "");
        ReceiverSettings settings;
        settings.sysfsRoot = (docs.path / "missing").string();
        readGpioSettings(ReadReceiverConfig(), settings);
        RawIrDeviceSource source(settings);
        std::vector<CaptureDeviceRecord> list(1);
        RecordingMessageBox box;
        EXPECT_EQ(discovery::FindFilterByName(list, source, box, "Remorra"), discovery::kFalse);
        EXPECT_EQ(list.size(), 1u);
        EXPECT_TRUE(box.shown.empty());
    }
}

TEST(ReceiverDiscovery, ReceiversFollowTheCardsAndReplaceTheDefaultCard)
{
    test::TempDocuments docs;
    FakeSysfs sysfs(docs.path);
    sysfs.add("rc1", "DRV_NAME=gpio_ir_recv\nDEV_NAME=gpio_ir_recv\n", "lirc1");
    sysfs.add("rc0", "DRV_NAME=cx88xx\nDEV_NAME=cx88 IR (Quorbel 88)\n", "lirc0");
    ::setenv("REMORRA_SYSFS_ROOT", sysfs.root.c_str(), 1);
    struct Case {
        const char* cards; // null: none described, so the default card may stand in
        std::vector<std::string> names;
        std::vector<bool> receivers;
    } cases[] = {
        {"Quorbel Simulated Tuner",
         {"Quorbel Simulated Tuner", "cx88 IR (Quorbel 88) (cx88xx)", "gpio_ir_recv (gpio_ir_recv)"},
         {false, true, true}},
        {nullptr, {"cx88 IR (Quorbel 88) (cx88xx)", "gpio_ir_recv (gpio_ir_recv)"}, {true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cards ? c.cards : "no cards described");
        if (c.cards)
            ::setenv("REMORRA_SIM_CARDS", c.cards, 1);
        else
            ::unsetenv("REMORRA_SIM_CARDS");
        std::string error;
        auto source = discovery::CreateCaptureDeviceSource(error);
        std::vector<CaptureDeviceRecord> list;
        RecordingMessageBox box;
        discovery::FindFilterByName(list, *source, box, "Remorra");
        std::vector<std::string> names;
        std::vector<bool> receivers;
        for (const auto& r : list) {
            names.push_back(r.m_strFriendlyName);
            receivers.push_back(r.m_bIrReceiver);
        }
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(receivers, c.receivers);
    }
    ::unsetenv("REMORRA_SIM_CARDS");
    ::unsetenv("REMORRA_SYSFS_ROOT");
}
