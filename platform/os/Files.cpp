#include "platform/os/Files.h"
#include "platform/os/FilesPlatform.h"

#include <atomic>

#ifndef REMORRA_DATA_DIR
#define REMORRA_DATA_DIR "/usr/local/share/remorra"
#endif

namespace remorra::os {

namespace {
std::atomic<long long> g_failAfter{-1};
std::atomic<int> g_failNth{0};
std::atomic<int> g_writesSinceSet{0};
std::atomic<std::uint64_t> g_replacements{0};
} // namespace

void setAtomicWriteFailAfter(long long bytes, int nth) {
    g_failNth.store(nth);
    g_writesSinceSet.store(0);
    g_failAfter.store(bytes);
}

std::uint64_t atomicReplacements() { return g_replacements.load(); }
void countReplacement() { g_replacements.fetch_add(1); }

SimulatedWrite simulatedWrite(std::size_t size) {
    const long long failAfter = g_failAfter.load();
    if (failAfter < 0) return {false, size};
    // Writes count from the setting, so that a test names the n-th of its own.
    const int nth = g_failNth.load();
    if (nth > 0 && g_writesSinceSet.fetch_add(1) + 1 != nth) return {false, size};
    return {true, static_cast<unsigned long long>(failAfter) < size ? static_cast<std::size_t>(failAfter) : size};
}

namespace {
std::string sizeText(std::size_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}
} // namespace

ReadResult readFile(const std::string& path, std::string& out, std::size_t maxBytes) {
    out.clear();
    InputFile in;
    if (ReadResult r = in.open(path); !r) return r;
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const long long n = in.read(buffer, sizeof buffer);
        if (n < 0) return {ReadStatus::Failed, "'" + path + "': cannot be read"};
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > maxBytes)
            return {ReadStatus::TooLarge, "'" + path + "': larger than " + sizeText(maxBytes)};
        text.append(buffer, static_cast<std::size_t>(n));
    }
    out = std::move(text);
    return {};
}

bool readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes) {
    return static_cast<bool>(readFile(path, out, maxBytes));
}

std::string installedDataFolder() { return REMORRA_DATA_DIR; }

std::vector<std::string> removeStaleTempFiles(const std::string& folder, std::filesystem::file_time_type before) {
    namespace fs = std::filesystem;
    std::vector<std::string> removed;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        // Not through a link: only a file of our own in this folder goes.
        if (!isOwnTempFileName(it->path().filename().string()) || !fs::is_regular_file(it->symlink_status(entryError)))
            continue;
        const fs::file_time_type written = fs::last_write_time(it->path(), entryError);
        if (entryError || written >= before) continue;
        if (fs::remove(it->path(), entryError)) removed.push_back(it->path().string());
    }
    return removed;
}

} // namespace remorra::os
