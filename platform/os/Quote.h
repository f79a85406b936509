#pragma once
// Input shown in an error text: short and harmless on a terminal, however
// long the input is or whatever bytes it holds.
#include <cstddef>
#include <string>
#include <string_view>

namespace remorra::os {

inline constexpr std::size_t kExcerptBytes = 40;

// At most `maxBytes` bytes of `text` with a backslash and every byte outside
// printable ASCII escaped (\\, \n, \t, \r, \xNN); a longer text is cut and
// followed by "... (N bytes)".
std::string escapeExcerpt(std::string_view text, std::size_t maxBytes = kExcerptBytes);
// The same in single quotes (a quote inside escaped as \').
std::string quoteExcerpt(std::string_view text, std::size_t maxBytes = kExcerptBytes);

} // namespace remorra::os
