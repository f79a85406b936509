// Peak resident set of `remorra-ir decode` against the size of its capture:
// NEC presses (a frame and three repeat codes, 600 ms apart) written until
// the file has the size, decoded from the file and from standard input.
//
// usage: decode_memory_bench [MIB...]   (default 1 10 100)
#include "platform/tuner/IrCapture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    long peakKiB = 0;
    double seconds = 0;
    int status = -1;
};

// Runs the tool on `capture` (by name, or on standard input) with its output discarded.
Run decode(const std::string& capture, bool fromStdin)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (fromStdin)
        posix_spawn_file_actions_addopen(&actions, 0, capture.c_str(), O_RDONLY, 0);
    std::vector<std::string> args = {REMORRA_IR, "decode", fromStdin ? "-" : capture};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Run r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, REMORRA_IR, &actions, nullptr, argv.data(), environ) != 0)
        return r;
    posix_spawn_file_actions_destroy(&actions);
    rusage usage{};
    int status = 0;
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakKiB = usage.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty())
        sizes = {1, 10, 100};
    const std::string press = remorra::tuner::toMode2(remorra::tuner::encodeNec(0xFB04, 0x12, 3, false, {})) +
                              "space 600000\n";
    const std::string path = (std::filesystem::temp_directory_path() / "remorra-decode-memory.txt").string();
    std::printf("| Capture | Presses | From | Peak RSS | Wall time | Status |\n|---|---|---|---|---|---|\n");
    for (long mib : sizes) {
        const std::size_t bytes = static_cast<std::size_t>(mib) << 20;
        std::size_t presses = 0;
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            for (std::size_t written = 0; written < bytes; written += press.size(), ++presses)
                out << press;
        }
        for (bool fromStdin : {false, true}) {
            const Run r = decode(path, fromStdin);
            std::printf("| %ld MiB | %zu | %s | %ld KiB | %.1f s | %d |\n", mib, presses, fromStdin ? "stdin" : "file",
                        r.peakKiB, r.seconds, r.status);
            std::fflush(stdout);
        }
    }
    std::filesystem::remove(path);
    return 0;
}
