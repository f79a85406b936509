#pragma once
// File-system helpers shared by everything that stores user data: whole-file
// atomic writes and the well-known folders of this program.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace remorra::os {

// Result of a file operation: empty message means success.
struct FileResult {
    std::string error;
    explicit operator bool() const { return error.empty(); }
};

// Writes `bytes` to `path` as a whole or not at all: the data go to a new file
// in the same folder, are flushed to disk and then renamed over `path`. On any
// failure the previous file (if any) is untouched and the temp file removed.
FileResult writeFileAtomically(const std::string& path, std::string_view bytes);

// Upper sizes of what is read whole (the README states them). Far above any
// real file of the kind; they only stop a file that never ends.
inline constexpr std::size_t kMaxConfigFileBytes = std::size_t{16} << 20;  // config.ini
inline constexpr std::size_t kMaxProfileFileBytes = std::size_t{16} << 20; // a key profile
inline constexpr std::size_t kMaxSmallFileBytes = std::size_t{1} << 20;    // lists and the like

enum class ReadStatus { Ok, Missing, NotRegular, TooLarge, Failed };
struct ReadResult {
    ReadStatus status = ReadStatus::Ok;
    std::string error; // "'PATH': why", empty when Ok
    explicit operator bool() const { return status == ReadStatus::Ok; }
};

// A regular file open for reading. Opening never waits and refuses anything
// but a regular file: a FIFO would block the opener until a writer comes, and
// a device can block a read or never end.
class InputFile {
public:
    InputFile() = default;
    ~InputFile() { close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    ReadResult open(const std::string& path);
    // Up to `size` bytes; 0 at the end of the file, -1 on a read error.
    long long read(char* buffer, std::size_t size);
    void close();

private:
    std::intptr_t m_handle = -1;
};

// Reads a whole regular file of at most `maxBytes` (see InputFile).
ReadResult readFile(const std::string& path, std::string& out, std::size_t maxBytes);
// The same, when the reason does not matter.
bool readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes = kMaxSmallFileBytes);

// Whether `name` is one writeFileAtomically gives its temporary files
// (".remorra-XXXXXX"; Windows "rmrXXXX.tmp").
bool isOwnTempFileName(std::string_view name);
// Removes the regular files of `folder` that bear our temporary names and
// were last written before `before` (the process's start): a save that was
// killed leaves its temporary file, a running one's is newer. Returns the
// paths removed.
std::vector<std::string> removeStaleTempFiles(const std::string& folder, std::filesystem::file_time_type before);


// Test seams. When set, writeFileAtomically fails after writing at most
// `bytes` of the temp file (a full disk or a crash mid-write): every write,
// or only the `nth` one from now when nth > 0. -1 disables.
void setAtomicWriteFailAfter(long long bytes, int nth = 0);
// Targets writeFileAtomically has replaced in this process, so that a test
// can tell one whole-file save from many.
std::uint64_t atomicReplacements();

// The user's documents folder: REMORRA_DOCUMENTS when set, else the XDG
// documents dir (XDG_DOCUMENTS_DIR from the environment or user-dirs.dirs),
// else ~/Documents. Never created here.
std::string documentsFolder();
// Folder holding the running program's file (empty when unknown).
std::string programFolder();
// Installed read-only data (REMORRA_DATA_DIR).
std::string installedDataFolder();

bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
// Creates one folder (not its parents); true when it exists afterwards.
bool makeFolder(const std::string& path);

} // namespace remorra::os
