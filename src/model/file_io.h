#pragma once

#include <string>

namespace ks {

// The whole content of a file. Throws ks::FileError naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes beside the target and renames into place, so that a failed write never leaves the
// target half written. Throws ks::FileError naming the file.
void WriteFileSafely(const std::string& path, const std::string& bytes);

} // namespace ks
