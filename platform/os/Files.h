#pragma once
// File-system helpers shared by everything that stores user data: whole-file
// atomic writes and the well-known folders of this program.
#include <string>
#include <string_view>

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

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& out);

// Test seam: when set, writeFileAtomically fails after writing at most this many
// bytes of the temp file (simulates a full disk or a crash mid-write). -1 disables.
void setAtomicWriteFailAfter(long long bytes);

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
