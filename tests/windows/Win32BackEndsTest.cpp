#include "app/ProcessServices.h"
#include "keys/KeyOutput.h"
#include "platform/os/AppLog.h"
#include "platform/os/Files.h"
#include "platform/os/TimeService.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

using namespace remorra;

namespace {

struct TimerCase {
    static inline int fired = 0;
    static inline int stopAfter = 0;
    static inline bool stop = false;
    static inline std::uint32_t id = 0;
    static void proc(std::uint32_t timerId)
    {
        EXPECT_EQ(timerId, id);
        if (++fired == stopAfter) {
            os::timeService().stopTimer(timerId);
            stop = true;
        }
    }
};

TEST(Win32Time, CounterAdvancesAtItsFrequency)
{
    os::ITimeService& t = os::timeService();
    EXPECT_GE(t.frequency(), 1'000'000); // QueryPerformanceFrequency is at least 1 MHz on every Windows
    const std::int64_t a = t.counter();
    t.sleepMs(20);
    const std::int64_t elapsed = t.counter() - a;
    EXPECT_GE(elapsed * 1000 / t.frequency(), 15);
}

// Timers run from the starting thread's message loop; one stopped in its own
// expiry never runs again, even while the loop keeps going.
TEST(Win32Time, TimerRunsOnTheMessageLoopUntilStopped)
{
    TimerCase::fired = 0;
    TimerCase::stopAfter = 3;
    TimerCase::stop = false;
    TimerCase::id = os::timeService().startTimer(10, &TimerCase::proc);
    ASSERT_NE(TimerCase::id, 0u);
    os::runTimerLoop(&TimerCase::stop, 5000);
    EXPECT_EQ(TimerCase::fired, 3);
    os::runTimerLoop(nullptr, 60);
    EXPECT_EQ(TimerCase::fired, 3);
    EXPECT_EQ(os::timeService().startTimer(10, nullptr), 0u);
}

TEST(Win32Files, AtomicWriteReplacesAndLeavesNoTempFile)
{
    namespace fs = std::filesystem;
    const remorra::test::TempFolder folder("remorra_win32");
    const fs::path& dir = folder.path();
    const std::string p = (dir / "a.txt").string();
    ASSERT_TRUE(os::writeFileAtomically(p, "first\r\nline"));
    ASSERT_TRUE(os::writeFileAtomically(p, "second"));
    std::string back;
    ASSERT_TRUE(os::readWholeFile(p, back));
    EXPECT_EQ(back, "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    const os::FileResult missing = os::writeFileAtomically((dir / "no" / "a.txt").string(), "x");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find("a.txt"), std::string::npos) << missing.error;
    EXPECT_TRUE(os::makeFolder((dir / "sub").string()));
    EXPECT_TRUE(os::makeFolder((dir / "sub").string())) << "an existing folder is fine";
    EXPECT_FALSE(os::makeFolder(p)) << "a file is not a folder";
    EXPECT_TRUE(os::isDirectory(os::programFolder()));
}

TEST(Win32Keys, OutputSelectionAndCaseInsensitiveWindowSearch)
{
    _putenv_s("REMORRA_LOG", "NUL");
    _putenv_s("REMORRA_KEYS", "log");
    EXPECT_STREQ(keys::CreateKeyOutput()->backendName(), "log");
    _putenv_s("REMORRA_KEYS", "");
    auto out = keys::CreateKeyOutput();
    EXPECT_STREQ(out->backendName(), "keybd_event");

    HWND w = CreateWindowExA(0, "STATIC", "Remorra Window Search", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (!w)
        GTEST_SKIP() << "no window station to create a window in";
    EXPECT_TRUE(out->windowExists("remorra window search"));
    EXPECT_FALSE(out->windowExists("Remorra Window"));
    EXPECT_FALSE(out->windowExists(nullptr));
    DestroyWindow(w);
    EXPECT_FALSE(out->windowExists("Remorra Window Search"));
    _putenv_s("REMORRA_LOG", "");
}

// The named mutex is held as long as its first owner lives; a second copy
// is refused, and the name is free again once the first has gone.
TEST(Win32Process, NamedMutexAdmitsOneCopyAtATime)
{
    auto first = app::CreateInstanceLock("RemorraTestInstance");
    ASSERT_TRUE(first->acquire());
    EXPECT_TRUE(first->acquire()) << "the owner asking again keeps it";
    EXPECT_FALSE(app::CreateInstanceLock("RemorraTestInstance")->acquire());
    EXPECT_TRUE(app::CreateInstanceLock("RemorraTestOther")->acquire());
    first.reset();
    EXPECT_TRUE(app::CreateInstanceLock("RemorraTestInstance")->acquire());
    EXPECT_FALSE(app::RuntimeFolder().empty());
}

} // namespace
