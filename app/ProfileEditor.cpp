#include "app/ProfileEditor.h"

#include "platform/os/AppLog.h"
#include "app/Config.h"
#include "app/ProfileNamePlatform.h"
#include "keys/XMLParse.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace remorra {

namespace {
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool startsWithNoCase(const std::string& s, const std::string& prefix) {
    if (prefix.size() > s.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower(s[i]) != lower(prefix[i])) return false;
    return true;
}

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
    if (suffix.size() > s.size()) return false;
    return startsWithNoCase(s.substr(s.size() - suffix.size()), suffix);
}

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// A name for the log: its control characters as \xNN, so that it stays one line.
std::string visible(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (!isControl(c)) {
            out += c;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        out += hex;
    }
    return out;
}

// The order a Windows folder listing gives: upper-cased byte order.
bool listingOrder(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return upper(x) < upper(y); });
}
} // namespace

std::string CheckProfileName(const std::string& name) {
    if (name.empty()) return "The profile name is empty.";
    if (name == "." || name == "..") return "The profile name cannot be \".\" or \"..\".";
    for (char c : name) {
        if (IsPathSeparator(c)) return "The profile name cannot contain a path separator.";
        if (isControl(c)) return "The profile name cannot contain a control character.";
    }
    return PlatformProfileNameRefusal(name);
}

bool LoadProfileSnapshot(const std::string& path, IMessageBox& box, keys::ProfileSnapshot& out) {
    const std::filesystem::path p(path);
    std::string file = p.filename().string();
    if (file.empty()) return false;
    const std::string folder = p.parent_path().string();
    CProfileKeys keys(box, "remorra-ir", folder.empty() ? "./" : folder + "/");
    // One report for an unreadable file rather than one per key.
    {
        XMLParse probe;
        if (!probe.Load((keys.profileFolder + file).c_str())) {
            box.show("Load Config error!", "remorra-ir", MsgButtons::Ok, MsgIcon::None);
            return false;
        }
    }
    keys.LoadProfileKeys(file);
    keys.ApplyKeys();
    const std::string suffix = ".xml";
    std::string name = file;
    if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.resize(name.size() - suffix.size());
    out = keys::ProfileSnapshot{};
    out.setSelection(1, name);
    for (std::size_t i = 0; i < out.m_bindings.size(); ++i) out.m_bindings[i] = keys.m_slots[i].binding;
    return true;
}

int CProfileEditor::FindString(const std::string& text) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (startsWithNoCase(m_entries[i], text)) return static_cast<int>(i);
    return -1;
}

void CProfileEditor::FillProfileList() {
    if (FindString(kBuiltInProfile) < 0) m_entries.emplace_back(kBuiltInProfile);
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(ProfileFolder(), ec)) {
        std::error_code dirEc;
        if (e.is_directory(dirEc)) continue;
        std::string file = e.path().filename().string();
        if (endsWithNoCase(file, ".xml")) files.push_back(file);
    }
    std::sort(files.begin(), files.end(), listingOrder);
    for (const std::string& file : files) {
        // Up to the first ".xml", case-sensitive: NAME.XML gives the empty
        // name, which matches the first entry and so is never added.
        auto at = file.find(".xml");
        std::string name = at == std::string::npos ? std::string() : file.substr(0, at);
        // The name goes into config.ini when selected, where a line break
        // would start a line of its own.
        if (std::any_of(name.begin(), name.end(), isControl)) {
            WriteLog(L"Profile \"%s\" is not listed: its name holds a control character", visible(name).c_str());
            continue;
        }
        if (FindString(name) < 0) m_entries.push_back(name);
    }
}

void CProfileEditor::RestoreProfileSelection(int index) {
    FillProfileList();
    m_selection = (index >= 0 && index < static_cast<int>(m_entries.size())) ? index : 0;
    SelectProfile();
}

void CProfileEditor::SelectProfile() {
    if (m_selection < 0 || m_selection >= static_cast<int>(m_entries.size())) return;
    const std::string text = m_entries[static_cast<std::size_t>(m_selection)];
    if (text == kBuiltInProfile) {
        keys.ClearKeyControls();
        keys.EnableKeyControls(false);
        keys.m_strProfileFile.clear();
    } else {
        keys.EnableKeyControls(true);
        m_deleteEnabled = true;
        keys.LoadProfileKeys(text + ".xml");
    }
    // The new selection goes out together with its bindings.
    ApplyKeys();
    const std::string file = ConfigFilePath();
    WriteConfigValue(file, "config", "selectplayernumber", std::to_string(m_selection));
    WriteConfigValue(file, "Config", "Selectplayer", text);
}

void CProfileEditor::ApplyKeys() {
    keys.ApplyKeys();
    publish();
}

void CProfileEditor::SetPublisher(IProfilePublisher* publisher) {
    m_publisher = publisher;
    publish();
}

keys::KeyBindings CProfileEditor::AppliedBindings() const {
    keys::KeyBindings b{};
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = keys.m_slots[i].binding;
    return b;
}

std::string CProfileEditor::SelectedText() const {
    if (m_selection < 0 || m_selection >= static_cast<int>(m_entries.size())) return {};
    return m_entries[static_cast<std::size_t>(m_selection)];
}

void CProfileEditor::publish() {
    if (m_publisher) m_publisher->Publish(m_selection, SelectedText(), AppliedBindings());
}

os::FileResult CProfileEditor::SaveProfile() {
    ApplyKeys();
    return keys.SaveProfileKeys();
}

std::string CProfileEditor::TemplatePath() const {
    if (!templateOverride.empty()) return templateOverride;
    std::string beside = os::programFolder() + "/Original.xml";
    if (os::fileExists(beside)) return beside;
    return os::installedDataFolder() + "/Original.xml";
}

bool CProfileEditor::NewProfile(const std::optional<std::string>& enteredName) {
    if (!enteredName) return false;
    if (std::string why = CheckProfileName(*enteredName); !why.empty()) {
        m_box.show(why, m_title, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    std::string templ;
    if (!os::readWholeFile(TemplatePath(), templ, os::kMaxProfileFileBytes)) {
        m_box.show("The profile template " + TemplatePath() + " cannot be read.", m_title,
                   MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    // No installer creates these folders on a fresh account.
    const std::string data = DataFolder();
    const std::string folder = ProfileFolder();
    if (!os::makeFolder(data) || !os::makeFolder(folder.substr(0, folder.size() - 1))) {
        m_box.show("The profile folder " + folder + " cannot be created.", m_title, MsgButtons::Ok,
                   MsgIcon::Error);
        return false;
    }
    const std::string target = folder + *enteredName + ".xml";
    if (os::fileExists(target) &&
        m_box.show("The profile \"" + *enteredName + "\" already exists. Replace it with an empty profile?",
                   "Info", MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return false;
    if (os::FileResult r = os::writeFileAtomically(target, templ); !r) {
        m_box.show(r.error, m_title, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    FillProfileList();
    return true;
}

bool CProfileEditor::DeleteProfile() {
    if (m_box.show("Are you sure to delete this profile!", "Info", MsgButtons::OkCancel,
                   MsgIcon::Question) != MsgResult::Ok)
        return false;
    bool removed = false;
    if (m_selection >= 0 && m_selection < static_cast<int>(m_entries.size())) {
        const std::string& text = m_entries[static_cast<std::size_t>(m_selection)];
        // Whatever the listing shows is a file of the folder; only a separator
        // (which no listed name holds) could reach outside it.
        if (!text.empty() && std::none_of(text.begin(), text.end(), IsPathSeparator))
            removed = std::remove((ProfileFolder() + text + ".xml").c_str()) == 0;
    }
    m_entries.clear();
    m_selection = -1;
    FillProfileList();
    publish();
    return removed;
}

} // namespace remorra
