#include "platform/os/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace remorra::os;

namespace {
struct TempDir {
    fs::path path;
    TempDir() {
        std::string t = (fs::temp_directory_path() / "remorra_files_XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~TempDir() { fs::remove_all(path); }
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
