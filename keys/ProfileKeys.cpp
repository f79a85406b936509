#include "keys/ProfileKeys.h"

#include "app/Config.h"
#include "keys/XMLParse.h"

namespace remorra {

// Slot indices follow the main window's declaration order.
const std::array<ProfileKeyInfo, kKeySlotCount> kProfileKeys = {{
    {"Power", "Power/Off:", 1001, 0},   {"Mode", "Mode:", 1006, 2},
    {"Mute", "Mute:", 1004, 1},         {"Menu", "Menu:", 1013, 3},
    {"CHLUp", "CHL+:", 1007, 4},        {"CHLDown", "CHL -:", 1008, 5},
    {"VOLUp", "VOL+:", 1014, 6},        {"VOLDown", "VOL -:", 1015, 7},
    {"Zoom", "Zoom:", 1009, 8},         {"Fav", "Fav:", 1016, 9},
    {"EPG", "EPG:", 1010, 10},          {"Pause", "Pause:", 1017, 11},
    {"Record", "Record:", 1011, 12},    {"Recall", "Back/Recall:", 1018, 13},
    {"SUB", "SUB:", 1012, 14},          {"SNAP", "SNAP:", 1019, 15},
    {"Exit", "Exit:", 1005, 16},        {"Clear", "Clear:", 1024, 17},
    {"Play", "Play:", 1025, 18},        {"Stop", "Stop:", 1026, 19},
    {"Replay", "Replay:", 1029, 20},    {"REW", "REW:", 1027, 21},
    {"FWD", "FWD:", 1028, 22},          {"Skip", "Skip:", 1030, 23},
    {"RecordedTV", "Recorded TV:", 1023, 24},
}};

namespace {
void readBinding(const XMLParse& xml, XMLParse::Node key, KeyBinding& b) {
    b.m_bShift = xml.GetNodeBool(xml.SelectNode(key, "Shift")) ? 1 : 0;
    b.m_bCtrl = xml.GetNodeBool(xml.SelectNode(key, "Ctrl")) ? 1 : 0;
    b.m_bAlt = xml.GetNodeBool(xml.SelectNode(key, "Alt")) ? 1 : 0;
    b.m_dwVirtualKey = static_cast<std::uint32_t>(xml.GetNodeInt(xml.SelectNode(key, "VirtualKey")));
    b.m_dwModifiers = static_cast<std::uint32_t>(xml.GetNodeInt(xml.SelectNode(key, "Modifiers")));
}

void writeBinding(XMLParse& xml, XMLParse::Node key, const KeyBinding& b) {
    // A missing key element gives none for every child, which SetNodeInt skips.
    xml.SetNodeInt(key ? xml.SelectNode(key, "Shift") : XMLParse::Node{}, b.m_bShift);
    xml.SetNodeInt(key ? xml.SelectNode(key, "Ctrl") : XMLParse::Node{}, b.m_bCtrl);
    xml.SetNodeInt(key ? xml.SelectNode(key, "Alt") : XMLParse::Node{}, b.m_bAlt);
    xml.SetNodeInt(key ? xml.SelectNode(key, "VirtualKey") : XMLParse::Node{},
                   static_cast<std::int32_t>(b.m_dwVirtualKey));
    xml.SetNodeInt(key ? xml.SelectNode(key, "Modifiers") : XMLParse::Node{},
                   static_cast<std::int32_t>(b.m_dwModifiers));
}

XMLParse::Node keyElement(const XMLParse& xml, const char* name) {
    XMLParse::Node root = xml.SelectNode({}, "RemoteSetting");
    return root ? xml.SelectNode(root, name) : XMLParse::Node{};
}
} // namespace

std::string CProfileKeys::profilePath() const {
    return (profileFolderOverride.empty() ? ProfileFolder() : profileFolderOverride) + m_strProfileFile;
}

void CProfileKeys::reportLoadError() {
    m_box.show("Load Config error!", m_title, MsgButtons::Ok, MsgIcon::None);
}

void CProfileKeys::LoadKeyBinding(const char* keyName, KeyBinding& binding) {
    XMLParse xml;
    if (!xml.Load(profilePath().c_str())) {
        reportLoadError();
        return;
    }
    KeyBinding b;
    readBinding(xml, keyElement(xml, keyName), b);
    binding = b;
}

void CProfileKeys::SaveKeyBinding(const char* keyName, KeyBinding binding) {
    if (m_strProfileFile.empty()) return;
    XMLParse xml;
    const std::string path = profilePath();
    if (!xml.Load(path.c_str())) {
        reportLoadError();
        return;
    }
    writeBinding(xml, keyElement(xml, keyName), binding);
    xml.Save(path);
}

void CProfileKeys::LoadProfileKeys(const std::string& fileName) {
    m_strProfileFile = fileName;
    for (const ProfileKeyInfo& k : kProfileKeys) {
        EditorSlot& s = m_slots[k.slot];
        LoadKeyBinding(k.element, s.binding);
        s.field.virtualKey = s.binding.m_dwVirtualKey & 0xFF;
        s.field.modifiers = s.binding.m_dwModifiers & 0xFF;
    }
}

os::FileResult CProfileKeys::SaveProfileKeys() {
    if (m_strProfileFile.empty()) return {};
    XMLParse xml;
    const std::string path = profilePath();
    if (!xml.Load(path.c_str())) {
        reportLoadError();
        return {"cannot load '" + path + "'"};
    }
    for (const ProfileKeyInfo& k : kProfileKeys)
        writeBinding(xml, keyElement(xml, k.element), m_slots[k.slot].binding);
    os::FileResult r = xml.SaveWithError(path);
    // The old file is still whole, but the user must know the keys are not in it.
    if (!r) m_box.show("The profile could not be saved: " + r.error, m_title, MsgButtons::Ok, MsgIcon::Error);
    return r;
}

void CProfileKeys::ApplyKeys() {
    for (EditorSlot& s : m_slots) s.binding = KeyBinding::FromHotKey(s.field.virtualKey, s.field.modifiers);
}

void CProfileKeys::ClearKeyControls() {
    for (EditorSlot& s : m_slots) s.field.virtualKey = s.field.modifiers = 0;
}

void CProfileKeys::EnableKeyControls(bool enable) {
    for (EditorSlot& s : m_slots) s.field.enabled = enable;
}

} // namespace remorra
