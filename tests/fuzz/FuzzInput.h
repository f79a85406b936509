#pragma once
// Takes typed values off the front of a fuzz input; reads past the end give 0,
// so every input, however short, is a valid program for the target.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace remorra::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_size - m_pos; }
    std::uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint16_t u16()
    {
        const std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32()
    {
        const std::uint32_t lo = u16();
        return lo | (std::uint32_t{u16()} << 16);
    }
    // Bytes up to (not including) the next `delimiter`, or the rest.
    std::string_view until(char delimiter)
    {
        const auto* begin = reinterpret_cast<const char*>(m_data + m_pos);
        std::string_view rest(begin, m_size - m_pos);
        const std::size_t at = rest.find(delimiter);
        const std::size_t n = at == std::string_view::npos ? rest.size() : at;
        m_pos += at == std::string_view::npos ? n : n + 1;
        return rest.substr(0, n);
    }
    std::string_view rest()
    {
        std::string_view r(reinterpret_cast<const char*>(m_data + m_pos), m_size - m_pos);
        m_pos = m_size;
        return r;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Stops the fuzzer (or the corpus replay) on a broken property, naming it.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

// The target's own folder for its files, removed at exit; on a memory file
// system when there is one, since the atomic writes flush to disk and that
// would cost most of the run.
inline const std::string& scratchFolder()
{
    struct Folder {
        Folder()
        {
            path = access("/dev/shm", W_OK) == 0 ? "/dev/shm/remorra-fuzz-XXXXXX" : "/tmp/remorra-fuzz-XXXXXX";
            if (!mkdtemp(path.data()))
                fail("no scratch folder");
        }
        ~Folder()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
        std::string path;
    };
    static const Folder folder;
    return folder.path;
}

} // namespace remorra::fuzz
