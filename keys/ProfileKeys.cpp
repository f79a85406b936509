#include "keys/ProfileKeys.h"

#include "keys/XMLParse.h"

namespace remorra {

namespace {
void readBinding(const XMLParse& xml, XMLParse::Node key, KeyBinding& b) {
    // Without a key element every field is 0: a none parent would make
    // SelectNode search the document, so a root named like a field would
    // bind every key to it.
    if (!key) {
        b = KeyBinding{};
        return;
    }
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
    return profileFolder + m_strProfileFile;
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
