#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace ks {

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
