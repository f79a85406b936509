// Start-up of the real program: from spawning the process to the log line
// that says the interrupt thread runs, on a simulated card that answers none
// of the implementation-id probes (the longest probe), with the device
// remembered in config.ini so no chooser waits for a user. Then the idle
// program's peak and current resident memory.
//
//   startup_bench [--runs N] [--program PATH]
//
// The program runs with Qt's offscreen platform and logged key output, each
// run in a fresh documents folder.
#include "bench/support/BenchSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kReady = "Interrupt Thread create success!";

bool fileHas(const fs::path& p, const char* text)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str().find(text) != std::string::npos;
}

long statusKiB(pid_t pid, const char* key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string k;
    while (in >> k) {
        if (k == key) {
            long v = 0;
            in >> v;
            return v;
        }
        in.ignore(4096, '\n');
    }
    return -1;
}

struct Run {
    double startupMs = -1;
    long peakKiB = -1;
    long residentKiB = -1;
};

Run runOnce(const std::string& program, const fs::path& root)
{
    fs::remove_all(root);
    fs::create_directories(root / "docs/Remorra");
    fs::create_directories(root / "run");
    fs::permissions(root / "run", fs::perms::owner_all, fs::perm_options::replace);
    std::ofstream(root / "docs/Remorra/config.ini") << "[Config]\nbRememberDevice=1\nstrDevName=0: Quorbel Mute Card\n";
    const fs::path log = root / "Remorra.log";

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.push_back("REMORRA_DOCUMENTS=" + (root / "docs").string());
    env.push_back("REMORRA_LOG=" + log.string());
    env.push_back("XDG_RUNTIME_DIR=" + (root / "run").string());
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("REMORRA_SIM_CARDS=Quorbel Mute Card|none");
    env.push_back("REMORRA_KEYS=log");
    std::vector<char*> envp;
    for (auto& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    Run r;
    pid_t pid = 0;
    const auto t0 = Clock::now();
    if (posix_spawn(&pid, program.c_str(), &fa, nullptr, argv, envp.data()) != 0) {
        std::perror("posix_spawn");
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&fa);
    // Polling the log costs the program nothing it would not pay anyway.
    const auto deadline = t0 + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        if (fileHas(log, kReady)) {
            r.startupMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (r.startupMs >= 0) {
        std::this_thread::sleep_for(std::chrono::seconds(1)); // settle into idle
        r.peakKiB = statusKiB(pid, "VmHWM:");
        r.residentKiB = statusKiB(pid, "VmRSS:");
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 20;
    std::string program = REMORRA_PROGRAM;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--program") && i + 1 < argc)
            program = argv[++i];
        else {
            std::fprintf(stderr, "usage: startup_bench [--runs N] [--program PATH]\n");
            return 2;
        }
    }
    const fs::path root = fs::temp_directory_path() / ("remorra-startup-" + std::to_string(getpid()));
    std::vector<double> startup, peak, resident;
    int failed = 0;
    for (int i = 0; i < runs; ++i) {
        const Run r = runOnce(program, root);
        if (r.startupMs < 0) {
            ++failed;
            continue;
        }
        startup.push_back(r.startupMs);
        peak.push_back(static_cast<double>(r.peakKiB));
        resident.push_back(static_cast<double>(r.residentKiB));
    }
    fs::remove_all(root);
    if (startup.empty()) {
        std::fprintf(stderr, "the program never logged \"%s\"\n", kReady);
        return 1;
    }
    using remorra::bench::percentile;
    std::printf("startup runs=%zu failed=%d to_interrupt_thread p50=%.1fms p90=%.1fms max=%.1fms "
                "idle VmHWM p50=%.0fKiB VmRSS p50=%.0fKiB\n",
                startup.size(), failed, percentile(startup, 50), percentile(startup, 90), percentile(startup, 100),
                percentile(peak, 50), percentile(resident, 50));
    return failed ? 1 : 0;
}
