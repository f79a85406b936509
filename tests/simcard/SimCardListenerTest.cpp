#include "platform/simcard/RemoteButtons.h"
#include "platform/simcard/SimCardListener.h"
#include "platform/simcard/SimCardProtocol.h"
#include "OSDependFactory.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "tmIR_Decoder.h"
#include "platform/tuner/SimTunerCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
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

class PinEvents final : public CInterruptCallback {
public:
    void OnInterrupt(const std::uint32_t*) override { count.fetch_add(1); }
    std::atomic<int> count{0};
};

class Keys final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void* report) override {
        if (type != TM_IR_DECODER_NEC) return;
        const auto* r = static_cast<const tmIrNecReport*>(report);
        std::lock_guard lock(mutex);
        // The address carries no check: a late edge that swaps two of its bits
        // passes, so only frames with the remote's address count.
        if (!r->repeat && r->address == kRemoteAddress) commands.push_back(r->command);
    }
    std::vector<int> take() {
        std::lock_guard lock(mutex);
        return std::exchange(commands, {});
    }
    std::mutex mutex;
    std::vector<int> commands;
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
}

} // namespace

TEST(SimCardListener, ButtonsSentByAClientBecomePinEventsOnTheRunningCard) {
    TempFolder dir;
    SimTunerCard card;
    CInterrupt_Interface layer(0x7231, &card);
    PinEvents events;
    ASSERT_EQ(layer.tmIEnableInterrupt(4, 0, &events), 0);

    CSimCardListener listener(card, dir.socket());
    std::string error;
    ASSERT_TRUE(listener.Start(error)) << error;
    EXPECT_EQ(modeOf(dir.socket()) & 077, 0u) << "only the user may connect";

    tuner::Timeline presses;
    ASSERT_TRUE(EncodeButtonPresses({"Up", "OK"}, 0, presses, error));
    ASSERT_TRUE(SendToSimCard(presses, error, dir.socket())) << error;
    // Two NEC frames: leader, 32 bits and the stop burst each. The reply comes
    // only once they have been played.
    EXPECT_EQ(card.liveBursts(), 68u);
    EXPECT_GT(events.count.load(), 0);
    EXPECT_LE(events.count.load(), 68) << "one event per burst start at most";
    EXPECT_EQ(card.irLevel(), 1) << "idle after the capture";

    std::string reply;
    ASSERT_TRUE(SendRawToSimCard("REMORRA-SIM 1\npulse 9000\nspace oops\n", reply, error, dir.socket())) << error;
    EXPECT_EQ(reply, "ERROR request:3: bad duration 'oops'\n");
    ASSERT_TRUE(SendRawToSimCard("hello", reply, error, dir.socket())) << error;
    EXPECT_EQ(reply.rfind("ERROR not a request of this card", 0), 0u) << reply;
    EXPECT_EQ(card.liveBursts(), 68u) << "a refused request plays nothing";

    EXPECT_FALSE(SendToSimCard({}, error, dir.socket()));
    EXPECT_EQ(error, "request:2: no pulse in the capture");
    layer.tmIDisableInterrupt(4, 0);
}

TEST(SimCardListener, ThePipelineOnTheCardDecodesTheButtonsInRealTime) {
    // Assembled as start-up assembles it, on the real clock.
    TempFolder dir;
    SimTunerCard card;
    const std::uint16_t id = tuner::probeImplementationId(&card);
    ASSERT_EQ(id, 0x7231);
    CGPIO_Interface gpio(&card, id);
    CInterrupt_Interface interrupts(id, &card);
    gpio.tmISetPinDirection(0x10, 0x10);
    COSDependFactory factory;
    Keys keys;
    const tmIrHwInfo hw{TM_IR_DECODER_NEC, 4, 0, TM_IR_CAPTURE_EDGE};
    auto decoder = std::make_unique<tmIIrDecoder>(&keys, &gpio, &interrupts, &factory, &hw);

    CSimCardListener listener(card, dir.socket());
    std::string error;
    ASSERT_TRUE(listener.Start(error)) << error;
    tuner::Timeline presses;
    ASSERT_TRUE(EncodeButtonPresses({"Up", "OK", "Play"}, 0, presses, error));
    // A loaded machine may wake a thread late enough to spoil a frame now and
    // then, so frames may go missing; but what is decoded must be the sent
    // buttons in order, and frames must come through.
    const std::vector<int> sent{0x81, 0x99, 0xDE};
    std::size_t decoded = 0;
    for (int attempt = 0; attempt < 5 && decoded < 3; ++attempt) {
        ASSERT_TRUE(SendToSimCard(presses, error, dir.socket())) << error;
        const std::vector<int> got = keys.take();
        auto next = sent.begin();
        for (int command : got) {
            next = std::find(next, sent.end(), command);
            ASSERT_NE(next, sent.end()) << "a frame decoded out of order or wrong: " << command;
            ++next;
        }
        decoded += got.size();
    }
    EXPECT_GE(decoded, 3u);
    decoder.reset();
}

TEST(SimCardListener, EndpointIsPrivateSingleAndReplacedWhenStale) {
    TempFolder dir;
    SimTunerCard card;
    std::string error;
    {
        CSimCardListener first(card, dir.socket());
        ASSERT_TRUE(first.Start(error)) << error;
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

TEST(SimCardListener, StopDuringALongCaptureEndsTheWaitingClient) {
    TempFolder dir;
    SimTunerCard card;
    CSimCardListener listener(card, dir.socket());
    std::string error;
    ASSERT_TRUE(listener.Start(error)) << error;
    std::string clientError;
    std::thread client([&] {
        tuner::Timeline longOne(400, 10'000); // 4 s
        EXPECT_FALSE(SendToSimCard(longOne, clientError, dir.socket()));
    });
    while (card.liveBursts() == 0) std::this_thread::yield();
    listener.Stop();
    client.join();
    EXPECT_EQ(clientError, "the card stopped before the capture was played");
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
