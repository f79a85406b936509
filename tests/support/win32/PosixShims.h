#pragma once
// Forced into every test source of a Windows build: the POSIX calls the
// tests use to set up their cases (environment, temporary folders).
#include <cstdlib>
#include <direct.h>
#include <io.h>
#include <process.h>
#include <cstring>

inline int setenv(const char* name, const char* value, int overwrite)
{
    if (!overwrite && std::getenv(name))
        return 0;
    return _putenv_s(name, value);
}

inline int unsetenv(const char* name) { return _putenv_s(name, ""); }

// Replaces the trailing XXXXXX and creates the folder; null when it cannot.
inline char* mkdtemp(char* templ)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        static unsigned counter = 0;
        char* x = templ + std::strlen(templ) - 6;
        unsigned v = (static_cast<unsigned>(std::rand()) << 8) ^ ++counter ^ static_cast<unsigned>(_getpid());
        for (int i = 0; i < 6; ++i, v /= 36)
            x[i] = "0123456789abcdefghijklmnopqrstuvwxyz"[v % 36];
        if (_mkdir(templ) == 0)
            return templ;
    }
    return nullptr;
}
