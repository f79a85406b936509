#include "app/Config.h"
#include "app/FocusProfiles.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace remorra;

namespace {

TEST(FocusProfiles, TheSelectionFollowsTheFocusAndComesBack) {
    CFocusProfiles f;
    f.SetRules({{"Kodi", {"kodi"}}, {"Movie", {"vlc", "MPV.exe"}}});
    struct Step {
        std::vector<std::string> focus;
        const char* current;
        const char* expected; // nullptr: no change
    } steps[] = {
        {{"xterm", "XTerm"}, "MCE", nullptr}, // not followed
        {{"kodi", "Kodi"}, "MCE", "Kodi"},
        {{"mpv"}, "Kodi", "Movie"},           // ".exe" and case do not matter
        {{}, "Movie", "MCE"},                 // the desktop: back to before
        {{}, "MCE", nullptr},
        {{"vlc"}, "Movie", nullptr},          // already selected, still remembered
        {{"xterm"}, "Movie", nullptr},        // Movie was the selection before vlc
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.focus.empty() ? "(desktop)" : s.focus[0]);
        const auto got = f.OnFocus(s.focus, s.current);
        if (s.expected) {
            ASSERT_TRUE(got);
            EXPECT_EQ(*got, s.expected);
        } else {
            EXPECT_FALSE(got);
        }
    }
    // Chosen by hand while following: that choice is what comes back.
    f.OnFocus({"kodi"}, "MCE");
    f.OnUserSelection("Movie");
    EXPECT_EQ(f.OnFocus({"xterm"}, "Movie"), std::nullopt);
}

TEST(FocusProfiles, RulesComeFromConfigForTheListedProfiles) {
    const remorra::test::TempFolder folder("remorra-focus");
    const std::string file = (folder / "config.ini").string();
    ASSERT_EQ(WriteConfigValue(file, kApplicationsSection, "Kids:TV", " kodi ; mpv;;"), 0);
    ASSERT_EQ(WriteConfigValue(file, kApplicationsSection, "Gone", "vlc"), 0);
    CFocusProfiles f;
    const std::vector<std::string> entries{"MCE", "Kids:TV", "a=b"};
    EXPECT_EQ(f.Follow({"Kodi"}, entries, 0, file), 1);
    EXPECT_EQ(f.Follow({"vlc"}, entries, 1, file), 0); // "Gone" is not listed
    EXPECT_NE(CheckApplicationsKey("a=b"), "");
    EXPECT_EQ(CheckApplicationsKey("Kids:TV"), "");
    EXPECT_EQ(JoinApplicationList(SplitApplicationList(" kodi ; mpv;;")), "kodi;mpv");
}

TEST(FocusProfiles, SavingAListStoresItNormalisedOrSaysWhyNot) {
    const remorra::test::TempFolder folder("remorra-focus");
    const std::string file = (folder / "config.ini").string();
    EXPECT_EQ(SaveProfileApplications(file, "MCE", " kodi ; mpv;;"), "");
    EXPECT_EQ(ReadConfigValue(file, kApplicationsSection, "MCE"), "kodi;mpv");
    EXPECT_NE(SaveProfileApplications(file, "a=b", "vlc"), "");
    EXPECT_NE(SaveProfileApplications(file, "MCE", std::string(300, 'x')), "");
    EXPECT_NE(SaveProfileApplications((folder / "missing" / "config.ini").string(), "MCE", "vlc"), "")
        << "a failed write must not pass for a saved list";
    EXPECT_EQ(ReadConfigValue(file, kApplicationsSection, "MCE"), "kodi;mpv");
}

} // namespace
