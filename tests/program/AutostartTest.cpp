#include "app/Autostart.h"
#include "platform/os/Files.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <unistd.h>

using namespace remorra;
namespace fs = std::filesystem;

namespace {

struct TempHome {
    remorra::test::TempFolder folder{"remorra_autostart"};
    const fs::path root = folder.path();
};

std::string Value(const std::string& text, const std::string& key)
{
    const auto at = text.find("\n" + key + "=");
    if (at == std::string::npos)
        return "(none)";
    const auto from = at + key.size() + 2;
    return text.substr(from, text.find('\n', from) - from);
}

} // namespace

TEST(Autostart, ArgumentsEntryPathAndExecQuoting)
{
    const char* argv[] = {"remorra", "--hidden", "-x", "--version"};
    const ProgramArgs args = ParseProgramArgs(4, argv);
    EXPECT_TRUE(args.hidden);
    EXPECT_TRUE(args.version);
    EXPECT_FALSE(args.help);

    EXPECT_EQ(AutostartEntryPath("/cfg", "/home/u"), "/cfg/autostart/remorra.desktop");
    EXPECT_EQ(AutostartEntryPath("relative", "/home/u"), "/home/u/.config/autostart/remorra.desktop");
    EXPECT_EQ(AutostartEntryPath(nullptr, "/home/u"), "/home/u/.config/autostart/remorra.desktop");
    EXPECT_EQ(AutostartEntryPath("", nullptr), "");

    const struct {
        const char* program;
        const char* exec;
        const char* tryExec;
    } cases[] = {
        {"/usr/bin/remorra", "/usr/bin/remorra --hidden", "/usr/bin/remorra"},
        {"/opt/my tools/remorra", "\"/opt/my tools/remorra\" --hidden", "/opt/my tools/remorra"},
        // Escaped for the shell-like quoting, then \ again for the string value.
        {"/opt/$x\\y/remorra", "\"/opt/\\\\$x\\\\\\\\y/remorra\" --hidden", "/opt/$x\\\\y/remorra"},
        {"/opt/100%/remorra", "/opt/100%%/remorra --hidden", "/opt/100%/remorra"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const std::string text = AutostartEntryText(c.program);
        EXPECT_EQ(Value(text, "Exec"), c.exec);
        EXPECT_EQ(Value(text, "TryExec"), c.tryExec);
    }
}

TEST(Autostart, OnWritesTheWholeEntryOffRemovesItHiddenCountsAsOff)
{
    TempHome home;
    const std::string entry = AutostartEntryPath(nullptr, home.root.c_str());
    std::string error;
    EXPECT_FALSE(AutostartEnabled(entry));
    ASSERT_TRUE(SetAutostart(entry, true, "/usr/bin/remorra", error)) << error;
    std::string text;
    ASSERT_TRUE(os::readWholeFile(entry, text));
    EXPECT_EQ(text, AutostartEntryText("/usr/bin/remorra"));
    EXPECT_TRUE(AutostartEnabled(entry));

    const struct {
        const char* text;
        bool enabled;
    } entries[] = {
        {"[Desktop Entry]\nExec=remorra\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden = true \n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Action x]\nHidden=true\n", true},
    };
    for (const auto& e : entries) {
        SCOPED_TRACE(e.text);
        std::ofstream(entry) << e.text;
        EXPECT_EQ(AutostartEnabled(entry), e.enabled);
    }

    ASSERT_TRUE(SetAutostart(entry, false, "", error)) << error;
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(SetAutostart(entry, false, "", error)) << "nothing to remove is no error";

    // A folder that cannot be written: refused with a reason, nothing left.
    fs::permissions(fs::path(entry).parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(fs::path(entry).parent_path().c_str(), W_OK) != 0) {
        EXPECT_FALSE(SetAutostart(entry, true, "/usr/bin/remorra", error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(fs::exists(entry));
    }
}
