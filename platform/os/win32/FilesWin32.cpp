#include "platform/os/Files.h"
#include "platform/os/FilesPlatform.h"

#include <windows.h>
#include <shlobj.h>

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
    const long long failAfter = atomicWriteFailAfter();
    const std::size_t limit = atomicWriteLimit(bytes.size());
    std::size_t done = 0;
    while (done < limit) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(limit - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return fail(lastErrorText("cannot write", tmpPath));
        done += written;
    }
    if (failAfter >= 0)
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
    return {};
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
