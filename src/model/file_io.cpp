#include "model/file_io.h"

#include "model/file_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ks {

namespace {
// No massif or option file comes near this; a device that never ends (/dev/zero) stops here.
constexpr std::uintmax_t kLargestFile = std::uintmax_t(1) << 30;

std::string SystemError()
{
    return std::strerror(errno);
}
} // namespace

std::string ReadWholeFile(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw FileError(path, "", "es una carpeta, no un fichero");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError(path, "", "no se puede abrir el fichero: " + SystemError());
    // The stream's own failures (a device that cannot be read) become the file's error.
    try {
        // One allocation of the file's size, then blocks for what a device gives beyond it (or
        // for a device of no size), so that a large massif is not copied as the text grows.
        const auto size
            = std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
        std::string bytes;
        if (!ec && size > 0 && size < kLargestFile) {
            bytes.resize(static_cast<std::size_t>(size));
            in.read(bytes.data(), static_cast<std::streamsize>(size));
            bytes.resize(static_cast<std::size_t>(in.gcount()));
        }
        char block[65536];
        while (in && !in.eof()) {
            in.read(block, sizeof block);
            bytes.append(block, static_cast<std::size_t>(in.gcount()));
            if (bytes.size() > kLargestFile)
                throw FileError(path, "", "el fichero es demasiado grande");
        }
        if (in.bad())
            throw FileError(path, "", "error de lectura: " + SystemError());
        return bytes;
    } catch (const std::ios_base::failure&) {
        throw FileError(path, "", "error de lectura: " + SystemError());
    }
}

// Writes beside the target and renames into place, so that a failed write never leaves the
// target half written.
void WriteFileSafely(const std::string& path, const std::string& bytes)
{
    const std::string temporary = path + ".tmp~";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw FileError(path, "", "no se puede crear el fichero: " + SystemError());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        const bool good = out.good();
        out.close();
        if (!good || out.fail()) {
            const std::string reason = SystemError();
            std::remove(temporary.c_str());
            throw FileError(path, "", "error de escritura: " + reason);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        throw FileError(path, "", "no se puede reemplazar el fichero: " + ec.message());
    }
}

} // namespace ks
