#pragma once
// Points the application log at a fresh file for one test.
#include "TempFolder.h"

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
    LogFile() { setenv("REMORRA_LOG", m_path.c_str(), 1); }
    ~LogFile() { unsetenv("REMORRA_LOG"); }
    const std::string& path() const { return m_path; }
    std::string text() const {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Lines as written, split at '\n' (a caller's "\r\n" leaves '\r' and an
    // empty line behind). On Windows the log is a text-mode file: the '\r'
    // of each line end is dropped as a text-mode read would.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::string t = text();
        std::size_t start = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\n') {
#ifdef _WIN32
                out.push_back(t.substr(start, i - start - (i > start && t[i - 1] == '\r' ? 1 : 0)));
#else
                out.push_back(t.substr(start, i - start));
#endif
                start = i + 1;
            }
        }
        if (start < t.size()) out.push_back(t.substr(start));
        return out;
    }

private:
    remorra::test::TempFolder m_dir{"remorra-log"};
    const std::string m_path = (m_dir / "sub" / "Remorra.log").string(); // the folder is created on demand
};

} // namespace remorra::keys::test
