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
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
