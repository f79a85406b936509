#pragma once
// Profiles that follow the focused application: the user names, per profile,
// the applications it belongs to (X11 window class or instance, Windows
// executable name). When one of them gets the focus its profile is selected;
// when the focus goes elsewhere the selection from before comes back.
// Window thread only.
#include "platform/os/MessageBox.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace remorra {

// config.ini: [ProfileApplications] PROFILE=app1;app2 (the key is the
// profile's name as the list shows it).
inline constexpr const char* kApplicationsSection = "ProfileApplications";

struct FocusRule {
    std::string profile;
    std::vector<std::string> applications;
};

// "kodi; mpv ;" -> {"kodi", "mpv"}.
std::vector<std::string> SplitApplicationList(const std::string& text);
std::string JoinApplicationList(const std::vector<std::string>& applications);

// The rules of the listed profiles that name any application.
std::vector<FocusRule> ReadFocusRules(const std::string& configFile, const std::vector<std::string>& profiles);
// Why `profile` cannot carry applications in config.ini; empty when it can.
std::string CheckApplicationsKey(const std::string& profile);
// Stores the list the user typed for `profile`, normalised (an empty list
// unbinds it); returns why it was not stored, or empty.
std::string SaveProfileApplications(const std::string& configFile, const std::string& profile,
                                    const std::string& typed);

// The "Applications..." command for `profile`: `ask` shows the prompt over
// the stored list and returns what the user typed (nothing: cancelled); a
// refusal or a failed save is shown in `box`. True when a list was stored.
using AskApplicationList =
    std::function<std::optional<std::string>(const std::string& prompt, const std::string& list)>;
bool RunApplicationsCommand(const std::string& configFile, const std::string& profile,
                            const AskApplicationList& ask, IMessageBox& box, const std::string& caption);

class CFocusProfiles {
public:
    void SetRules(std::vector<FocusRule> rules) { m_rules = std::move(rules); }

    // The focus moved to a window of the application known by any of
    // `names` (none: the desktop or an unnamed window). Returns the profile
    // to select, or nothing when the selection stays.
    std::optional<std::string> OnFocus(const std::vector<std::string>& names, const std::string& current);
    // The user chose `selection` himself: it is what comes back when the
    // focus leaves the application being followed.
    void OnUserSelection(const std::string& selection);

    // OnFocus with the rules of config.ini's profiles as listed in
    // `entries` (read anew, so edits and new profiles count at once):
    // the position to select, or nothing.
    std::optional<int> Follow(const std::vector<std::string>& names, const std::vector<std::string>& entries,
                              int selection, const std::string& configFile);

private:
    const FocusRule* match(const std::vector<std::string>& names) const;

    std::vector<FocusRule> m_rules;
    bool m_following = false;
    std::string m_saved;
};

} // namespace remorra
