#pragma once
// Points the application log at a fresh file for one test.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace remorra::keys::test {

class LogFile {
public:
    LogFile() {
        char pattern[] = "/tmp/remorra-log-XXXXXX";
        m_dir = mkdtemp(pattern);
        m_path = m_dir + "/sub/Remorra.log"; // the folder is created on demand
        setenv("REMORRA_LOG", m_path.c_str(), 1);
    }
    ~LogFile() {
        unsetenv("REMORRA_LOG");
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    const std::string& path() const { return m_path; }
    std::string text() const {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Lines as written, split at '\n' (a caller's "\r\n" leaves '\r' and an
    // empty line behind).
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::string t = text();
        std::size_t start = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\n') {
                out.push_back(t.substr(start, i - start));
                start = i + 1;
            }
        }
        if (start < t.size()) out.push_back(t.substr(start));
        return out;
    }

private:
    std::string m_dir;
    std::string m_path;
};

} // namespace remorra::keys::test
