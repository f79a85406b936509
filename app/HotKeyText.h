#pragma once
// The words a hot-key field shows for its key and modifier bits, in the
// order and spelling of the system's hot-key control: "Ctrl + Shift + A",
// "Alt + " while only a modifier is held, "None" when empty.
#include <cstdint>
#include <string>

namespace remorra {

std::string HotKeyText(std::uint32_t virtualKey, std::uint32_t modifiers);

} // namespace remorra
