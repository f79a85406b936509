#include "ProgramSupport.h"
#include "app/ProcessServices.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <cstring>
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
    Counter shutdowns;
    auto watcher = app::StartShutdownWatcher([&] { shutdowns.bump(); });
    ASSERT_NE(watcher, nullptr);
    ::kill(::getpid(), SIGTERM);
    ASSERT_TRUE(shutdowns.waitFor(1));
    ::kill(::getpid(), SIGINT);
    EXPECT_TRUE(shutdowns.waitFor(2));
}

TEST(ProcessServices, RuntimeFolderIsPrivate)
{
    test::IsolatedProgramEnv env;
    const std::string folder = app::RuntimeFolder();
    ASSERT_FALSE(folder.empty());
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
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
