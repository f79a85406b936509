#include "platform/os/AppLog.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace remorra::os {

bool LocalDateTime(std::tm& out) {
    const std::time_t t = std::time(nullptr);
    return localtime_s(&out, &t) == 0;
}

std::uint32_t TickCountMs() { return GetTickCount(); }

std::string ApplicationLogPath() {
    if (const char* forced = std::getenv("REMORRA_LOG"); forced && *forced) return forced;
    return "c:\\Remorra.log";
}

namespace {

HANDLE OpenForAppend(const std::string& path) {
    // FILE_APPEND_DATA alone makes every write land whole at the end, even
    // while the other thread appends.
    return CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Creates every folder of `path` above the file.
void MakeParentFolders(const std::string& path) {
    for (std::size_t pos = path.find_first_of("/\\", 1); pos != std::string::npos;
         pos = path.find_first_of("/\\", pos + 1))
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
}

} // namespace

bool AppendToLog(const std::string& path, const char* bytes, std::size_t size) {
    if (path.empty()) return false;
    // As a text-mode file: every line feed is written as CR LF.
    char text[2 * 4 * kMaxLogLineChars];
    if (size > sizeof text / 2) return false;
    std::size_t n = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\n') text[n++] = '\r';
        text[n++] = bytes[i];
    }
    // Both threads append; an append is not whole under every file system
    // (Wine's included), so the process's lines take turns.
    static std::mutex appending;
    std::lock_guard lock(appending);
    HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
        MakeParentFolders(path);
        file = OpenForAppend(path);
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    // A pipe's reader could hold the write for ever; NUL (a character device) is fine.
    if (GetFileType(file) == FILE_TYPE_PIPE) {
        CloseHandle(file);
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
    return ok && written == n;
}

} // namespace remorra::os
