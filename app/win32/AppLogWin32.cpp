#include "app/AppLog.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace remorra::app {

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
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

} // namespace remorra::app
