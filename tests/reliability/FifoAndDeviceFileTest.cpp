// Special files where the program reads or writes its own: a FIFO (opening
// one waits for the other end), a link to /dev/zero (never ends) and a
// folder, as config.ini, as a profile and as the log; and files above the
// upper sizes. Each is refused at once and left as it was.
#include "ScopedEnv.h"
#include "ScratchFolder.h"
#include "platform/os/AppLog.h"
#include "app/Config.h"
#include "keys/XMLParse.h"
#include "platform/os/Files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

namespace fs = std::filesystem;
using namespace remorra;
using remorra::test::ScratchFolder;
using remorra::test::slurp;

namespace {

enum class Kind { Fifo, ZeroLink, Folder };

void make(Kind kind, const std::string& path)
{
    switch (kind) {
    case Kind::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); break;
    case Kind::ZeroLink: fs::create_symlink("/dev/zero", path); break;
    case Kind::Folder: fs::create_directory(path); break;
    }
}

bool unchanged(Kind kind, const std::string& path)
{
    const fs::file_status s = fs::symlink_status(path);
    switch (kind) {
    case Kind::Fifo: return s.type() == fs::file_type::fifo;
    case Kind::ZeroLink: return s.type() == fs::file_type::symlink && fs::read_symlink(path) == "/dev/zero";
    case Kind::Folder: return s.type() == fs::file_type::directory && fs::is_empty(path);
    }
    return false;
}

// Runs `action`, which must not block. Should it block in opening the FIFO,
// opening the other end releases it, so the failure is reported, not hung.
void returnsAtOnce(const std::string& path, const std::function<void()>& action)
{
    auto done = std::async(std::launch::async, action);
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return done.get();
    ADD_FAILURE() << path << ": blocked";
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
    done.wait();
    if (fd >= 0)
        ::close(fd);
}

const struct {
    Kind kind;
    const char* name;
} kKinds[] = {{Kind::Fifo, "FIFO"}, {Kind::ZeroLink, "link to /dev/zero"}, {Kind::Folder, "folder"}};

} // namespace

TEST(SpecialFiles, ConfigProfileAndLogAreRefusedAtOnceAndKept)
{
    for (const auto& k : kKinds) {
        SCOPED_TRACE(k.name);
        ScratchFolder folder;
        const std::string log = folder.path() + "/Remorra.log";
        test::ScopedEnv logTo("REMORRA_LOG", log.c_str());
        const std::string ini = folder.path() + "/config.ini";
        const std::string profile = folder.path() + "/Movies.xml";
        make(k.kind, ini);
        make(k.kind, profile);
        returnsAtOnce(ini, [&] {
            EXPECT_EQ(ReadConfigValue(ini, "Config", "Device"), "");
            EXPECT_NE(WriteConfigValue(ini, "Config", "Device", "1"), 0);
        });
        EXPECT_TRUE(unchanged(k.kind, ini));
        returnsAtOnce(profile, [&] {
            XMLParse xml;
            EXPECT_FALSE(xml.Load(profile.c_str()));
        });
        EXPECT_TRUE(unchanged(k.kind, profile));
        const std::string text = slurp(log);
        EXPECT_NE(text.find("config.ini not read, its settings are not used: '" + ini + "': not a regular file"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("Profile not read: '" + profile + "': not a regular file"), std::string::npos) << text;

        // The same file as the log: the line is lost, nothing waits.
        const std::string special = folder.path() + "/special.log";
        make(k.kind, special);
        logTo.set(special.c_str());
        returnsAtOnce(special, [] { WriteLog(L"a line for a special log"); });
        EXPECT_TRUE(unchanged(k.kind, special));
    }
}

TEST(SpecialFiles, AFifoWithAReaderGetsNoLogLine)
{
    ScratchFolder folder;
    const std::string fifo = folder.path() + "/Remorra.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    {
        const test::ScopedEnv logTo("REMORRA_LOG", fifo.c_str());
        WriteLog(L"not for a FIFO");
    }
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "a FIFO's reader could hold every later line";
    ::close(reader);
}

TEST(SpecialFiles, FilesAboveTheUpperSizesAreRefusedAndKept)
{
    ScratchFolder folder;
    const std::string ini = folder.path() + "/config.ini";
    std::string big = "[Config]\nDevice=2\n";
    big.resize(os::kMaxConfigFileBytes + 1, ';');
    ASSERT_TRUE(os::writeFileAtomically(ini, big));
    EXPECT_EQ(ReadConfigValue(ini, "Config", "Device"), "");
    EXPECT_NE(WriteConfigValue(ini, "Config", "Device", "1"), 0);
    EXPECT_EQ(fs::file_size(ini), big.size());
    big.resize(os::kMaxConfigFileBytes);
    ASSERT_TRUE(os::writeFileAtomically(ini, big));
    EXPECT_EQ(ReadConfigValue(ini, "Config", "Device"), "2") << "the upper size itself is read";

    std::string text;
    const os::ReadResult r = os::readFile(ini, text, 1000);
    EXPECT_EQ(r.status, os::ReadStatus::TooLarge);
    EXPECT_EQ(r.error, "'" + ini + "': larger than 1000 bytes");
    EXPECT_TRUE(text.empty());
}
