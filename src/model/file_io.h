#pragma once
// File input and output: block reading, safe writing, the reasons of system failures.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <sys/types.h>

namespace ks {

// A file read block by block, for a reader that need not hold all of it at once. Throws
// ks::FileError naming the file when it cannot be opened or read, or grows past 1 GiB.
class TFileBlocks
{
public:
    static constexpr std::size_t kBlock = 256 * 1024;

    explicit TFileBlocks(const std::string& path);
    // Appends up to `n` further bytes to `out`; the number appended, 0 at the end of the file.
    std::size_t AppendTo(std::string& out, std::size_t n = kBlock);
    // Appends the rest of the file to `out`, reserving the file's size at once when it is known.
    void AppendRest(std::string& out);
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::ifstream m_in;
    std::uintmax_t m_size = 0; // a regular file's size when opened, else 0
    std::size_t m_read = 0;
};

// The reason of a failed system call (an errno value) in Spanish for the common failures (no
// space, read-only, permission, not found, a folder), else as the system gives it.
std::string SystemErrorText(int error);

// The whole content of a file. Throws ks::FileError naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes beside the target and renames into place, so that a failed write never leaves the
// target half written and leaves no temporary file. Throws ks::FileError naming the file.
void WriteFileSafely(const std::string& path, const std::string& bytes);

// A new empty file beside `path`, created exclusively under an unpredictable name (never through
// an existing file or link), for a writer that cannot go through WriteFileSafely; its name.
std::string CreateTemporaryBeside(const std::string& path);
// Renames the temporary file onto `path`; on failure removes it and throws naming `path`.
void PublishTemporary(const std::string& temporary, const std::string& path);

// Fault injection for the tests: the write and rename calls of the safe writer.
extern ssize_t (*g_writeForTests)(int, const void*, size_t);
extern int (*g_renameForTests)(const char*, const char*);

} // namespace ks
