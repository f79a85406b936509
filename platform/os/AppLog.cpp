#include "platform/os/AppLog.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <ctime>

namespace remorra::os {
// Platform parts (<platform>/AppLog*.cpp): wall clock, tick count, the
// one-shot append.
bool LocalDateTime(std::tm& out);
std::uint32_t TickCountMs();
bool AppendToLog(const std::string& path, const char* bytes, std::size_t size);

namespace {

// UTF-8 of a wide line; invalid code points become U+FFFD.
std::size_t EncodeUtf8(const wchar_t* text, std::size_t length, char* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < length; ++i) {
        auto c = static_cast<std::uint32_t>(text[i]);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            out[n++] = static_cast<char>(c);
        } else if (c < 0x800) {
            out[n++] = static_cast<char>(0xC0 | (c >> 6));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[n++] = static_cast<char>(0xE0 | (c >> 12));
            out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out[n++] = static_cast<char>(0xF0 | (c >> 18));
            out[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return n;
}

} // namespace
} // namespace remorra::os

void WriteLog(const wchar_t* format, ...) {
    using namespace remorra::os;
    if (!format) return;

    std::tm now{};
    if (!LocalDateTime(now)) now = std::tm{};
    // The caller's text becomes part of the format, after a prefix that
    // holds no conversions of its own. "%8.0d" prints nothing for tick 0,
    // which is how the line has always looked at that instant.
    wchar_t prefix[64];
    const int prefixLen = std::swprintf(prefix, 64, L"[%02d/%02d/%02d %02d:%02d:%02d : %8.0d] ",
                                        now.tm_mon + 1, now.tm_mday, now.tm_year % 100, now.tm_hour,
                                        now.tm_min, now.tm_sec, static_cast<int>(TickCountMs()));
    if (prefixLen < 0) return;

    // Room for far more than a line, so that a long caller text is cut at
    // the limit instead of failing as a whole.
    constexpr std::size_t kRoom = 1024;
    wchar_t header[kRoom];
    std::size_t h = static_cast<std::size_t>(prefixLen);
    std::wmemcpy(header, prefix, h);
    for (const wchar_t* f = format; *f && h < kRoom - 2; ++f) header[h++] = *f;
    header[h++] = L'\n';
    header[h] = L'\0';

    wchar_t line[kRoom];
    va_list args;
    va_start(args, format);
    int len = std::vswprintf(line, kRoom, header, args);
    va_end(args);
    if (len < 0) {
        // Too long for the room, a broken conversion or a text the locale
        // cannot widen: keep the line with the caller's text unformatted.
        std::wmemcpy(line, header, h + 1);
        len = static_cast<int>(h);
    }
    if (len > kMaxLogLineChars) {
        line[kMaxLogLineChars - 1] = L'\n';
        len = kMaxLogLineChars;
    }

    char bytes[kMaxLogLineChars * 4];
    const std::size_t n = EncodeUtf8(line, static_cast<std::size_t>(len), bytes);
    AppendToLog(ApplicationLogPath(), bytes, n);
}
