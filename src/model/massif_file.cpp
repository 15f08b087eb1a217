#include "model/file_error.h"
#include "model/massif.h"
#include "model/massif_codec.h"
#include "model/services.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::string SystemError()
{
    return std::strerror(errno);
}

// Shows the progress bar and a status text for the time of a load or a save, and puts the bar and
// the panel back however the operation ends.
class ProgressScope
{
public:
    ProgressScope(ks::IProgress* progress, const char* status, std::string endStatus)
        : m_progress(progress)
        , m_endStatus(std::move(endStatus))
    {
        if (!m_progress)
            return;
        m_progress->SetProgress(0);
        m_progress->ShowProgress(true);
        m_progress->SetStatus(status);
        m_progress->ProcessEvents();
    }
    ~ProgressScope()
    {
        if (!m_progress)
            return;
        m_progress->ShowProgress(false);
        m_progress->SetStatus(m_endStatus);
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ks::IProgress* m_progress;
    std::string m_endStatus;
};

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ks::FileError(path, "", "no se puede abrir el fichero: " + SystemError());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw ks::FileError(path, "", "error de lectura: " + SystemError());
    return bytes;
}

// Writes beside the target and renames into place, so that a failed write never leaves the
// target half written.
void WriteFileSafely(const std::string& path, const std::string& bytes)
{
    const std::string temporary = path + ".tmp~";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw ks::FileError(path, "", "no se puede crear el fichero: " + SystemError());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        const bool good = out.good();
        out.close();
        if (!good || out.fail()) {
            const std::string reason = SystemError();
            std::remove(temporary.c_str());
            throw ks::FileError(path, "", "error de escritura: " + reason);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        throw ks::FileError(path, "", "no se puede reemplazar el fichero: " + ec.message());
    }
}

} // namespace

void TMassif::Save(const std::string& fileName, ks::IProgress* progress)
{
    std::string bytes;
    const std::string path = fileName.empty() ? FileName : fileName;
    {
        ProgressScope scope(progress, "Resguardo del macizo ...", SelectionActive ? "Selección" : "");
        CompactSheets();
        bytes = ks::IsTextFileName(path) ? ks::EncodeText(*this, path, progress)
                                         : ks::EncodeBinary(*this, path, progress);
    }
    WriteFileSafely(path, bytes);
}

ks::LoadResult TMassif::Load(ks::IReporter* reporter, ks::IProgress* progress)
{
    const std::string bytes = ReadWholeFile(FileName);
    ks::LoadResult result;
    {
        ProgressScope scope(progress, "Lectura del macizo ...", "");
        try {
            result = ks::IsTextFileName(FileName)
                ? ks::DecodeText(bytes, *this, FileName, reporter, progress)
                : ks::DecodeBinary(bytes, *this, FileName, reporter, progress);
        } catch (...) {
            Computed = false;
            ElevationPlaced = false;
            throw;
        }
    }
    Computed = false;
    ElevationPlaced = false;
    return result;
}
