// Profile files of any content through XMLParse and the 25-key load/save. A
// file that does not load is left as it was; one that loads is saved with new
// bindings into a file that loads again, gives back every binding it has the
// elements for, and saves the same bytes a second time. First four bytes:
// the seed of the bindings; the rest is the file.
#include "FuzzInput.h"
#include "app/Config.h"
#include "keys/ProfileKeys.h"
#include "keys/XMLParse.h"
#include "platform/os/Files.h"
#include "platform/os/MessageBox.h"

#include <cstdlib>

using namespace remorra;
using remorra::fuzz::fail;
using remorra::fuzz::FuzzInput;

namespace {

const std::string& profileFolder()
{
    static const std::string folder = [] {
        const std::string& dir = fuzz::scratchFolder();
        setenv("REMORRA_DOCUMENTS", dir.c_str(), 1);
        os::makeFolder(DataFolder());
        os::makeFolder(ProfileFolder());
        return ProfileFolder();
    }();
    return folder;
}

KeyBinding nextBinding(std::uint32_t& s)
{
    s = s * 1664525u + 1013904223u;
    KeyBinding b = KeyBinding::FromHotKey(s >> 24, (s >> 16) & 0x0F);
    if (s & 1)
        b.m_dwVirtualKey = s * 2654435761u; // any 32-bit value a file may hold
    return b;
}

// What a reload gives for a binding written into this document.
KeyBinding expectedBack(const XMLParse& xml, const char* keyName, const KeyBinding& set)
{
    XMLParse::Node root = xml.SelectNode({}, "RemoteSetting");
    XMLParse::Node key = root ? xml.SelectNode(root, keyName) : XMLParse::Node{};
    auto has = [&](const char* child) { return key && xml.SelectNode(key, child); };
    KeyBinding b;
    b.m_bShift = has("Shift") ? set.m_bShift : 0;
    b.m_bCtrl = has("Ctrl") ? set.m_bCtrl : 0;
    b.m_bAlt = has("Alt") ? set.m_bAlt : 0;
    b.m_dwVirtualKey = has("VirtualKey") ? set.m_dwVirtualKey : 0;
    b.m_dwModifiers = has("Modifiers") ? set.m_dwModifiers : 0;
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    std::uint32_t seed = in.u32();
    const std::string_view file = in.rest();
    const std::string path = profileFolder() + "p.xml";
    if (!os::writeFileAtomically(path, file))
        fail("cannot write the input file");

    RecordingMessageBox box;
    CProfileKeys keys(box, "Remorra", profileFolder());
    keys.LoadProfileKeys("p.xml");
    XMLParse original;
    const bool loads = original.Load(path.c_str());
    for (auto& slot : keys.m_slots)
        slot.binding = nextBinding(seed);
    const os::FileResult saved = keys.SaveProfileKeys();
    std::string after;
    os::readWholeFile(path, after);
    if (!loads) {
        if (saved || after != file)
            fail("a profile that does not load was changed");
        return 0;
    }
    if (!saved)
        fail("saving a loaded profile failed");
    XMLParse reloaded;
    if (!reloaded.Load(path.c_str()))
        fail("a saved profile does not load");
    CProfileKeys back(box, "Remorra", profileFolder());
    back.LoadProfileKeys("p.xml");
    for (const ProfileKeyInfo& k : kProfileKeys)
        if (!(back.m_slots[k.slot].binding == expectedBack(reloaded, k.element, keys.m_slots[k.slot].binding)))
            fail("a binding did not come back from its profile");
    if (!keys.SaveProfileKeys())
        fail("saving a saved profile failed");
    std::string twice;
    os::readWholeFile(path, twice);
    if (twice != after)
        fail("saving the same bindings again changed the file");
    return 0;
}
