#pragma once
// config.ini with the private-profile semantics the program relies on:
// section and key names compare without regard to case, a write changes one
// key in place and keeps every other line, values are seen through a 260-byte
// buffer. Values are never cached; each call goes to the file.
#include <filesystem>
#include <string>
#include <vector>

namespace remorra {

inline constexpr std::size_t kConfigValueBuffer = 260;

// "<documents>/Remorra"; not created.
std::string DataFolder();
// "<documents>/Remorra/Profile/" (with the trailing separator).
std::string ProfileFolder();
// Creates the data folder (not its parents) when missing and returns
// "<documents>/Remorra/config.ini".
std::string ConfigFilePath();

// Removes what saves killed before `startedAt` (this process's start) left in
// the data and profile folders: temporary files of our naming only. Each is
// logged; returns their paths.
std::vector<std::string> RemoveStaleSaves(std::filesystem::file_time_type startedAt);

// Empty when the file, section or key is missing; at most 259 characters.
std::string ReadConfigValue(const std::string& file, const std::string& section,
                            const std::string& key);
// 0 on success, else an errno value (EINVAL, writing nothing, when a part
// holds a line break). The file is replaced whole (temp + rename); writers of
// the same file take turns (os::UpdateLock), so every write lands.
int WriteConfigValue(const std::string& file, const std::string& section,
                     const std::string& key, const std::string& value);

// Leading decimal as the private-profile integer reads do (no number -> 0).
int ParseLeadingInt(const std::string& text);
int ReadConfigInt(const std::string& file, const std::string& section, const std::string& key);

} // namespace remorra
