#include "app/Version.h"
#include "platform/os/AppLog.h"

#include "LogFileFixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace {

using remorra::keys::test::LogFile;

// "[MM/DD/YY HH:MM:SS : tttttttt] message"
const std::regex kLine(R"(^\[\d\d/\d\d/\d\d \d\d:\d\d:\d\d : [ \d]{8}\] (.*)$)");

std::string Message(const std::string& line) {
    std::smatch m;
    return std::regex_match(line, m, kLine) ? m[1].str() : "<malformed: " + line + ">";
}

TEST(AppLogTest, LineFormatAndCallerPlaceholders) {
    LogFile log;
    WriteLog(L"m_wImplementationId %d", 29233);
    WriteLog(L"Device %d: %s / %ls", 2, "narrow", L"wide");
    WriteLog(L"no arguments");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Message(lines[0]), "m_wImplementationId 29233");
    EXPECT_EQ(Message(lines[1]), "Device 2: narrow / wide");
    EXPECT_EQ(Message(lines[2]), "no arguments");
}

TEST(AppLogTest, LinesNeverExceedTheLimit) {
    LogFile log;
    const std::wstring longText(400, L'x');
    WriteLog(L"%ls", longText.c_str());  // long after formatting
    WriteLog(std::wstring(2000, L'y').c_str()); // long caller text itself
    WriteLog(L"after");
    const std::string text = log.text();
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(lines[i].size() + 1, static_cast<std::size_t>(remorra::os::kMaxLogLineChars)) << i;
        EXPECT_TRUE(std::regex_match(lines[i], kLine)) << i;
    }
    EXPECT_EQ(Message(lines[2]), "after");
}

TEST(AppLogTest, BrokenConversionKeepsTheLineUnformatted) {
    LogFile log;
    WriteLog(L"progress 100%");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]), "progress 100%");
}

TEST(AppLogTest, NonAsciiIsWrittenAsUtf8) {
    LogFile log;
    WriteLog(L"Ger\u00e4t %ls", L"\u00fc\u20ac");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(Message(log.lines()[0]), "Ger\xC3\xA4t \xC3\xBC\xE2\x82\xAC");
}

TEST(AppLogTest, BothThreadsWriteWholeLines) {
    LogFile log;
    constexpr int kPerThread = 300;
    auto writer = [](const wchar_t* who) {
        for (int i = 0; i < kPerThread; ++i) WriteLog(L"%ls line %d of a reasonably long message", who, i);
    };
    std::thread window(writer, L"window");
    std::thread interrupt(writer, L"interrupt");
    window.join();
    interrupt.join();
    int window_n = 0, interrupt_n = 0;
    const std::regex body(R"((window|interrupt) line (\d+) of a reasonably long message)");
    for (const std::string& line : log.lines()) {
        std::smatch m;
        const std::string msg = Message(line);
        ASSERT_TRUE(std::regex_match(msg, m, body)) << line;
        (m[1] == "window" ? window_n : interrupt_n)++;
    }
    EXPECT_EQ(window_n, kPerThread);
    EXPECT_EQ(interrupt_n, kPerThread);
}

TEST(AppLogTest, UnwritableLogLosesOnlyThatLine) {
    LogFile log;
    setenv("REMORRA_LOG", "/proc/remorra-no-such-dir/Remorra.log", 1);
    WriteLog(L"lost");
    setenv("REMORRA_LOG", log.path().c_str(), 1);
    WriteLog(L"kept");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]), "kept");
}

#ifdef _WIN32
TEST(AppLogTest, DefaultLocationIsTheRootOfDriveC) {
    unsetenv("REMORRA_LOG");
    EXPECT_EQ(remorra::os::ApplicationLogPath(), "c:\\Remorra.log");
}

TEST(AppLogTest, LinesEndInCrLfAsInATextModeFile) {
    LogFile log;
    WriteLog(L"first");
    WriteLog(L"inner\nfeed");
    const std::string text = log.text();
    EXPECT_NE(text.find("] first\r\n["), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("] inner\r\nfeed\r\n")) << text;
}
#else
TEST(AppLogTest, DefaultLocationIsTheStateFolderCreatedOnDemand) {
    LogFile scratch; // for its temporary folder
    unsetenv("REMORRA_LOG");
    const std::string state = (std::filesystem::path(scratch.path()).parent_path().parent_path() / "state").string();
    const char* oldXdg = std::getenv("XDG_STATE_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    EXPECT_EQ(remorra::os::ApplicationLogPath(), state + "/remorra/Remorra.log");
    WriteLog(L"first line");
    EXPECT_TRUE(std::filesystem::exists(state + "/remorra/Remorra.log"));
    setenv("XDG_STATE_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(remorra::os::ApplicationLogPath(), std::string(home) + "/.local/state/remorra/Remorra.log");
    }
    if (oldXdg) setenv("XDG_STATE_HOME", saved.c_str(), 1); else unsetenv("XDG_STATE_HOME");
}

#endif

TEST(VersionTest, VersionTextFromTheBuild) {
    EXPECT_EQ(GetVersionString(), "Version: 1.0.1.0 ");
}

} // namespace
