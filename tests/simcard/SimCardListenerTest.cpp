#include "platform/simcard/RemoteButtons.h"
#include "platform/simcard/SimCardListener.h"
#include "platform/simcard/SimCardProtocol.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/SimTunerCard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace remorra;
using namespace remorra::simcard;
using remorra::tuner::SimTunerCard;

namespace {

// A private folder per test for the endpoint.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        std::string t = (std::filesystem::temp_directory_path() / "remorra_sim_XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string socket() const { return (path / "card.sock").string(); }
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
}

} // namespace

TEST(SimCardListener, EndpointIsPrivateSingleAndReplacedWhenStale) {
    TempFolder dir;
    SimTunerCard card;
    std::string error;
    {
        CSimCardListener first(card, dir.socket());
        ASSERT_TRUE(first.Start(error)) << error;
        EXPECT_EQ(modeOf(dir.socket()) & 077, 0u) << "only the user may connect";
        CSimCardListener second(card, dir.socket());
        EXPECT_FALSE(second.Start(error));
        EXPECT_EQ(error, dir.socket() + ": another simulated card already listens there");
        first.Stop();
        EXPECT_FALSE(std::filesystem::exists(dir.socket())) << "Stop removes the endpoint";
        EXPECT_FALSE(SendToSimCard({560}, error, dir.socket()));
        EXPECT_EQ(error, "no simulated card listens at " + dir.socket() +
                             " (is Remorra running on a simulated card?)");
    }
    {
        // A socket left behind by a run that crashed.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, dir.socket().c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
        CSimCardListener listener(card, dir.socket());
        EXPECT_TRUE(listener.Start(error)) << error;
    }
    {
        const std::string plain = (dir.path / "plain").string();
        std::FILE* f = std::fopen(plain.c_str(), "w");
        std::fclose(f);
        CSimCardListener listener(card, plain);
        EXPECT_FALSE(listener.Start(error));
        EXPECT_EQ(error, plain + ": exists and is not a socket");
        EXPECT_TRUE(std::filesystem::exists(plain)) << "never removed";
    }
    {
        const std::filesystem::path open = dir.path / "open";
        std::filesystem::create_directory(open);
        std::filesystem::permissions(open, std::filesystem::perms::others_write, std::filesystem::perm_options::add);
        CSimCardListener listener(card, (open / "card.sock").string());
        EXPECT_FALSE(listener.Start(error));
        EXPECT_EQ(error, open.string() + ": not a folder private to this user");

        const std::filesystem::path fresh = dir.path / "fresh";
        CSimCardListener created(card, (fresh / "card.sock").string());
        EXPECT_TRUE(created.Start(error)) << error;
        EXPECT_EQ(modeOf(fresh.string()), 0700u);
    }
    {
        CSimCardListener listener(card, std::string(200, 'x'));
        EXPECT_FALSE(listener.Start(error));
        EXPECT_NE(error.find("not a usable socket path"), std::string::npos);
    }
}

TEST(SimCardEndpoint, PerUserPath) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    ::unsetenv("REMORRA_SIM_SOCKET");
    ::setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
    EXPECT_EQ(SimCardEndpoint(), "/run/user/1234/remorra/simcard.sock");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SimCardEndpoint(), "/tmp/remorra-" + std::to_string(::geteuid()) + "/simcard.sock");
    ::setenv("REMORRA_SIM_SOCKET", "/x/y.sock", 1);
    EXPECT_EQ(SimCardEndpoint(), "/x/y.sock");
    ::unsetenv("REMORRA_SIM_SOCKET");
    if (saved) ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}
