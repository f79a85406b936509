#pragma once
// The 25 key slots of the main window and their profile file: load and save
// of bindings through XMLParse. Reports go through the message box seam.
#include "keys/KeyBinding.h"
#include "platform/os/Files.h"
#include "platform/os/MessageBox.h"

#include <array>
#include <cstdint>
#include <string>

namespace remorra {

inline constexpr std::size_t kKeySlotCount = keys::KeySlotCount;

// A hot-key field as the editor's logic sees it; the Qt view mirrors it.
struct HotKeyField {
    std::uint32_t virtualKey = 0; // low 8 bits as the control holds them
    std::uint32_t modifiers = 0;
    bool enabled = true;
};

struct EditorSlot {
    HotKeyField field;
    KeyBinding binding;
};

struct ProfileKeyInfo {
    const char* element;   // profile key name
    const char* label;     // editor label
    int controlId;
    std::size_t slot;      // index into the slots (declaration order)
};
// In load and save order, from the shared slot tables.
inline constexpr std::array<ProfileKeyInfo, kKeySlotCount> kProfileKeys = [] {
    std::array<ProfileKeyInfo, kKeySlotCount> a{};
    for (std::size_t i = 0; i < a.size(); ++i) {
        const keys::KeySlotIndex slot = keys::kProfileKeyOrder[i];
        const keys::KeySlotInfo& info = keys::kKeySlots[slot];
        a[i] = {info.profileKey, info.label, info.controlId, slot};
    }
    return a;
}();

class CProfileKeys {
public:
    // `folder`: where the profile files are, with its trailing separator.
    CProfileKeys(IMessageBox& box, std::string title, std::string folder)
        : profileFolder(std::move(folder)), m_box(box), m_title(std::move(title)) {}

    void LoadKeyBinding(const char* keyName, KeyBinding& binding);
    void SaveKeyBinding(const char* keyName, KeyBinding binding);
    void LoadProfileKeys(const std::string& fileName);
    // One load, all 25 keys set, one whole-file replace. Nothing is written
    // when no profile is current; the error text is empty on success. A
    // failed load or write is reported in a message box.
    os::FileResult SaveProfileKeys();

    // Fields -> bindings, flags derived from the modifier bits.
    void ApplyKeys();
    void ClearKeyControls();
    void EnableKeyControls(bool enable);

    // Slot order (declaration order of the window). Not named `slots`: Qt
    // defines that word away in every file that includes it.
    std::array<EditorSlot, kKeySlotCount> m_slots{};
    std::string m_strProfileFile; // e.g. "Movie.xml", empty = none current
    std::string profileFolder;

private:
    std::string profilePath() const;
    void reportLoadError();

    IMessageBox& m_box;
    std::string m_title;
};

} // namespace remorra
