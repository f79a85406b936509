#include "app/Version.h"

#include <windows.h>

#include <cstdio>
#include <vector>

// The product version of the program's own version resource.
std::string GetVersionString() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return {};
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "Version: %d.%d.%d.%d ", int(HIWORD(info->dwProductVersionMS)),
                  int(LOWORD(info->dwProductVersionMS)), int(HIWORD(info->dwProductVersionLS)),
                  int(LOWORD(info->dwProductVersionLS)));
    return text;
}
