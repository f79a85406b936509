// The LIRC event socket with real clients on a real socket.
#include "app/LircSocket.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace remorra;

namespace {

class LircSocketTest : public ::testing::Test {
protected:
    LircSocketTest() {
        m_path = (m_dir / "sub" / "lircd").string();
    }
    ~LircSocketTest() override {
        m_server.reset();
        for (int fd : m_fds) ::close(fd);
    }
    void start() {
        std::string error;
        m_server = app::StartLircServer(
            m_path,
            [this] {
                std::vector<keys::LircRemote> remotes{keys::CardRemote()};
                if (m_learnt.load())
                    remotes.push_back({"Learnt", {}});
                return remotes;
            },
            error);
        ASSERT_TRUE(m_server) << error;
    }
    int connectClient() {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", m_path.c_str());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        m_fds.push_back(fd);
        // Answered only once the server took the connection: from then on
        // the client hears every button.
        EXPECT_EQ(::write(fd, "VERSION\n", 8), 8);
        EXPECT_NE(readUntil(fd, "END\n"), "");
        return fd;
    }
    // Reads until `text` has arrived in full, the peer closes, or 10 s pass.
    static std::string readUntil(int fd, const std::string& text) {
        std::string got;
        while (got.find(text) == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10'000) <= 0) break;
            char buf[4096];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    void press(const char* name, std::uint32_t repeat) {
        keys::ButtonEvent e;
        e.code = 0x0481;
        e.repeat = repeat;
        e.setNames(name, "Remorra");
        m_server->OnButton(e);
    }

    test::TempFolder m_dir{"remorra-lirc"};
    std::string m_path;
    std::vector<int> m_fds;
    std::atomic<bool> m_learnt{false};
    std::unique_ptr<app::ILircServer> m_server;
};

TEST_F(LircSocketTest, AnswersCommandsAndBroadcastsToEveryClient) {
    start();
    const int a = connectClient(), b = connectClient();
    ASSERT_EQ(::write(a, "LIST\n", 5), 5);
    EXPECT_NE(readUntil(a, "Remorra\nEND\n").find("BEGIN\nLIST\nSUCCESS\nDATA\n1\nRemorra\nEND\n"), std::string::npos);
    // A remote learnt meanwhile is listed without a restart.
    m_learnt = true;
    ASSERT_EQ(::write(a, "LIST\n", 5), 5);
    EXPECT_NE(readUntil(a, "Learnt\nEND\n").find("DATA\n2\nRemorra\nLearnt\nEND\n"), std::string::npos);
    press("Up", 0);
    press("Up", 1);
    const std::string lines = "0000000000000481 00 Up Remorra\n0000000000000481 01 Up Remorra\n";
    EXPECT_EQ(readUntil(a, lines), lines);
    EXPECT_EQ(readUntil(b, lines), lines);
    // A second server on the same path is refused; the first keeps it.
    std::string error;
    EXPECT_FALSE(app::StartLircServer(m_path, [] { return std::vector<keys::LircRemote>{}; }, error));
    EXPECT_NE(error.find("already serves"), std::string::npos);
}

TEST_F(LircSocketTest, AClientThatNeverReadsIsDroppedAndHoldsUpNoOne) {
    start();
    const int stuck = connectClient(), reader = connectClient();
    int small = 4096;
    ::setsockopt(stuck, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    // Paced by the reader, so the server's own queue never overflows.
    std::string expected;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        press("Down", i % 256);
        char line[64];
        std::snprintf(line, sizeof line, "0000000000000481 %02x Down Remorra\n", i % 256);
        expected += line;
        if (i % 32 == 31) {
            ASSERT_NE(readUntil(reader, line).size(), 0u);
        }
    }
    // The stuck client was cut off: it reads what was buffered, then the end.
    std::string rest;
    for (char buf[65536];;) {
        const ssize_t n = ::read(stuck, buf, sizeof buf);
        if (n <= 0) break;
        rest.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_LT(rest.size(), expected.size());
    press("OK", 0);
    EXPECT_NE(readUntil(reader, "OK Remorra\n").find("0000000000000481 00 OK Remorra\n"), std::string::npos);
}

} // namespace
