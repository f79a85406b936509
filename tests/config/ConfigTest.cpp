#include "app/Config.h"
#include "app/Options.h"
#include "platform/os/Files.h"
#include "TestDocs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <thread>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

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

// The private-profile rules stored files rely on. `value` null reads the key
// and expects `expected`; otherwise writes it and expects the whole file.
TEST(ConfigFile, PrivateProfileRules) {
    struct {
        const char* name;
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* expected;
    } cases[] = {
        {"crlf file: replaced line keeps crlf", "[A]\r\nx=1\r\ny=2\r\n", "A", "x", "3", "[A]\r\nx=3\r\ny=2\r\n"},
        {"crlf file: added key ends crlf", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
        {"crlf file: new section ends crlf", "[A]\r\nx=1\r\n", "B", "y", "2", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"lf file stays lf", "[A]\nx=1\n", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
        {"double quotes stripped", "[A]\nx=\"a b\"\n", "A", "x", nullptr, "a b"},
        {"single quotes stripped", "[A]\nx='a'\n", "A", "x", nullptr, "a"},
        {"blanks inside quotes kept", "[A]\nx = \" a \" \n", "A", "x", nullptr, " a "},
        {"empty quotes read empty", "[A]\nx=\"\"\n", "A", "x", nullptr, ""},
        {"lone quote kept", "[A]\nx=\"\n", "A", "x", nullptr, "\""},
        {"unmatched quotes kept", "[A]\nx=\"a'\n", "A", "x", nullptr, "\"a'"},
        {"section and key ignore case", "[CoNfIg]\nKeY=1\n", "config", "KEY", nullptr, "1"},
        {"write matches case, header kept", "[CoNfIg]\nKeY=1\n", "CONFIG", "key", "2", "[CoNfIg]\nkey=2\n"},
        {"blanks around = and in header", "[ A ]\n \tx \t= \t1 \t\n", "A", "x", nullptr, "1"},
        {"value holds =", "[A]\nx=a=b\n", "A", "x", nullptr, "a=b"},
        {"crlf value read without cr", "[A]\r\nx=1\r\n", "A", "x", nullptr, "1"},
        {"key added after its section's last line", "[A]\nx=1\n; note\n\n[B]\ny=2\n", "A", "z", "3",
         "[A]\nx=1\n; note\nz=3\n\n[B]\ny=2\n"},
        {"key added to an empty last section", "[A]\nx=1\n[B]\n", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
        {"new section appended at the end", "; top\n[A]\nx=1\n\n", "B", "y", "2", "; top\n[A]\nx=1\n\n[B]\ny=2\n"},
        {"comments and other lines kept", "; top\nx=0\n[A]\n; x=9\njunk\nx=1\n", "A", "x", "2",
         "; top\nx=0\n[A]\n; x=9\njunk\nx=2\n"},
        {"key before any section is in none", "x=0\n[A]\n", "A", "x", nullptr, ""},
        {"key of another section not read", "[A]\n[B]\nx=1\n", "A", "x", nullptr, ""},
        {"missing final newline: read", "[A]\nx=1", "A", "x", nullptr, "1"},
        {"missing final newline: write", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
        {"missing final crlf: write", "[A]\r\nx=1", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
        {"duplicate keys: first read", "[A]\nx=1\nx=2\n", "A", "x", nullptr, "1"},
        {"duplicate keys: first written", "[A]\nx=1\nx=2\n", "A", "x", "3", "[A]\nx=3\nx=2\n"},
    };
    test::TempDocuments docs;
    const std::string file = ConfigFilePath();
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(os::writeFileAtomically(file, c.before));
        if (!c.value) {
            EXPECT_EQ(ReadConfigValue(file, c.section, c.key), c.expected);
            continue;
        }
        ASSERT_EQ(WriteConfigValue(file, c.section, c.key, c.value), 0);
        EXPECT_EQ(slurp(file), c.expected);
    }
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

TEST(ConfigFile, NoPartWithALineBreakIsWritten) {
    test::TempDocuments docs;
    std::string file = ConfigFilePath();
    ASSERT_EQ(WriteConfigValue(file, "Config", "Selectplayer", "Movie"), 0);
    const std::string before = slurp(file);
    struct { const char* section; const char* key; const char* value; } cases[] = {
        {"Config", "Selectplayer", "A\nstartandhide=1"}, {"Config", "Selectplayer", "A\rstartandhide=1"},
        {"Config", "Selectplayer\nstartandhide", "1"}, {"Config]\n[x", "Selectplayer", "1"}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.section << "/" << c.key << "=" << c.value);
        EXPECT_EQ(WriteConfigValue(file, c.section, c.key, c.value), EINVAL);
        EXPECT_EQ(slurp(file), before);
    }
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

// Each write reads, changes and replaces the whole file; without turns, a
// writer saving over another's read loses that one's key.
TEST(ConfigFile, ConcurrentWritersEachLandEveryKey) {
    constexpr int kKeys = 200;
    auto writeKeys = [](const std::string& file, const std::string& writer) {
        int failures = 0;
        for (int i = 0; i < kKeys; ++i)
            failures += WriteConfigValue(file, "Config", writer + std::to_string(i), std::to_string(i)) != 0;
        return failures;
    };
    auto expectAll = [](const std::string& file, const std::vector<std::string>& writers) {
        for (const std::string& writer : writers)
            for (int i = 0; i < kKeys; ++i)
                ASSERT_EQ(ReadConfigValue(file, "Config", writer + std::to_string(i)), std::to_string(i))
                    << writer << i;
    };
    {
        SCOPED_TRACE("threads");
        test::TempDocuments docs;
        const std::string file = ConfigFilePath();
        int failures[2] = {};
        std::thread a([&] { failures[0] = writeKeys(file, "a"); });
        std::thread b([&] { failures[1] = writeKeys(file, "b"); });
        a.join();
        b.join();
        EXPECT_EQ(failures[0] + failures[1], 0);
        expectAll(file, {"a", "b"});
    }
#ifndef _WIN32
    {
        SCOPED_TRACE("processes");
        test::TempDocuments docs;
        const std::string file = ConfigFilePath();
        pid_t children[2];
        for (int c = 0; c < 2; ++c) {
            children[c] = ::fork();
            if (children[c] == 0) ::_exit(writeKeys(file, c == 0 ? "p" : "q") == 0 ? 0 : 1);
        }
        for (pid_t child : children) {
            int status = -1;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        expectAll(file, {"p", "q"});
    }
#endif
}

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
