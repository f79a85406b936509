// config.ini of any content with any section, key and value. Input: section,
// key and value, each ended by a NUL byte, then the file. A write with a line
// break anywhere is refused and leaves the file as it was; any other succeeds
// and keeps every line it does not own, and a name that a config line can hold
// reads back what was written, cut to the value buffer.
#include "FuzzInput.h"
#include "app/Config.h"
#include "platform/os/Files.h"

#include <cstdlib>

using namespace remorra;
using remorra::fuzz::fail;
using remorra::fuzz::FuzzInput;

namespace {

const std::string& configPath()
{
    static const std::string path = [] {
        const std::string& dir = fuzz::scratchFolder();
        return dir + "/config.ini";
    }();
    return path;
}

bool trimmed(std::string_view s)
{
    auto edge = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    return s.empty() || (!edge(s.front()) && !edge(s.back()));
}

bool has(std::string_view s, std::string_view chars) { return s.find_first_of(chars) != std::string_view::npos; }

std::size_t countLines(std::string_view s)
{
    std::size_t n = 0;
    for (char c : s)
        n += c == '\n';
    return n + (!s.empty() && s.back() != '\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::string section(in.until('\0'));
    const std::string key(in.until('\0'));
    const std::string value(in.until('\0'));
    const std::string_view file = in.rest();
    const std::string& path = configPath();
    if (!os::writeFileAtomically(path, file))
        fail("cannot write the input file");

    ReadConfigValue(path, section, key);
    ParseLeadingInt(std::string(file.substr(0, 64)));
    // A line break would start a line of its own: refused, the file untouched.
    const bool breaks = has(section, "\r\n") || has(key, "\r\n") || has(value, "\r\n");
    const int written = WriteConfigValue(path, section, key, value);
    std::string after;
    os::readWholeFile(path, after);
    if (breaks) {
        if (written == 0 || after != file)
            fail("a value with a line break was written or changed the file");
        return 0;
    }
    if (written != 0)
        fail("writing a value failed");
    // One line changed in place, or one or two added; none lost.
    if ((countLines(after) < countLines(file) || countLines(after) > countLines(file) + 2))
        fail("a write lost or multiplied lines");

    const bool plainSection = trimmed(section) && !has(section, "]");
    const bool plainKey = !key.empty() && trimmed(key) && !has(key, "=") && key.front() != ';' &&
                          key.front() != '[';
    std::string_view v(value);
    const bool quoted = v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\''));
    const bool plainValue = trimmed(value) && !quoted;
    if (plainSection && plainKey && plainValue &&
        ReadConfigValue(path, section, key) != value.substr(0, kConfigValueBuffer - 1))
        fail("a written value did not read back");
    return 0;
}
