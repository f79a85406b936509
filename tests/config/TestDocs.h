#pragma once
// A fresh documents folder per test through REMORRA_DOCUMENTS.
#include "TempFolder.h"

#include <filesystem>

namespace remorra::test {
struct TempDocuments {
    TempFolder folder{"remorra_docs", "REMORRA_DOCUMENTS"};
    const std::filesystem::path path = folder.path();
};
} // namespace remorra::test
