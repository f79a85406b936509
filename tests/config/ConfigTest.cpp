#include "app/Config.h"
#include "app/Options.h"
#include "platform/os/Files.h"
#include "TestDocs.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace remorra;

namespace {
std::string slurp(const std::string& p) {
    std::string s;
    os::readWholeFile(p, s);
    return s;
}
} // namespace

TEST(ConfigFile, FirstStartCreatesFolderAndFile) {
    test::TempDocuments docs;
    ASSERT_FALSE(fs::exists(docs.path / "Remorra"));
    std::string file = ConfigFilePath();
    EXPECT_EQ(fs::path(file), docs.path / "Remorra" / "config.ini"); // either separator on Windows
    EXPECT_TRUE(fs::is_directory(docs.path / "Remorra"));
    EXPECT_EQ(ReadConfigValue(file, "Config", "bRememberDevice"), "");
    EXPECT_EQ(WriteConfigValue(file, "Config", "bRememberDevice", "0"), 0);
    EXPECT_EQ(WriteConfigValue(file, "config", "selectplayernumber", "2"), 0);
    EXPECT_EQ(WriteConfigValue(file, "Config", "Selectplayer", "Movie"), 0);
    EXPECT_EQ(slurp(file), "[Config]\nbRememberDevice=0\nselectplayernumber=2\nSelectplayer=Movie\n");
}

TEST(ConfigFile, SectionsAndKeysIgnoreCaseAndUpdateInPlace) {
    test::TempDocuments docs;
    std::string file = ConfigFilePath();
    ASSERT_TRUE(os::writeFileAtomically(file,
        "; kept comment\n[Config]\nstartandhide=1\nSELECTPLAYERNUMBER = 4\nother=x\n\n[Else]\nk=v\n"));
    EXPECT_EQ(ReadConfigValue(file, "config", "selectplayernumber"), "4");
    EXPECT_EQ(ReadConfigInt(file, "CONFIG", "StartAndHide"), 1);
    ASSERT_EQ(WriteConfigValue(file, "config", "selectplayernumber", "7"), 0);
    ASSERT_EQ(WriteConfigValue(file, "config", "newkey", "n"), 0);
    EXPECT_EQ(slurp(file),
              "; kept comment\n[Config]\nstartandhide=1\nselectplayernumber=7\nother=x\nnewkey=n\n\n[Else]\nk=v\n");
    ASSERT_EQ(WriteConfigValue(file, "Third", "a", "b"), 0);
    EXPECT_EQ(ReadConfigValue(file, "third", "A"), "b");
    EXPECT_EQ(ReadConfigValue(file, "Else", "other"), "") << "keys belong to their section";
}

TEST(ConfigFile, LongValueSeenThroughBuffer) {
    test::TempDocuments docs;
    std::string file = ConfigFilePath();
    ASSERT_EQ(WriteConfigValue(file, "Config", "strDevName", std::string(300, 'q')), 0);
    EXPECT_EQ(ReadConfigValue(file, "Config", "strDevName"), std::string(259, 'q'));
}

TEST(ConfigFile, LeadingDecimalParse) {
    struct { const char* text; int value; } cases[] = {
        {"", 0}, {"12", 12}, {"  -3x", -3}, {"abc", 0}, {"+5", 5}, {"99999999999", 2147483647},
    };
    for (auto& c : cases) EXPECT_EQ(ParseLeadingInt(c.text), c.value) << c.text;
}

TEST(ConfigFile, FailedWriteKeepsFileAndReportsError) {
    test::TempDocuments docs;
    std::string file = ConfigFilePath();
    ASSERT_EQ(WriteConfigValue(file, "Config", "startandhide", "1"), 0);
    os::setAtomicWriteFailAfter(2);
    EXPECT_NE(WriteConfigValue(file, "Config", "startandhide", "0"), 0);
    os::setAtomicWriteFailAfter(-1);
    EXPECT_EQ(ReadConfigValue(file, "Config", "startandhide"), "1");
}

namespace {
struct ScriptedOptionDlg : IOptionDlgView {
    OptionDlgResult answer;
    StartOptions seen;
    OptionDlgResult run(const StartOptions& initial) override {
        seen = initial;
        return answer;
    }
};
} // namespace

TEST(OptionsCommand, CancelWritesNothingAndKeepsFlags) {
    test::TempDocuments docs;
    ScriptedOptionDlg dlg;
    dlg.answer = {false, {1, 1}};
    StartOptions opts{0, 1};
    DeviceInUse dev{2, DeviceDisplayText(2, "Quorbel Simulated Tuner")};
    EXPECT_FALSE(RunOptionsCommand(dlg, opts, &dev));
    EXPECT_EQ(dlg.seen.rememberDevice, 1);
    EXPECT_EQ(opts.startAndHide, 0);
    EXPECT_FALSE(fs::exists(docs.path / "Remorra" / "config.ini"));
}

TEST(OptionsCommand, OkWritesInOrderAndKeepsRememberedDevice) {
    test::TempDocuments docs;
    std::string file = ConfigFilePath();
    // The device came from the remembered setting; OK must not wipe it.
    ASSERT_EQ(WriteConfigValue(file, "Config", "strDevName", "2: Quorbel Simulated Tuner"), 0);
    ScriptedOptionDlg dlg;
    dlg.answer = {true, {1, 1}};
    StartOptions opts;
    DeviceInUse dev{2, DeviceDisplayText(2, "Quorbel Simulated Tuner")};
    EXPECT_TRUE(RunOptionsCommand(dlg, opts, &dev));
    EXPECT_EQ(opts.startAndHide, 1);
    EXPECT_EQ(slurp(file), "[Config]\nstrDevName=2: Quorbel Simulated Tuner\nstartandhide=1\n"
                           "bRememberDevice=1\nTunerType=2\n");

    dlg.answer = {true, {0, 0}};
    EXPECT_TRUE(RunOptionsCommand(dlg, opts, &dev));
    EXPECT_EQ(ReadConfigValue(file, "Config", "bRememberDevice"), "0");
    EXPECT_EQ(ReadConfigValue(file, "Config", "strDevName"), "2: Quorbel Simulated Tuner")
        << "keys no longer written stay";
}
