#pragma once
// A fresh folder in the system's temporary folder for one test, removed with
// all below it when the test ends, also where the test took write or search
// permission away. Optionally named in an environment variable meanwhile.
// The Windows build gets mkdtemp, setenv and unsetenv from win32/PosixShims.h.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace remorra::test {

class TempFolder {
public:
    // PREFIX names the folder (PREFIX_XXXXXX) so a leftover says whose it is.
    explicit TempFolder(const std::string& prefix = "remorra", const char* envVariable = nullptr)
        : m_env(envVariable)
    {
        std::string t = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
        if (!::mkdtemp(t.data())) {
            std::perror(t.c_str());
            std::abort(); // no test can go on without its folder
        }
        m_path = t;
        if (m_env)
            ::setenv(m_env, t.c_str(), 1);
    }
    ~TempFolder()
    {
        if (m_env)
            ::unsetenv(m_env);
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto it = fs::recursive_directory_iterator(m_path, ec); it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
    const char* m_env;
};

} // namespace remorra::test
