#pragma once
// Sets or clears one environment variable for a scope and puts back what was
// there, also when an assertion leaves the test early. The Windows build
// gets setenv and unsetenv from win32/PosixShims.h.
#include <cstdlib>
#include <string>

namespace remorra::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old, m_had = true;
        set(value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    // A new value (null: cleared) until the scope ends.
    void set(const char* value)
    {
        if (value)
            ::setenv(m_name, value, 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

} // namespace remorra::test
