// What the LIRC event socket adds to a key: one NEC press of the card's
// remote through the key report handler (strokes to a null output, the
// hold-off in virtual time), without the socket, with it and no client, and
// with clients that never read (connected anew whenever the server drops them).
#include "app/LircSocket.h"
#include "bench/support/BenchSupport.h"
#include "keys/KeyReportHandler.h"
#include "platform/os/VirtualTimeService.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace remorra;

namespace {

struct NullOutput final : keys::IKeyOutput {
    void keyDown(std::uint8_t) override {}
    void keyUp(std::uint8_t) override {}
    void pause(std::uint32_t) override {}
    bool windowExists(const char*) override { return false; }
    const char* backendName() const override { return "null"; }
};

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    return fd;
}

// state.range(0): 0 no socket, else that many clients that never read, less one.
void BM_NecPress(benchmark::State& state) {
    os::VirtualTimeService time;
    os::ScopedTimeService scoped(time);
    NullOutput out;
    keys::ProfileViewCell view;
    keys::KeyGate gate;
    keys::KeyReportHandler handler(out, view, gate);
    char dir[] = "/tmp/remorra-lirc-bench-XXXXXX";
    const std::string path = std::string(::mkdtemp(dir)) + "/lircd";
    std::unique_ptr<app::ILircServer> server;
    std::vector<int> stuck;
    const int clients = static_cast<int>(state.range(0)) - 1;
    if (state.range(0) > 0) {
        std::string error;
        server = app::StartLircServer(
            path, [] { return std::vector<keys::LircRemote>{keys::CardRemote()}; }, error);
        if (!server) state.SkipWithError(error.c_str());
        handler.SetButtonSink(server.get());
    }
    tmIrNecReport up{};
    up.address = 0xFB04;
    up.command = 0x81;
    std::uint64_t n = 0;
    for (auto _ : state) {
        if (clients > 0 && n++ % 1024 == 0) {
            state.PauseTiming();
            for (int fd : stuck) ::close(fd);
            stuck.clear();
            for (int i = 0; i < clients; ++i) stuck.push_back(connectTo(path));
            state.ResumeTiming();
        }
        handler.OnIrKey(TM_IR_DECODER_NEC, &up);
        up.repeat = 1;
    }
    handler.SetButtonSink(nullptr);
    server.reset();
    for (int fd : stuck) ::close(fd);
    ::rmdir(dir);
}
BENCHMARK(BM_NecPress)->ArgName("socket_clients_plus_one")->Arg(0)->Arg(1)->Arg(5);

} // namespace

BENCHMARK_MAIN();
