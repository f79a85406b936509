#pragma once
// Key code text → key strokes: the built-in Media Center table and the
// profile dispatcher, built only on the keyboard output interface.
#include "keys/KeyBinding.h"
#include "keys/KeyOutput.h"
#include "keys/ProfileView.h"

// Title of the Media Center window, and of the user profile whose Power key
// toggles it.
inline constexpr const char* kMediaCenterTitle = "Windows Media Center";

// The Media Center shortcut for a key code text ("0x84", ...); other texts
// send nothing.
void DispatchMediaCenterKey(const char* keyCode, remorra::keys::IKeyOutput& out);

// The fixed keys (digits, arrows, OK, star, hash) or the binding of the key's
// profile slot, as `dlg` shows them at the call; "0x84" toggles Media Center
// instead when the selected profile is named "Windows Media Center".
void DispatchProfileKey(const char* keyCode, const remorra::keys::ProfileSnapshot& dlg,
                        remorra::keys::IKeyOutput& out);

// Modifiers down in the order Ctrl, Alt, Shift (10 ms after each), the key
// tapped with 10 ms, then the modifiers up in the same order (10 ms after
// each). Code 0 sends nothing; only the code's low 8 bits are sent.
void SendKeyBinding(KeyBinding binding, remorra::keys::IKeyOutput& out);

// Closes Media Center with Alt+F4 when its window exists, otherwise starts
// it with Windows+Alt+Enter.
void ToggleMediaCenter(remorra::keys::IKeyOutput& out);
