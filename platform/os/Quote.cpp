#include "platform/os/Quote.h"

namespace remorra::os {
namespace {

std::string excerpt(std::string_view text, std::size_t maxBytes, bool quoted) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::string_view shown = text.substr(0, maxBytes);
    std::string out = quoted ? "'" : "";
    for (const char ch : shown) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') out += "\\\\";
        else if (c == '\'' && quoted) out += "\\'";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c >= 0x20 && c < 0x7f) out += ch;
        else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        }
    }
    if (quoted) out += '\'';
    if (shown.size() < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

} // namespace

std::string escapeExcerpt(std::string_view text, std::size_t maxBytes) { return excerpt(text, maxBytes, false); }
std::string quoteExcerpt(std::string_view text, std::size_t maxBytes) { return excerpt(text, maxBytes, true); }

} // namespace remorra::os
