#include "app/FocusProfiles.h"

#include "app/Config.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace remorra {
namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// "Kodi.exe" and "kodi" name the same application.
std::string applicationKey(const std::string& name)
{
    std::string key = lower(name);
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".exe") == 0)
        key.resize(key.size() - 4);
    return key;
}

} // namespace

std::vector<std::string> SplitApplicationList(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        std::string item = text.substr(start, end - start);
        const auto first = item.find_first_not_of(" \t");
        const auto last = item.find_last_not_of(" \t");
        if (first != std::string::npos)
            out.push_back(item.substr(first, last - first + 1));
        start = end + 1;
    }
    return out;
}

std::string JoinApplicationList(const std::vector<std::string>& applications)
{
    std::string out;
    for (const std::string& a : applications)
        out += (out.empty() ? "" : ";") + a;
    return out;
}

std::string CheckApplicationsKey(const std::string& profile)
{
    if (profile.empty())
        return "no profile is selected";
    // The private-profile format ends a key at '=' and a section at ']'.
    if (profile.find('=') != std::string::npos || profile.front() == '[' || profile.front() == ';' ||
        profile.front() == ' ' || profile.back() == ' ')
        return "\"" + profile + "\" cannot be a key of config.ini ('=' inside, or '[', ';' or a blank at an end)";
    return {};
}

namespace {
std::string ApplicationsPrompt(const std::string& profile)
{
    return "Applications that select \"" + profile + "\" while they have the focus\n"
           "(window classes or program names, separated by ';'):";
}
} // namespace

std::string SaveProfileApplications(const std::string& configFile, const std::string& profile,
                                    const std::string& typed)
{
    if (std::string why = CheckApplicationsKey(profile); !why.empty())
        return why;
    const std::string list = JoinApplicationList(SplitApplicationList(typed));
    if (list.size() >= kConfigValueBuffer || list.find_first_of("\r\n") != std::string::npos)
        return "The list is too long for config.ini.";
    if (const int error = WriteConfigValue(configFile, kApplicationsSection, profile, list); error != 0)
        return "The list was not saved: " + std::string(std::strerror(error));
    return {};
}

bool RunApplicationsCommand(const std::string& configFile, const std::string& profile,
                            const AskApplicationList& ask, IMessageBox& box, const std::string& caption)
{
    if (const std::string why = CheckApplicationsKey(profile); !why.empty()) {
        box.show(why, caption, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    const std::optional<std::string> typed =
        ask(ApplicationsPrompt(profile), ReadConfigValue(configFile, kApplicationsSection, profile));
    if (!typed)
        return false;
    if (const std::string why = SaveProfileApplications(configFile, profile, *typed); !why.empty()) {
        box.show(why, caption, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    return true;
}

std::vector<FocusRule> ReadFocusRules(const std::string& configFile, const std::vector<std::string>& profiles)
{
    std::vector<FocusRule> rules;
    for (const std::string& profile : profiles) {
        if (!CheckApplicationsKey(profile).empty())
            continue;
        std::vector<std::string> apps = SplitApplicationList(ReadConfigValue(configFile, kApplicationsSection, profile));
        if (!apps.empty())
            rules.push_back({profile, std::move(apps)});
    }
    return rules;
}

const FocusRule* CFocusProfiles::match(const std::vector<std::string>& names) const
{
    for (const FocusRule& rule : m_rules)
        for (const std::string& app : rule.applications)
            for (const std::string& name : names)
                if (!name.empty() && applicationKey(app) == applicationKey(name))
                    return &rule;
    return nullptr;
}

std::optional<std::string> CFocusProfiles::OnFocus(const std::vector<std::string>& names, const std::string& current)
{
    if (const FocusRule* rule = match(names)) {
        if (!m_following)
            m_saved = current;
        m_following = true;
        if (rule->profile == current)
            return std::nullopt;
        return rule->profile;
    }
    if (!m_following)
        return std::nullopt;
    m_following = false;
    if (m_saved == current)
        return std::nullopt;
    return m_saved;
}

std::optional<int> CFocusProfiles::Follow(const std::vector<std::string>& names, const std::vector<std::string>& entries,
                                          int selection, const std::string& configFile)
{
    SetRules(ReadFocusRules(configFile, entries));
    const bool valid = selection >= 0 && selection < static_cast<int>(entries.size());
    const std::optional<std::string> target =
        OnFocus(names, valid ? entries[static_cast<std::size_t>(selection)] : std::string());
    if (!target)
        return std::nullopt;
    const auto at = std::find(entries.begin(), entries.end(), *target);
    if (at == entries.end())
        return std::nullopt; // deleted meanwhile
    return static_cast<int>(at - entries.begin());
}

void CFocusProfiles::OnUserSelection(const std::string& selection)
{
    if (m_following)
        m_saved = selection;
}

} // namespace remorra
