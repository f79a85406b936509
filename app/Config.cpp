#include "app/Config.h"

#include "platform/os/AppLog.h"
#include "platform/os/Files.h"
#include "platform/os/UpdateLock.h"

#include <cerrno>
#include <climits>
#include <string_view>
#include <vector>

namespace remorra {

namespace {
std::string_view trim(std::string_view s) {
    auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lo = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lo(a[i]) != lo(b[i])) return false;
    }
    return true;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// Section header name, or false for other lines.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    auto close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(line.substr(1, close - 1));
    return true;
}

bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    auto t = trim(line);
    if (t.empty() || t.front() == ';') return false;
    auto eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}
} // namespace

std::string DataFolder() { return os::documentsFolder() + "/Remorra"; }
std::string ProfileFolder() { return DataFolder() + "/Profile/"; }

std::string ConfigFilePath() {
    std::string folder = DataFolder();
    if (!os::fileExists(folder)) os::makeFolder(folder);
    return folder + "/config.ini";
}

std::vector<std::string> RemoveStaleSaves(std::filesystem::file_time_type startedAt) {
    std::vector<std::string> removed = os::removeStaleTempFiles(DataFolder(), startedAt);
    for (std::string& path : os::removeStaleTempFiles(ProfileFolder(), startedAt)) removed.push_back(std::move(path));
    for (const std::string& path : removed) WriteLog(L"Removed the temporary file of an interrupted save: %s", path.c_str());
    return removed;
}

std::string ReadConfigValue(const std::string& file, const std::string& section,
                            const std::string& key) {
    std::string text;
    if (os::ReadResult r = os::readFile(file, text, os::kMaxConfigFileBytes); !r) {
        if (r.status != os::ReadStatus::Missing)
            WriteLog(L"config.ini not read, its settings are not used: %s", r.error.c_str());
        return {};
    }
    bool inSection = false;
    for (const std::string& line : splitLines(text)) {
        std::string_view name, k, v;
        if (sectionName(line, name)) {
            inSection = equalNoCase(name, section);
            continue;
        }
        if (inSection && keyLine(line, k, v) && equalNoCase(k, key)) {
            if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') ||
                                  (v.front() == '\'' && v.back() == '\'')))
                v = v.substr(1, v.size() - 2);
            return std::string(v.substr(0, kConfigValueBuffer - 1));
        }
    }
    return {};
}

int WriteConfigValue(const std::string& file, const std::string& section,
                     const std::string& key, const std::string& value) {
    // A line break would end the entry there and start a line of its own.
    for (const std::string* part : {&section, &key, &value})
        if (part->find_first_of("\r\n") != std::string::npos) return EINVAL;
    // Another writer (a thread, another process) must not read the file
    // between this read and this save, or one of the two changes is lost.
    const os::UpdateLock serialised(file);
    std::string text;
    const bool existed = os::readWholeFile(file, text, os::kMaxConfigFileBytes);
    if (!existed && os::fileExists(file)) return EACCES;
    const bool crlf = text.find("\r\n") != std::string::npos;
    std::vector<std::string> lines = splitLines(text);
    // The unterminated last line of a CRLF file gets its CR now that a line
    // end follows it; the file keeps one kind of line end.
    if (crlf && !text.empty() && text.back() != '\n' && !lines.empty() &&
        (lines.back().empty() || lines.back().back() != '\r'))
        lines.back() += '\r';
    const std::string entry = key + "=" + value + (crlf ? "\r" : "");

    // Locate the first matching section, its key and its last non-blank line.
    std::size_t header = lines.size(), lastContent = lines.size(), keyAt = lines.size();
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, k, v;
        if (sectionName(lines[i], name)) {
            if (inSection) break;
            if (equalNoCase(name, section) && header == lines.size()) {
                inSection = true;
                header = lastContent = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!trim(lines[i]).empty()) lastContent = i;
        if (keyLine(lines[i], k, v) && equalNoCase(k, key)) {
            keyAt = i;
            break;
        }
    }
    if (keyAt != lines.size()) {
        lines[keyAt] = entry;
    } else if (header != lines.size()) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent) + 1, entry);
    } else {
        lines.push_back("[" + section + "]" + (crlf ? "\r" : ""));
        lines.push_back(entry);
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    os::FileResult r = os::writeFileAtomically(file, out);
    return r ? 0 : (errno ? errno : EIO);
}

int ParseLeadingInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

int ReadConfigInt(const std::string& file, const std::string& section, const std::string& key) {
    return ParseLeadingInt(ReadConfigValue(file, section, key));
}

} // namespace remorra
