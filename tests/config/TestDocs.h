#pragma once
// A fresh documents folder per test through REMORRA_DOCUMENTS.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace remorra::test {
struct TempDocuments {
    std::filesystem::path path;
    TempDocuments() {
        std::string t = (std::filesystem::temp_directory_path() / "remorra_docs_XXXXXX").string();
        path = ::mkdtemp(t.data());
        ::setenv("REMORRA_DOCUMENTS", path.string().c_str(), 1);
    }
    ~TempDocuments() {
        ::unsetenv("REMORRA_DOCUMENTS");
        std::filesystem::remove_all(path);
    }
};
} // namespace remorra::test
