#pragma once
// A documents folder that can be made full or read-only for one test. A
// full folder is a size-limited tmpfs filled to the brim (needs root); a
// read-only one is a tmpfs remounted read-only as root, or a folder without
// write permission otherwise (root ignores permissions).
#include "TempFolder.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace remorra::test {

class ScratchFolder {
public:
    ScratchFolder() = default;
    // The folder itself goes with m_folder, once the mount is off it.
    ~ScratchFolder()
    {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

    // Mounts a tmpfs of `bytes` here; empty on success, else why not.
    std::string mountTmpfs(std::size_t bytes)
    {
        if (::geteuid() != 0)
            return "needs root to mount a size-limited tmpfs";
        const std::string opts = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", m_path.c_str(), "tmpfs", 0, opts.c_str()) != 0)
            return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        m_mounted = true;
        return {};
    }

    // Fills the mounted tmpfs until a write fails with ENOSPC.
    std::string fill()
    {
        std::FILE* f = std::fopen((m_path + "/filler").c_str(), "wb");
        if (!f)
            return std::string("cannot create the filler: ") + std::strerror(errno);
        static const char block[4096] = {};
        while (std::fwrite(block, 1, sizeof block, f) == sizeof block) {
        }
        std::fclose(f);
        // Whatever partial page is left goes too.
        f = std::fopen((m_path + "/filler2").c_str(), "wb");
        if (f) {
            while (std::fwrite(block, 1, 1, f) == 1 && std::fflush(f) == 0) {
            }
            std::fclose(f);
        }
        return {};
    }

    // Makes everything below read-only; empty on success, else why not.
    std::string makeReadOnly()
    {
        if (::geteuid() != 0) {
            for (const auto& e : std::filesystem::recursive_directory_iterator(m_path))
                if (e.is_directory())
                    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_write,
                                                 std::filesystem::perm_options::remove);
            std::filesystem::permissions(m_path, std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::remove);
            return {};
        }
        if (!m_mounted)
            return "the folder is not a mount";
        if (::mount("tmpfs", m_path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return std::string("cannot remount read-only: ") + std::strerror(errno);
        return {};
    }

    // Files in the folder tree besides the filler, i.e. no stray temp files.
    int countFiles(const std::string& under) const
    {
        int n = 0;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(under, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_regular_file() && it->path().filename().string().rfind("filler", 0) != 0)
                ++n;
        return n;
    }

private:
    TempFolder m_folder{"remorra_faults", "REMORRA_DOCUMENTS"};
    const std::string m_path = m_folder.str();
    bool m_mounted = false;
};

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace remorra::test
