#pragma once
// The profile editor's decisions without its view: the combo box is a list
// of strings with a selected position, the hot-key fields live in the slots
// of CProfileKeys. A Qt view mirrors this state and forwards its commands.
#include "app/Config.h"
#include "keys/ProfileKeys.h"
#include "keys/ProfileView.h"
#include "platform/os/MessageBox.h"

#include <optional>
#include <string>
#include <vector>

namespace remorra {

inline constexpr const char* kBuiltInProfile = "MCE(Quorbel Default Setting)";

// What the key handler reads from the editor: the selected position (-1 for
// none), that entry's text and the applied bindings in slot order. The editor
// publishes after each change, always on the window thread.
class IProfilePublisher {
public:
    virtual ~IProfilePublisher() = default;
    virtual void Publish(int selection, const std::string& text, const keys::KeyBindings& bindings) = 0;
};

// Why a new profile name is refused; empty when it is acceptable.
std::string CheckProfileName(const std::string& name);

// Publishes into the key report handler's view: selection, text and
// bindings go out as one snapshot, so the handler never pairs a selection
// with another profile's keys.
class ProfileViewPublisher : public IProfilePublisher {
public:
    explicit ProfileViewPublisher(keys::ProfileViewCell& view) : m_view(view) {}
    void Publish(int selection, const std::string& text, const keys::KeyBindings& bindings) override {
        keys::ProfileSnapshot s;
        s.setSelection(selection, text);
        s.m_bindings = bindings;
        m_view.store(s);
    }

private:
    keys::ProfileViewCell& m_view;
};

// The view the key handler would see with the profile file `path` selected
// as a user profile: its name is the file name without ".xml", its bindings
// are loaded and applied as the editor does. False when the file cannot be
// loaded (reported through `box`).
bool LoadProfileSnapshot(const std::string& path, IMessageBox& box, keys::ProfileSnapshot& out);

class CProfileEditor {
public:
    CProfileEditor(IMessageBox& box, std::string title)
        : keys(box, title, ProfileFolder()), m_box(box), m_title(std::move(title)) {}

    void FillProfileList();
    // Out-of-range positions (profiles deleted outside the program) fall back
    // to the built-in entry.
    void RestoreProfileSelection(int index);
    void SelectProfile();
    void SelectProfileAt(int index) { m_selection = index; SelectProfile(); }
    void ApplyKeys();
    os::FileResult SaveProfile();
    // `enteredName`: the name dialog's text, nullopt when it was cancelled.
    // Returns true when a profile file was created or replaced.
    bool NewProfile(const std::optional<std::string>& enteredName);
    bool DeleteProfile();

    // First entry beginning with `text`, ignoring case (the combo box's
    // find-string rule); -1 when none.
    int FindString(const std::string& text) const;

    const std::vector<std::string>& entries() const { return m_entries; }
    int selection() const { return m_selection; } // -1 = none
    bool deleteEnabled() const { return m_deleteEnabled; }

    // Template beside the program, else in the installed data folder; tests
    // may point elsewhere.
    std::string TemplatePath() const;
    std::string templateOverride;

    // Receives every change of the selection or the bindings; may be null.
    void SetPublisher(IProfilePublisher* publisher);
    keys::KeyBindings AppliedBindings() const;
    std::string SelectedText() const; // empty when nothing is selected

    CProfileKeys keys;

private:
    void publish();

    IMessageBox& m_box;
    IProfilePublisher* m_publisher = nullptr;
    std::string m_title;
    std::vector<std::string> m_entries;
    int m_selection = -1;
    bool m_deleteEnabled = true;
};

} // namespace remorra
