// Every kind of save (config value, profile save, new profile) against a
// data folder that is missing, read-only or full, and the log location
// unwritable. A failure must say what went wrong, leave each existing file
// byte for byte as it was, leave no temp file behind, and keep the editor's
// state so the user can try again.
#include "ScratchFolder.h"
#include "app/Config.h"
#include "app/ProfileEditor.h"
#include "platform/os/AppLog.h"
#include "platform/os/Files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace remorra;
using remorra::test::ScratchFolder;
using remorra::test::slurp;

namespace {

enum class Fault { Full, ReadOnly };

struct SavedState {
    std::string config, profile;
};

// Documents with config.ini and Movie.xml, the editor on Movie.
class FolderFaults : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override
    {
        if (std::string why = docs.mountTmpfs(256 * 1024); !why.empty()) {
            if (GetParam() == Fault::Full)
                GTEST_SKIP() << "full-disk case skipped: " << why;
        }
        ASSERT_TRUE(os::makeFolder(DataFolder()));
        ASSERT_TRUE(os::makeFolder(ProfileFolder().substr(0, ProfileFolder().size() - 1)));
        ASSERT_EQ(WriteConfigValue(ConfigFilePath(), "Config", "startandhide", "0"), 0);
        std::string templ;
        ASSERT_TRUE(os::readWholeFile(ed.TemplatePath(), templ)) << ed.TemplatePath();
        ASSERT_TRUE(os::writeFileAtomically(ProfileFolder() + "Movie.xml", templ));
        ed.FillProfileList();
        ed.SelectProfileAt(ed.FindString("Movie"));
        ASSERT_EQ(ed.keys.m_strProfileFile, "Movie.xml");
        before = {slurp(ConfigFilePath()), slurp(ProfileFolder() + "Movie.xml")};
        files = docs.countFiles(docs.path());

        std::string why = GetParam() == Fault::Full ? docs.fill() : docs.makeReadOnly();
        if (!why.empty())
            GTEST_SKIP() << why;
        box.shown.clear();
    }

    void expectNothingLost()
    {
        EXPECT_EQ(slurp(DataFolder() + "/config.ini"), before.config);
        EXPECT_EQ(slurp(ProfileFolder() + "Movie.xml"), before.profile);
        EXPECT_EQ(docs.countFiles(docs.path()), files) << "a temp or partial file was left behind";
    }

    const char* expectedReason() const
    {
        return GetParam() == Fault::Full ? "No space left on device" : (::geteuid() == 0 ? "Read-only" : "Permission");
    }

    ScratchFolder docs;
    RecordingMessageBox box;
    CProfileEditor ed{box, "Remorra"};
    SavedState before;
    int files = 0;
};

} // namespace

TEST_P(FolderFaults, ConfigWritesFailWithTheirErrorAndKeepTheFile)
{
    EXPECT_NE(WriteConfigValue(ConfigFilePath(), "Config", "startandhide", "1"), 0);
    // The profile selection writes two values and carries on regardless.
    ed.SelectProfileAt(0);
    EXPECT_EQ(ed.selection(), 0);
    expectNothingLost();
    EXPECT_EQ(ReadConfigValue(DataFolder() + "/config.ini", "Config", "startandhide"), "0");
}

TEST_P(FolderFaults, ProfileSaveReportsWhyAndKeepsTheOldProfileAndTheEdit)
{
    ed.keys.m_slots[3].field = {65, HOTKEYF_CONTROL_BIT, true};
    const os::FileResult r = ed.SaveProfile();
    ASSERT_FALSE(r);
    EXPECT_NE(r.error.find(expectedReason()), std::string::npos) << r.error;
    expectNothingLost();
    EXPECT_EQ(ed.keys.m_slots[3].binding.m_dwVirtualKey, 65u) << "the edit must survive for a retry";
}

TEST_P(FolderFaults, NewProfileShowsTheErrorAndCreatesNothing)
{
    EXPECT_FALSE(ed.NewProfile(std::string("Fresh")));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(expectedReason()), std::string::npos) << box.shown[0].text;
    EXPECT_FALSE(fs::exists(ProfileFolder() + "Fresh.xml"));
    expectNothingLost();
    // Replacing an existing profile fails the same way and keeps the old one.
    box.queueAnswer(MsgResult::Yes);
    EXPECT_FALSE(ed.NewProfile(std::string("Movie")));
    expectNothingLost();
}

INSTANTIATE_TEST_SUITE_P(Reliability, FolderFaults, ::testing::Values(Fault::Full, Fault::ReadOnly),
                         [](const ::testing::TestParamInfo<Fault>& i) {
                             return std::string(i.param == Fault::Full ? "Full" : "ReadOnly");
                         });

namespace {
struct MissingFolders : ::testing::Test {
    ScratchFolder docs;
    RecordingMessageBox box;
    CProfileEditor ed{box, "Remorra"};
};
} // namespace

TEST_F(MissingFolders, ConfigAndNewProfileCreateTheFoldersTheyNeed)
{
    EXPECT_EQ(WriteConfigValue(ConfigFilePath(), "Config", "startandhide", "1"), 0);
    fs::remove_all(DataFolder());
    EXPECT_TRUE(ed.NewProfile(std::string("Fresh")));
    EXPECT_TRUE(fs::exists(ProfileFolder() + "Fresh.xml"));
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(MissingFolders, SavingIntoAVanishedProfileFolderReportsAndWritesNothing)
{
    ASSERT_TRUE(ed.NewProfile(std::string("Movie")));
    ed.SelectProfileAt(ed.FindString("Movie"));
    box.shown.clear();
    for (const char* gone : {"Profile", ""}) {
        fs::remove_all(DataFolder() + "/" + gone);
        const os::FileResult r = ed.SaveProfile();
        EXPECT_FALSE(r);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, "Load Config error!");
        EXPECT_FALSE(fs::exists(ProfileFolder() + "Movie.xml")) << "a save must not recreate the profile";
        box.shown.clear();
    }
}

TEST_F(MissingFolders, DocumentsFolderMissingMakesConfigWritesFailNotCrash)
{
    ::setenv("REMORRA_DOCUMENTS", (docs.path() + "/absent/deeper").c_str(), 1);
    EXPECT_NE(WriteConfigValue(ConfigFilePath(), "Config", "startandhide", "1"), 0);
    EXPECT_EQ(ReadConfigValue(ConfigFilePath(), "Config", "startandhide"), "");
    EXPECT_FALSE(fs::exists(docs.path() + "/absent"));
}

// The log location unwritable: every line is lost alone, the caller goes on,
// and what the log already held stays.
TEST(LogFaults, UnwritableLocationsLoseLinesQuietly)
{
    ScratchFolder folder;
    const std::string plainFile = folder.path() + "/file";
    ASSERT_TRUE(os::writeFileAtomically(plainFile, "x"));
    for (const std::string& where : {plainFile + "/Remorra.log", std::string("/proc/remorra/Remorra.log"),
                                     folder.path() + "/dir"}) {
        if (where.ends_with("/dir"))
            fs::create_directories(where); // a folder where the file should be
        ::setenv("REMORRA_LOG", where.c_str(), 1);
        WriteLog(L"m_wImplementationId %d", 29233);
        EXPECT_FALSE(fs::is_regular_file(where)) << where;
    }
    EXPECT_EQ(slurp(plainFile), "x");
    ::unsetenv("REMORRA_LOG");
}

TEST(LogFaults, AFullOrReadOnlyLogFolderKeepsTheExistingLog)
{
    ScratchFolder folder;
    if (std::string why = folder.mountTmpfs(64 * 1024); !why.empty())
        GTEST_SKIP() << "skipped: " << why;
    const std::string log = folder.path() + "/Remorra.log";
    ::setenv("REMORRA_LOG", log.c_str(), 1);
    WriteLog(L"first line");
    const std::string first = slurp(log);
    ASSERT_NE(first.find("first line"), std::string::npos);
    ASSERT_EQ(folder.fill(), "");
    for (int i = 0; i < 100; ++i)
        WriteLog(L"line %d while full", i);
    EXPECT_EQ(slurp(log).substr(0, first.size()), first);
    ASSERT_EQ(folder.makeReadOnly(), "");
    WriteLog(L"line while read-only");
    EXPECT_EQ(slurp(log).substr(0, first.size()), first);
    ::unsetenv("REMORRA_LOG");
}
