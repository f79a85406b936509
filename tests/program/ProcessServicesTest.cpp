#include "ProgramSupport.h"
#include "ScopedEnv.h"
#include "app/ProcessServices.h"
#include "platform/os/RuntimeFolder.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <sys/mount.h>
#include <vector>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace remorra;

namespace {

// Counts callbacks from a service thread; waits without sleeping blindly.
struct Counter {
    std::mutex m;
    std::condition_variable cv;
    int n = 0;
    void bump()
    {
        std::lock_guard l(m);
        ++n;
        cv.notify_all();
    }
    bool waitFor(int target)
    {
        std::unique_lock l(m);
        return cv.wait_for(l, std::chrono::seconds(10), [&] { return n >= target; });
    }
    int value()
    {
        std::lock_guard l(m);
        return n;
    }
};

} // namespace

TEST(ProcessServices, InstanceLockIsExclusiveAndFreedWithItsHolder)
{
    test::IsolatedProgramEnv env;
    auto first = app::CreateInstanceLock("Remorra");
    ASSERT_TRUE(first->acquire());
    auto second = app::CreateInstanceLock("Remorra");
    EXPECT_FALSE(second->acquire());
    EXPECT_TRUE(app::CreateInstanceLock("Other")->acquire());
    first.reset();
    EXPECT_TRUE(second->acquire());

    // A holder that dies without cleaning up does not block the next start.
    const pid_t child = ::fork();
    if (child == 0) {
        auto lock = app::CreateInstanceLock("Crash");
        ::_exit(lock->acquire() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(app::CreateInstanceLock("Crash")->acquire());
}

TEST(ProcessServices, RestoreRequestsReachTheListenerAndNothingElseDoes)
{
    test::IsolatedProgramEnv env;
    EXPECT_FALSE(app::SendRestoreRequest()); // nobody listens yet
    Counter restores;
    std::string error;
    auto listener = app::StartRestoreListener([&] { restores.bump(); }, &error);
    ASSERT_NE(listener, nullptr) << error;

    // Wrong words and silent clients are dropped without holding the thread.
    const std::string path = app::RuntimeFolder() + "/Remorra.restore";
    for (const char* words : {"", "quit\n", "restor"}) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_EQ(::write(fd, words, std::strlen(words)), static_cast<ssize_t>(std::strlen(words)));
        ::close(fd);
    }
    EXPECT_TRUE(app::SendRestoreRequest());
    EXPECT_TRUE(app::SendRestoreRequest());
    ASSERT_TRUE(restores.waitFor(2));
    listener.reset();
    EXPECT_EQ(restores.value(), 2);

    // A socket file left by a crashed copy is replaced.
    listener = app::StartRestoreListener([&] { restores.bump(); }, &error);
    ASSERT_NE(listener, nullptr) << error;
    EXPECT_TRUE(app::SendRestoreRequest());
    EXPECT_TRUE(restores.waitFor(3));
}

TEST(ProcessServices, TerminationSignalsRunTheShutdownCallback)
{
    app::BlockShutdownSignals();
    // One that comes before the watcher exists stays pending for it.
    ::kill(::getpid(), SIGHUP);
    Counter shutdowns;
    std::vector<std::string> names;
    auto watcher = app::StartShutdownWatcher([&](const char* what) {
        {
            std::lock_guard l(shutdowns.m);
            names.push_back(what);
        }
        shutdowns.bump();
    });
    ASSERT_NE(watcher, nullptr);
    ASSERT_TRUE(shutdowns.waitFor(1));
    ::kill(::getpid(), SIGTERM);
    ASSERT_TRUE(shutdowns.waitFor(2));
    ::kill(::getpid(), SIGINT);
    ASSERT_TRUE(shutdowns.waitFor(3));
    std::lock_guard l(shutdowns.m);
    EXPECT_EQ(names, (std::vector<std::string>{"SIGHUP", "SIGTERM", "SIGINT"}));
}

namespace {
namespace fs = std::filesystem;

// Runtime, state and temp folders of one test, none of the machine's own.
struct RuntimePlaces {
    test::IsolatedProgramEnv env;
    fs::path run = env.root / "run", state = env.root / "state", tmp = env.root / "tmp";
    fs::path squatted = tmp / ("remorra-" + std::to_string(::geteuid()));
    bool mounted = false;
    test::ScopedEnv stateHome{"XDG_STATE_HOME", state.c_str()};
    test::ScopedEnv tmpDir{"TMPDIR", tmp.c_str()};
    RuntimePlaces()
    {
        os::setSystemRuntimeRoot((env.root / "no-system-runtime").string());
        fs::create_directories(tmp);
    }
    ~RuntimePlaces()
    {
        if (mounted)
            ::umount2(run.c_str(), MNT_DETACH);
        os::setSystemRuntimeRoot({});
    }
    std::string stateFolder() const
    {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        return (state / "remorra" / ("run-" + std::string(host))).string();
    }
};
} // namespace

// Whatever is wrong with a candidate, the folder is the user's alone and one
// lock in it refuses a second copy.
TEST(ProcessServices, RuntimeFolderIsPrivateAndPassesOverWhatIsNot)
{
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* name;
        bool needsRoot;
        std::function<void(RuntimePlaces&)> arrange;
        const char* reason; // in the candidate passed over; null: none passed over
        bool stateFallback;
    };
    const std::vector<Case> cases = {
        {"usable runtime folder", false, [](RuntimePlaces&) {}, nullptr, false},
        {"no XDG_RUNTIME_DIR", false, [](RuntimePlaces&) { ::unsetenv("XDG_RUNTIME_DIR"); }, "no-system-runtime",
         true},
        {"relative XDG_RUNTIME_DIR", false, [](RuntimePlaces&) { ::setenv("XDG_RUNTIME_DIR", "run", 1); },
         "not an absolute path", true},
        {"runtime folder open to others", false, [](RuntimePlaces& p) { fs::permissions(p.run, fs::perms(0755)); },
         "open to other users (mode 0755)", true},
        {"read-only runtime folder", false,
         [root](RuntimePlaces& p) {
             if (!root) {
                 fs::permissions(p.run, fs::perms(0500));
                 return;
             }
             // Root writes whatever the mode; only a read-only mount stops it.
             p.mounted = ::mount("tmpfs", p.run.c_str(), "tmpfs", MS_RDONLY, "mode=0700") == 0;
         },
         root ? "Read-only file system" : "Permission denied", true},
        {"runtime folder of another user", true, [](RuntimePlaces& p) { ASSERT_EQ(::chown(p.run.c_str(), 65534, 65534), 0); },
         "owned by user 65534, not by this user", true},
        {"squatted temp folder, no state folder", true,
         [](RuntimePlaces& p) {
             ::unsetenv("XDG_RUNTIME_DIR");
             ::setenv("XDG_STATE_HOME", "/proc/no-state", 1);
             fs::create_directories(p.squatted);
             ASSERT_EQ(::chown(p.squatted.c_str(), 65534, 65534), 0);
         },
         "owned by user 65534, not by this user", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && !root)
            continue; // only root can make a folder of another user
        RuntimePlaces places;
        c.arrange(places);
        if (::testing::Test::HasFatalFailure())
            return;
        if (root && std::string(c.name) == "read-only runtime folder" && !places.mounted) {
            std::printf("skipped '%s': cannot mount a tmpfs: %s\n", c.name, std::strerror(errno));
            continue;
        }
        const os::RuntimeFolderChoice choice = os::findRuntimeFolder();
        if (!c.reason) {
            EXPECT_EQ(choice.folder, (places.run / "remorra").string());
            EXPECT_TRUE(choice.passedOver.empty());
        } else {
            std::string all;
            for (const std::string& why : choice.passedOver)
                all += why + "\n";
            EXPECT_NE(all.find(c.reason), std::string::npos) << all;
        }
        if (c.stateFallback) {
            EXPECT_EQ(choice.folder, places.stateFolder());
        }
        if (choice.folder.empty()) {
            // Nothing private is left: the lock lets the program run and says why.
            EXPECT_TRUE(app::CreateInstanceLock("Remorra")->acquire());
            std::string error;
            EXPECT_EQ(app::StartRestoreListener([] {}, &error), nullptr);
            EXPECT_NE(error.find("no private runtime folder"), std::string::npos) << error;
            continue;
        }
        struct stat st {};
        ASSERT_EQ(::lstat(choice.folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, ::geteuid());
        auto first = app::CreateInstanceLock("Remorra");
        ASSERT_TRUE(first->acquire());
        EXPECT_FALSE(app::CreateInstanceLock("Remorra")->acquire());
        std::string error;
        EXPECT_NE(app::StartRestoreListener([] {}, &error), nullptr) << error;
    }
}

// The interrupt thread runs time-critical before start-up raises the process;
// raising the process must not pull it down to the class's base priority.
TEST(ProcessServices, RaisingTheProcessKeepsAThreadsOwnRealTimePriority)
{
    std::mutex m;
    std::condition_variable cv;
    bool raised = false, done = false;
    int policy = -1, priority = -1;
    std::thread critical([&] {
        sched_param p{};
        p.sched_priority = sched_get_priority_max(SCHED_FIFO);
        const bool ok = pthread_setschedparam(pthread_self(), SCHED_FIFO, &p) == 0;
        std::unique_lock l(m);
        raised = true;
        policy = ok ? SCHED_FIFO : -2;
        cv.notify_all();
        cv.wait(l, [&] { return done; });
        sched_param now{};
        pthread_getschedparam(pthread_self(), &policy, &now);
        priority = now.sched_priority;
    });
    {
        std::unique_lock l(m);
        cv.wait(l, [&] { return raised; });
    }
    if (policy == -2) {
        { std::lock_guard l(m); done = true; }
        cv.notify_all();
        critical.join();
        GTEST_SKIP() << "real-time scheduling is not permitted here";
    }
    const bool granted = app::RaiseProcessPriority();
    { std::lock_guard l(m); done = true; }
    cv.notify_all();
    critical.join();
    EXPECT_TRUE(granted);
    EXPECT_EQ(policy, SCHED_FIFO);
    EXPECT_EQ(priority, sched_get_priority_max(SCHED_FIFO));
    EXPECT_EQ(sched_getscheduler(0), SCHED_RR);
}
