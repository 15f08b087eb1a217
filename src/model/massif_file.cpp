// Loading and saving a massif: the format chosen, progress shown, the file written safely.
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/massif_codec.h"
#include "model/services.h"

namespace {

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
    ks::WriteFileSafely(path, bytes);
}

ks::LoadResult TMassif::Load(ks::IReporter* reporter, ks::IProgress* progress)
{
    // Both formats are read as they come, so that a large massif is not held twice, as bytes and
    // as records.
    ks::TFileBlocks file(FileName);
    std::string bytes;
    file.AppendTo(bytes);
    const bool text = ks::IsTextMassif(FileName, bytes);
    // A picture, a README or a device is refused before it is read.
    if (text && !ks::StartsAsTextMassif(bytes))
        throw ks::FileError(FileName, "línea 1", "no es un macizo de texto: no empieza por «Versión»");
    if (!text)
        ks::CheckBinaryStart(bytes, FileName);
    ks::LoadResult result;
    {
        ProgressScope scope(progress, "Lectura del macizo ...", "");
        try {
            result = text ? ks::DecodeText(file, std::move(bytes), *this, reporter, progress)
                          : ks::DecodeBinary(file, std::move(bytes), *this, reporter, progress);
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
