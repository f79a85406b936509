#include "platform/os/Files.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using namespace remorra::os;

namespace {
struct TempDir {
    remorra::test::TempFolder folder{"remorra_files"};
    const fs::path path = folder.path();
};

std::size_t entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}
} // namespace

TEST(AtomicWrite, CreatesAndReplacesWholeFile) {
    TempDir d;
    std::string p = (d.path / "a.txt").string();
    ASSERT_TRUE(writeFileAtomically(p, "first"));
    ASSERT_TRUE(writeFileAtomically(p, "second, longer"));
    std::string back;
    ASSERT_TRUE(readWholeFile(p, back));
    EXPECT_EQ(back, "second, longer");
    EXPECT_EQ(entries(d.path), 1u) << "no temp file left behind";
}

TEST(AtomicWrite, FailureMidWriteKeepsOldFile) {
    TempDir d;
    std::string p = (d.path / "a.txt").string();
    ASSERT_TRUE(writeFileAtomically(p, "old content"));
    setAtomicWriteFailAfter(3);
    FileResult r = writeFileAtomically(p, "new content that never lands");
    setAtomicWriteFailAfter(-1);
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("a.txt"), std::string::npos);
    std::string back;
    ASSERT_TRUE(readWholeFile(p, back));
    EXPECT_EQ(back, "old content");
    EXPECT_EQ(entries(d.path), 1u);
}

TEST(AtomicWrite, MissingFolderGivesClearError) {
    TempDir d;
    FileResult r = writeFileAtomically((d.path / "no" / "a.txt").string(), "x");
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.error.empty());
}

// What a killed save leaves goes at the next start; nothing else does.
TEST(StaleTempFiles, OnlyOurOwnFromBeforeTheStartGo) {
    TempDir d;
#ifdef _WIN32
    const std::string own = "rmr1A2F.tmp", ownToo = "RMRE.TMP", fresh = "rmr3.tmp";
    const std::vector<std::string> foreign = {"rmrx.tmp", "rmr12345.tmp", "rmr.tmp", "abc1.tmp", "config.ini"};
#else
    const std::string own = ".remorra-Ab12Cd", ownToo = ".remorra-XXXXXX", fresh = ".remorra-9zZ9zz";
    const std::vector<std::string> foreign = {".remorra-abc", ".remorra-abcdefg", "x.remorra-abcdef",
                                              ".remorra-ab-def", "config.ini"};
#endif
    const auto started = fs::file_time_type::clock::now();
    const auto before = started - std::chrono::hours(1);
    auto make = [&](const std::string& name, fs::file_time_type when) {
        ASSERT_TRUE(writeFileAtomically((d.path / name).string(), "partial"));
        fs::last_write_time(d.path / name, when);
    };
    make(own, before);
    make(ownToo, before);
    make(fresh, started + std::chrono::seconds(1));
    for (const std::string& name : foreign) make(name, before);
    fs::create_directory(d.path / "sub");
    make("sub/" + own, before); // only the folder named
    const std::vector<std::string> removed = removeStaleTempFiles(d.path.string(), started);
    EXPECT_EQ(removed.size(), 2u);
    EXPECT_FALSE(fs::exists(d.path / own));
    EXPECT_FALSE(fs::exists(d.path / ownToo));
    EXPECT_TRUE(fs::exists(d.path / fresh));
    EXPECT_TRUE(fs::exists(d.path / "sub" / own));
    for (const std::string& name : foreign) EXPECT_TRUE(fs::exists(d.path / name)) << name;
    EXPECT_TRUE(removeStaleTempFiles((d.path / "missing").string(), started).empty());
}

TEST(Folders, DocumentsOverride) {
    ::setenv("REMORRA_DOCUMENTS", "/tmp/over", 1);
    EXPECT_EQ(documentsFolder(), "/tmp/over");
    ::unsetenv("REMORRA_DOCUMENTS");
#ifdef _WIN32
    // The shell's documents folder of the (Wine) user.
    EXPECT_TRUE(isDirectory(documentsFolder())) << documentsFolder();
#endif
}

#ifndef _WIN32
TEST(Folders, XdgDocumentsFile) {
    TempDir d;
    ::unsetenv("XDG_DOCUMENTS_DIR");
    fs::create_directories(d.path / "cfg");
    ASSERT_TRUE(writeFileAtomically((d.path / "cfg" / "user-dirs.dirs").string(),
                                    "# c\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"));
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_CONFIG_HOME", (d.path / "cfg").c_str(), 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(documentsFolder(), "/home/u/Dokumente");
    ::setenv("XDG_CONFIG_HOME", (d.path / "none").c_str(), 1);
    EXPECT_EQ(documentsFolder(), "/home/u/Documents");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", oldHome.c_str(), 1);
}
#endif
