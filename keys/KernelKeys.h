#pragma once
// The kernel's key names (KEY_*) as this program sends them: a name that
// means one of the card remote's buttons continues as that button's NEC
// command byte (so the Media Center table and the profiles apply), another
// name with a key on the keyboard is sent as that key. One table, here.
#include <cstdint>
#include <string_view>

namespace remorra::keys {

struct KernelKey {
    const char* name;
    std::uint8_t cardCommand; // the card remote's command byte, 0 = none
    std::uint8_t virtualKey;  // when no card button: the key sent, 0 = none
};

// Null for names the table does not hold (they send nothing).
const KernelKey* FindKernelKey(std::string_view name);
// A kernel key's name in form: "KEY_" and more, whether or not the table holds it.
bool IsKeyName(std::string_view name);

// The card remote's buttons as kernel key names, one per command byte, in the
// order the learning session lists them.
struct CardButtonName {
    const char* keyName;
    const char* label;
};
const CardButtonName* CardButtonNames(std::size_t& count);

} // namespace remorra::keys
