#include "platform/os/Files.h"
#include "platform/os/FilesPlatform.h"

#include <atomic>
#include <fstream>
#include <sstream>

#ifndef REMORRA_DATA_DIR
#define REMORRA_DATA_DIR "/usr/local/share/remorra"
#endif

namespace remorra::os {

namespace {
std::atomic<long long> g_failAfter{-1};
} // namespace

void setAtomicWriteFailAfter(long long bytes) { g_failAfter.store(bytes); }
long long atomicWriteFailAfter() { return g_failAfter.load(); }

std::size_t atomicWriteLimit(std::size_t size) {
    const long long failAfter = g_failAfter.load();
    if (failAfter >= 0 && static_cast<unsigned long long>(failAfter) < size) return static_cast<std::size_t>(failAfter);
    return size;
}

bool readWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    out = ss.str();
    return true;
}

std::string installedDataFolder() { return REMORRA_DATA_DIR; }

} // namespace remorra::os
