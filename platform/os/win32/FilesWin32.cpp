#include "platform/os/Files.h"
#include "platform/os/FilesPlatform.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>

namespace remorra::os {

namespace {

std::string lastErrorText(const char* what, const std::string& path, DWORD code = GetLastError()) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return std::string(what) + " '" + path + "': " + reason;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

DWORD attributesOf(const std::string& path) { return GetFileAttributesA(path.c_str()); }

} // namespace

// GetTempFileName's names: the prefix, one to four hex digits, ".tmp".
bool isOwnTempFileName(std::string_view name) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    auto startsWith = [&](std::string_view text, std::string_view head) {
        if (text.size() < head.size()) return false;
        for (std::size_t i = 0; i < head.size(); ++i)
            if (lower(text[i]) != head[i]) return false;
        return true;
    };
    if (name.size() < 8 || name.size() > 11 || !startsWith(name, "rmr") ||
        !startsWith(name.substr(name.size() - 4), ".tmp"))
        return false;
    for (char c : name.substr(3, name.size() - 7))
        if (!((c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'f'))) return false;
    return true;
}

FileResult writeFileAtomically(const std::string& path, std::string_view bytes) {
    // GetTempFileName creates the (empty) temp file in the target's folder, so
    // that the final move is a rename on one volume.
    char tmp[MAX_PATH];
    if (GetTempFileNameA(parentOf(path).c_str(), "rmr", 0, tmp) == 0)
        return {lastErrorText("cannot create a temporary file beside", path)};
    const std::string tmpPath = tmp;
    HANDLE file = CreateFileA(tmp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        FileResult r{lastErrorText("cannot open", tmpPath)};
        DeleteFileA(tmp);
        return r;
    }
    auto fail = [&](std::string msg) {
        CloseHandle(file);
        DeleteFileA(tmp);
        return FileResult{std::move(msg)};
    };
    const SimulatedWrite simulated = simulatedWrite(bytes.size());
    const std::size_t limit = simulated.limit;
    std::size_t done = 0;
    while (done < limit) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(limit - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return fail(lastErrorText("cannot write", tmpPath));
        done += written;
    }
    if (simulated.fails)
        return fail("cannot write '" + path + "': simulated write failure");
    if (!FlushFileBuffers(file)) return fail(lastErrorText("cannot flush", tmpPath));
    if (!CloseHandle(file)) {
        FileResult r{lastErrorText("cannot close", tmpPath)};
        DeleteFileA(tmp);
        return r;
    }
    if (!MoveFileExA(tmp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        FileResult r{lastErrorText("cannot replace", path)};
        DeleteFileA(tmp);
        return r;
    }
    countReplacement();
    return {};
}

ReadResult InputFile::open(const std::string& path) {
    close();
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        return {missing ? ReadStatus::Missing : ReadStatus::Failed, lastErrorText("cannot open", path, code)};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {ReadStatus::NotRegular, "'" + path + "': not a regular file"};
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {ReadStatus::Failed, lastErrorText("cannot open", path)};
    // Pipes, consoles and devices can block a read or never end.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return {ReadStatus::NotRegular, "'" + path + "': not a regular file"};
    }
    m_handle = reinterpret_cast<std::intptr_t>(h);
    return {};
}

long long InputFile::read(char* buffer, std::size_t size) {
    if (m_handle == -1) return -1;
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(reinterpret_cast<HANDLE>(m_handle), buffer, want, &got, nullptr)) return -1;
    return got;
}

void InputFile::close() {
    if (m_handle != -1) CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
}

bool fileExists(const std::string& path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool makeFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && isDirectory(path);
}

std::string programFolder() {
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return parentOf(std::string(buf, n));
}

// REMORRA_DOCUMENTS when set (tests), else the shell's "My Documents".
std::string documentsFolder() {
    if (const char* over = std::getenv("REMORRA_DOCUMENTS"); over && *over) return over;
    char buf[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, buf, CSIDL_PERSONAL, FALSE)) return {};
    return buf;
}

} // namespace remorra::os
