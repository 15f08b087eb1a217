// Reading files by blocks and writing them safely: temporary file, checked writes, rename.
#include "model/file_io.h"

#include "model/file_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace ks {

namespace {
// No massif or option file comes near this; a device that never ends (/dev/zero) stops here.
constexpr std::uintmax_t kLargestFile = std::uintmax_t(1) << 30;

// The reason of the last failure in the program's language: the common ones in Spanish, any
// other as the system words it.
std::string SystemError()
{
    return SystemErrorText(errno);
}
} // namespace

std::string SystemErrorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "no queda espacio en el disco";
    case EROFS:
        return "el disco es de sólo lectura";
    case EACCES:
    case EPERM:
        return "permiso denegado";
    case ENOENT:
        return "el fichero o la carpeta no existe";
    case EISDIR:
        return "es una carpeta, no un fichero";
    case ENOTDIR:
        return "una parte del camino no es una carpeta";
    case ENAMETOOLONG:
        return "nombre demasiado largo";
    case EIO:
        return "error de entrada/salida del disco";
    default:
        return std::strerror(error);
    }
}

TFileBlocks::TFileBlocks(const std::string& path)
    : m_path(path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status))
        throw FileError(path, "", "es una carpeta, no un fichero");
    if (std::filesystem::is_regular_file(status))
        m_size = std::filesystem::file_size(path, ec);
    m_in.open(path, std::ios::binary);
    if (!m_in)
        throw FileError(path, "", "no se puede abrir el fichero: " + SystemError());
}

std::size_t TFileBlocks::AppendTo(std::string& out, std::size_t n)
{
    // Straight into `out` when it has room, else through a block, so that looking for the end of
    // the file never makes `out` grow.
    auto read = [this](char* to, std::size_t count) {
        if (!m_in || m_in.eof())
            return std::size_t(0);
        m_in.read(to, static_cast<std::streamsize>(count));
        if (m_in.bad())
            throw FileError(m_path, "", "error de lectura: " + SystemError());
        return static_cast<std::size_t>(m_in.gcount());
    };
    // The stream's own failures (a device that cannot be read) become the file's error.
    try {
        std::size_t got = 0;
        if (out.capacity() - out.size() >= n) {
            const std::size_t at = out.size();
            out.resize(at + n);
            got = read(out.data() + at, n);
            out.resize(at + got);
        } else {
            char block[65536];
            for (std::size_t part = 1; got < n && part > 0; got += part) {
                part = read(block, std::min(n - got, sizeof block));
                out.append(block, part);
            }
        }
        m_read += got;
        if (m_read > kLargestFile)
            throw FileError(m_path, "", "el fichero es demasiado grande");
        return got;
    } catch (const std::ios_base::failure&) {
        throw FileError(m_path, "", "error de lectura: " + SystemError());
    }
}

void TFileBlocks::AppendRest(std::string& out)
{
    // One allocation of the file's size, then blocks for what a device gives beyond it (or for a
    // device of no size), so that a large massif is not copied as the text grows.
    if (m_size > m_read && m_size < kLargestFile) {
        const auto rest = static_cast<std::size_t>(m_size - m_read);
        out.reserve(out.size() + rest + 1); // the 1 lets the last read see the end without growing
        AppendTo(out, rest);
    }
    while (AppendTo(out, kBlock) > 0) { }
}

std::string ReadWholeFile(const std::string& path)
{
    std::string bytes;
    TFileBlocks(path).AppendRest(bytes);
    return bytes;
}

ssize_t (*g_writeForTests)(int, const void*, size_t) = nullptr;
int (*g_renameForTests)(const char*, const char*) = nullptr;

namespace {

// An existing target that is no regular file (a device such as /dev/null or /dev/stdout, a pipe)
// is written into, never replaced by a file of the same name.
bool IsSpecialFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

// Writes all the bytes to an open file; false with errno on failure.
bool WriteAll(int fd, const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = g_writeForTests ? g_writeForTests(fd, data + done, size - done)
                                          : write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void WriteSpecialFile(const std::string& path, const std::string& bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(path, "", "no se puede abrir el fichero: " + SystemError());
    const bool written = WriteAll(fd, bytes.data(), bytes.size());
    const std::string reason = SystemError();
    close(fd);
    if (!written)
        throw FileError(path, "", "error de escritura: " + reason);
}

// A new file for `path`'s contents, open for writing; its name in `name`. In the target's folder,
// so that the rename stays on one file system (in the temporary folder for a device, which is
// written into); created exclusively under a name nobody can predict, so that a planted file or
// link is never written through.
int OpenTemporary(const std::string& path, std::string& name)
{
    const std::filesystem::path target(path);
    const std::filesystem::path folder = IsSpecialFile(path) ? std::filesystem::temp_directory_path()
        : target.has_parent_path()                           ? target.parent_path()
                                                             : std::filesystem::path(".");
    name = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        throw FileError(path, "", "no se puede crear el fichero: " + SystemError());
    // The replaced file's mode, owner and group (the owner only where permitted); for a new file
    // the permissions it would have had, rather than mkstemp's private ones.
    struct stat previous;
    if (stat(path.c_str(), &previous) == 0 && S_ISREG(previous.st_mode)) {
        fchmod(fd, previous.st_mode & 07777);
        if (fchown(fd, previous.st_uid, previous.st_gid) != 0)
            errno = 0; // not permitted: the file stays ours
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    return fd;
}

} // namespace

std::string CreateTemporaryBeside(const std::string& path)
{
    std::string name;
    close(OpenTemporary(path, name));
    return name;
}

void PublishTemporary(const std::string& temporary, const std::string& path)
{
    if (IsSpecialFile(path)) {
        const std::string bytes = ReadWholeFile(temporary);
        unlink(temporary.c_str());
        WriteSpecialFile(path, bytes);
        return;
    }
    const int moved = g_renameForTests ? g_renameForTests(temporary.c_str(), path.c_str())
                                       : std::rename(temporary.c_str(), path.c_str());
    if (moved != 0) {
        const std::string reason = SystemError();
        unlink(temporary.c_str());
        throw FileError(path, "", "no se puede reemplazar el fichero: " + reason);
    }
}

void WriteFileSafely(const std::string& path, const std::string& bytes)
{
    if (IsSpecialFile(path))
        return WriteSpecialFile(path, bytes);
    // Written through the descriptor that created the file: its name is never opened again.
    std::string temporary;
    const int fd = OpenTemporary(path, temporary);
    auto fail = [&](const char* what) {
        const std::string reason = SystemError();
        unlink(temporary.c_str());
        throw FileError(path, "", what + reason);
    };
    if (!WriteAll(fd, bytes.data(), bytes.size())) {
        const int error = errno;
        close(fd);
        errno = error;
        fail("error de escritura: ");
    }
    // The data is on the disk before the new file replaces the old one.
    if (fsync(fd) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        fail("error de escritura: ");
    }
    if (close(fd) != 0)
        fail("error de escritura: ");
    PublishTemporary(temporary, path);
}

} // namespace ks
