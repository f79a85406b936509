#include "keys/RemoteButtons.h"
#include "platform/simcard/SimCardListener.h"
#include "platform/simcard/SimCardProtocol.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/SimTunerCard.h"
#include "TempFolder.h"
#include "TestEndpoint.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace remorra;
using namespace remorra::simcard;
using remorra::tuner::SimTunerCard;

namespace {


mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
}

} // namespace

TEST(SimCardListener, EndpointIsPrivateSingleAndReplacedWhenStale) {
    const TestEndpoint dir;
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
        const std::string plain = (dir.folder / "plain").string();
        std::FILE* f = std::fopen(plain.c_str(), "w");
        std::fclose(f);
        CSimCardListener listener(card, plain);
        EXPECT_FALSE(listener.Start(error));
        EXPECT_EQ(error, plain + ": exists and is not a socket");
        EXPECT_TRUE(std::filesystem::exists(plain)) << "never removed";
    }
    {
        const std::filesystem::path open = dir.folder / "open";
        std::filesystem::create_directory(open);
        std::filesystem::permissions(open, std::filesystem::perms::others_write, std::filesystem::perm_options::add);
        CSimCardListener listener(card, (open / "card.sock").string());
        EXPECT_FALSE(listener.Start(error));
        EXPECT_EQ(error, open.string() + ": not a folder private to this user");

        const std::filesystem::path fresh = dir.folder / "fresh";
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
    const remorra::test::TempFolder runFolder("remorra_run");
    const std::string run = runFolder.str();
    ::setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    EXPECT_EQ(SimCardEndpoint(), run + "/remorra/simcard.sock"); // beside the instance lock
    ::setenv("REMORRA_SIM_SOCKET", "/x/y.sock", 1);
    EXPECT_EQ(SimCardEndpoint(), "/x/y.sock");
    ::unsetenv("REMORRA_SIM_SOCKET");
    if (saved) ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(SimCardListener, ATricklingClientIsCutOffAtTheRequestDeadline) {
    const TestEndpoint dir;
    SimTunerCard card;
    CSimCardListener listener(card, dir.socket());
    listener.setRequestTimeouts({400, 1200});
    std::string error;
    ASSERT_TRUE(listener.Start(error)) << error;

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, dir.socket().c_str());
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const auto start = std::chrono::steady_clock::now();
    // A byte well within the idle time, until the card answers.
    const std::string request = std::string(kRequestHeader) + "pulse 560\nspace 560\n";
    std::size_t sent = 0;
    std::string reply;
    char buf[256];
    while (reply.empty() || reply.back() != '\n') {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 200) == 0) {
            ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "never cut off";
            ASSERT_EQ(::send(fd, &request[sent++ % request.size()], 1, MSG_NOSIGNAL), 1);
            continue;
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        ASSERT_GT(n, 0);
        reply.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    EXPECT_EQ(reply, "ERROR request incomplete: not all of it came within 1.2 s (end it by closing the writing side)\n");
    EXPECT_GE(sent, 4u) << "the client kept sending";

    // The card is free again, and its refusal quotes the request harmlessly.
    ASSERT_TRUE(SendRawToSimCard(std::string(kRequestHeader) + "pulse \x1b[2J\n", reply, error, dir.socket()))
        << error;
    EXPECT_EQ(reply, "ERROR request:2: bad duration '\\x1b[2J'\n");
}
