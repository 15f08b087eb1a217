// The binary massif file (.fic), read and written.
#include "model/byte_writer.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif_codec.h"
#include "model/real6.h"
#include "model/services.h"
#include "model/text_utils.h"

#include <cmath>
#include <string_view>

namespace ks {

namespace {

// Little-endian reader with bounds checks; every fault names the byte offset of the item.
class ByteReader
{
public:
    ByteReader(const std::string& bytes, const std::string& path)
        : m_data(bytes)
        , m_path(path)
    { }
    // The file read a block at a time after `head`, its first bytes: only what a record needs is
    // held, not the whole file.
    ByteReader(TFileBlocks& file, std::string head)
        : m_buffer(std::move(head))
        , m_data(m_buffer)
        , m_source(&file)
        , m_path(file.Path())
    { }

    [[noreturn]] void Fail(std::size_t offset, const std::string& detail) const
    {
        throw FileError(m_path, "byte " + std::to_string(offset), detail);
    }

    const char* Take(std::size_t n)
    {
        if (m_data.size() - m_at < n && !Fill(n))
            Fail(Position(), "fin de fichero inesperado");
        const char* p = m_data.data() + m_at;
        m_at += n;
        return p;
    }
    std::uint8_t U8() { return static_cast<std::uint8_t>(*Take(1)); }
    bool Bool() { return U8() != 0; }
    std::int16_t I16()
    {
        const auto* p = reinterpret_cast<const std::uint8_t*>(Take(2));
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    }
    std::int32_t I32()
    {
        const auto* p = reinterpret_cast<const std::uint8_t*>(Take(4));
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
        return static_cast<std::int32_t>(u);
    }
    // A count of items that follow; negative counts only come from damaged files.
    int Count(const char* what)
    {
        const std::size_t at = Position();
        const int n = I16();
        if (n < 0)
            Fail(at, std::string("número de ") + what + " no válido (" + std::to_string(n) + ")");
        return n;
    }
    double Real()
    {
        Real6 bytes;
        const char* p = Take(6);
        for (std::size_t i = 0; i < 6; ++i)
            bytes[i] = static_cast<std::uint8_t>(p[i]);
        return DecodeReal6(bytes);
    }
    std::string ShortText(std::size_t capacity)
    {
        const std::size_t at = Position();
        const std::size_t n = U8();
        const char* p = Take(capacity);
        if (n > capacity)
            Fail(at, "longitud de texto no válida (" + std::to_string(n) + ")");
        return std::string(p, n);
    }
    std::string CText()
    {
        const std::size_t at = Position();
        const int n = I16();
        if (n < 0)
            Fail(at, "longitud de texto no válida (" + std::to_string(n) + ")");
        return std::string(Take(static_cast<std::size_t>(n)), static_cast<std::size_t>(n));
    }

    std::size_t Position() const { return m_offset + m_at; }
    // Whether bytes follow what was read.
    bool More() { return m_data.size() > m_at || Fill(1); }

private:
    // Makes `n` bytes ready from the file: what was read is dropped, the next blocks appended.
    bool Fill(std::size_t n)
    {
        if (!m_source)
            return false;
        m_buffer.erase(0, m_at);
        m_offset += m_at;
        m_at = 0;
        while (m_buffer.size() < n && m_source->AppendTo(m_buffer) > 0) { }
        m_data = m_buffer;
        return m_buffer.size() >= n;
    }

    std::string m_buffer; // read from the file, not yet consumed
    std::string_view m_data; // the bytes given, or the buffer
    TFileBlocks* m_source = nullptr;
    const std::string m_path;
    std::size_t m_offset = 0; // the file offset of m_data's first byte
    std::size_t m_at = 0; // the next byte in m_data
};

// ---- writing ----

void WriteShot(ByteWriter& w, const TVisee& v)
{
    w.Real(v.Length);
    w.Real(v.Azimuth);
    w.Real(v.Inclination);
    w.ShortText(v.LeftWidth, kMaxSizeText);
    w.ShortText(v.RightWidth, kMaxSizeText);
    w.ShortText(v.UpperHeight, kMaxSizeText);
    w.ShortText(v.LowerHeight, kMaxSizeText);
    w.CText(v.Comment);
    w.U8(v.LengthUnit);
    w.U8(v.WidthUnit);
    w.U8(v.HeightUnit);
    w.U8(v.AzimuthUnit);
    w.U8(v.InclinationUnit);
    w.U8(v.SketchSize);
    w.Real(v.HorizCorrection);
    w.Bool(v.HorizCorrectionFlag);
    w.Real(v.DevCorrection);
    w.Bool(v.DevCorrectionFlag);
    w.Real(v.CumX);
    w.Real(v.CumY);
    w.Real(v.CumZ);
    w.Real(v.HorizLength);
    w.Bool(v.TopofilFlag);
    if (v.TopofilFlag)
        w.Real(v.TopofilStart);
}

void WriteGallery(ByteWriter& w, const TGalerie& g)
{
    WriteStation(w, g.Start);
    WriteStation(w, g.End);
    w.Real(g.X);
    w.Real(g.Y);
    w.Real(g.Z);
    w.Real(g.TotalLength);
    w.Real(g.SumSquares);
    w.U8(static_cast<std::uint8_t>(g.ShotCount()));
    w.Real(g.Development);
    w.Real(g.Deformation);
    w.CText(g.Name);
    for (const TVisee& v : g.Shots)
        WriteShot(w, v);
    w.Real(g.TopofilCoef);
    for (bool flag :
        { g.Positioned, g.Extra1, g.Extra2, g.Extra3, g.InElevation, g.ElevFromStart, g.ElevForward })
        w.Bool(flag);
    w.U8(static_cast<std::uint8_t>(g.BranchCount));
    for (auto v : g.BranchSheet)
        w.I32(v);
    for (auto v : g.BranchGallery)
        w.I32(v);
    w.I32(g.Colour);
}

void WriteSheet(ByteWriter& w, const TFiche& f)
{
    w.ShortText(f.Date, kMaxDateText);
    w.U8(f.DeclUnit);
    w.Count(f.Surveyors.size(), "topógrafos");
    for (const TEco& s : f.Surveyors)
        w.CText(s);
    w.CText(f.Systeme);
    w.CText(f.Cavite);
    w.CText(f.Reseau);
    w.CText(f.Lieu);
    w.Real(f.Declinaison);
    w.Real(f.Premiere);
    w.CText(f.TPST);
    w.I32(f.Ordre);
    w.Count(f.Galeries.size(), "galerías");
    for (const auto& g : f.Galeries)
        WriteGallery(w, *g);
}

void WriteEditorWork(ByteWriter& w, const TEditorWork& e)
{
    for (const std::string* text :
        { &e.Systeme, &e.Cavite, &e.Reseau, &e.Lieu, &e.Date, &e.Declination, &e.DeclinationUnit })
        w.CText(*text);
    w.Count(e.Surveyors.size(), "topógrafos");
    for (const auto& s : e.Surveyors)
        w.CText(s);
    w.CText(e.TPST);
    w.CText(e.Premiere);
    w.I16(e.Columns);
    w.I16(e.Rows);
    const std::size_t cells = static_cast<std::size_t>(std::max<int>(0, e.Columns))
        * static_cast<std::size_t>(std::max<int>(0, e.Rows));
    for (std::size_t i = 0; i < cells; ++i)
        w.CText(i < e.Cells.size() ? e.Cells[i] : std::string());
    w.I16(e.SheetOrdre);
    WriteStation(w, e.FirstStart);
    w.CText(e.FirstInfo);
    w.Real(e.FirstDeformation);
    w.Real(e.FirstTopofil);
    w.Bool(e.Ended);
    if (e.Ended)
        WriteStation(w, e.FinalEnd);
    w.Count(e.Junctions.size(), "uniones");
    for (const auto& j : e.Junctions) {
        WriteStation(w, j.EndAbove);
        WriteStation(w, j.StartBelow);
        w.CText(j.Info);
        w.Real(j.Deformation);
        w.Real(j.Topofil);
    }
}

// ---- reading ----

void ReadStation(ByteReader& r, TPointTopo& p)
{
    p.Final = r.Bool();
    p.Name.Set(r.CText());
    p.Number = r.U8();
    p.X = r.Real();
    p.Y = r.Real();
    p.Z = r.Real();
}

void ReadShot(ByteReader& r, TVisee& v, int version)
{
    v.Length = r.Real();
    v.Azimuth = r.Real();
    v.Inclination = r.Real();
    v.LeftWidth = r.ShortText(kMaxSizeText);
    v.RightWidth = r.ShortText(kMaxSizeText);
    v.UpperHeight = r.ShortText(kMaxSizeText);
    v.LowerHeight = r.ShortText(kMaxSizeText);
    v.Comment.Set(r.CText());
    v.LengthUnit = r.U8();
    v.WidthUnit = r.U8();
    v.HeightUnit = r.U8();
    v.AzimuthUnit = r.U8();
    v.InclinationUnit = r.U8();
    v.SketchSize = r.U8();
    v.HorizCorrection = r.Real();
    v.HorizCorrectionFlag = r.Bool();
    v.DevCorrection = r.Real();
    v.DevCorrectionFlag = r.Bool();
    v.CumX = r.Real();
    v.CumY = r.Real();
    v.CumZ = r.Real();
    v.HorizLength = r.Real();
    if (version >= 1003) {
        v.TopofilFlag = r.Bool();
        if (v.TopofilFlag)
            v.TopofilStart = r.Real();
    }
}

void ReadGallery(ByteReader& r, TGalerie& g, int version)
{
    ReadStation(r, g.Start);
    ReadStation(r, g.End);
    g.X = r.Real();
    g.Y = r.Real();
    g.Z = r.Real();
    g.TotalLength = r.Real();
    g.SumSquares = r.Real();
    const std::size_t countAt = r.Position();
    const int shots = r.U8();
    if (shots > kMaxShots)
        r.Fail(countAt, "una galería tiene " + std::to_string(shots) + " visuales (máximo 128)");
    g.Development = r.Real();
    g.Deformation = r.Real();
    g.Name.Set(r.CText());
    g.Shots.reserve(static_cast<std::size_t>(shots));
    for (int k = 0; k < shots; ++k) {
        TVisee v;
        ReadShot(r, v, version);
        g.Shots.push_back(std::move(v));
    }
    g.TopofilCoef = version >= 1003 ? r.Real() : 1.0;
    for (bool* flag :
        { &g.Positioned, &g.Extra1, &g.Extra2, &g.Extra3, &g.InElevation, &g.ElevFromStart, &g.ElevForward })
        *flag = r.Bool();
    const std::size_t branchAt = r.Position();
    g.BranchCount = static_cast<std::int8_t>(r.U8());
    if (g.BranchCount < 0 || g.BranchCount > kMaxBranches)
        r.Fail(branchAt, "número de ramas no válido (" + std::to_string(g.BranchCount) + ")");
    for (auto& v : g.BranchSheet)
        v = r.I32();
    for (auto& v : g.BranchGallery)
        v = r.I32();
    g.Colour = version >= 1004 ? r.I32() : 0;
}

void ReadSheet(ByteReader& r, TFiche& f, int version)
{
    f.Date = r.ShortText(kMaxDateText);
    f.DeclUnit = r.U8();
    const int surveyors = r.Count("topógrafos");
    for (int i = 0; i < surveyors; ++i)
        f.Surveyors.emplace_back(r.CText());
    f.Systeme.Set(r.CText());
    f.Cavite.Set(r.CText());
    f.Reseau.Set(r.CText());
    f.Lieu.Set(r.CText());
    f.Declinaison = r.Real();
    f.Premiere = r.Real();
    f.TPST.Set(r.CText());
    f.Ordre = r.I32();
    const int galleries = r.Count("galerías");
    for (int i = 0; i < galleries; ++i) {
        f.Galeries.push_back(std::make_unique<TGalerie>());
        ReadGallery(r, *f.Galeries.back(), version);
    }
}

void ReadSheets(ByteReader& r, std::vector<std::unique_ptr<TFiche>>& list, int version, IProgress* progress)
{
    const int n = r.Count("fichas");
    for (int i = 1; i <= n; ++i) {
        list.push_back(std::make_unique<TFiche>());
        ReadSheet(r, *list.back(), version);
        if (progress)
            progress->SetProgress(static_cast<int>(std::lround(100.0 * i / n)));
    }
}

void ReadEditorWork(ByteReader& r, TEditorWork& e)
{
    for (std::string* text :
        { &e.Systeme, &e.Cavite, &e.Reseau, &e.Lieu, &e.Date, &e.Declination, &e.DeclinationUnit })
        *text = r.CText();
    const int surveyors = r.Count("topógrafos");
    for (int i = 0; i < surveyors; ++i)
        e.Surveyors.push_back(r.CText());
    e.TPST = r.CText();
    e.Premiere = r.CText();
    e.Columns = static_cast<std::int16_t>(r.Count("columnas"));
    e.Rows = static_cast<std::int16_t>(r.Count("filas"));
    const long long cells = static_cast<long long>(e.Columns) * e.Rows;
    for (long long i = 0; i < cells; ++i)
        e.Cells.push_back(r.CText());
    e.SheetOrdre = r.I16();
    ReadStation(r, e.FirstStart);
    e.FirstInfo = r.CText();
    e.FirstDeformation = r.Real();
    e.FirstTopofil = r.Real();
    e.Ended = r.Bool();
    if (e.Ended)
        ReadStation(r, e.FinalEnd);
    const int junctions = r.Count("uniones");
    for (int i = 0; i < junctions; ++i) {
        TEditorJunction j;
        ReadStation(r, j.EndAbove);
        ReadStation(r, j.StartBelow);
        j.Info = r.CText();
        j.Deformation = r.Real();
        j.Topofil = r.Real();
        e.Junctions.push_back(std::move(j));
    }
}

} // namespace

std::string EncodeBinary(const TMassif& m, const std::string& path, IProgress* progress)
{
    ByteWriter w(path);
    w.I16(static_cast<std::int16_t>(kFileVersion));
    w.Count(m.Sheets.size(), "fichas");
    const std::size_t n = m.Sheets.size();
    for (std::size_t i = 0; i < n; ++i) {
        WriteSheet(w, *m.Sheets[i]);
        if (progress) {
            progress->SetProgress(static_cast<int>(std::lround(100.0 * static_cast<double>(i) / n)));
            progress->ProcessEvents();
        }
    }
    w.Count(m.References.size(), "puntos de referencia");
    for (const auto& p : m.References)
        WriteStation(w, *p);
    w.Real(m.Origine_Declinaison);
    w.ShortText(m.Date_Declinaison, kMaxDateText);
    w.Real(m.Variation_Declinaison);
    w.Real(m.Angle_Geodesique);
    w.Count(m.ElevationPoints.size(), "puntos de corte");
    for (const auto& p : m.ElevationPoints) {
        w.CText(p->Name);
        w.U8(p->Number);
        w.Real(p->ElevX);
        w.Real(p->ElevZ);
        w.I32(p->Sheet);
        w.I32(p->Gallery);
    }
    w.Count(m.RecycleBin.size(), "fichas de la papelera");
    for (const auto& f : m.RecycleBin)
        WriteSheet(w, *f);
    w.Count(m.Shortcuts.size(), "accesos directos");
    w.Bool(m.EditorWork.has_value());
    if (m.EditorWork)
        WriteEditorWork(w, *m.EditorWork);
    return w.Take();
}

void CheckBinaryStart(const std::string& bytes, const std::string& path)
{
    ByteReader r(bytes, path);
    const int version = bytes.size() >= 2 ? r.I16() : 0;
    if (version < 1000 || version > 1999)
        throw FileError(path, "byte 0",
            "no es un macizo de Karstelle (ni binario, que empieza por su versión, ni de texto, que empieza "
            "por «Versión»)");
}

namespace {

LoadResult ReadMassif(
    ByteReader& r, TMassif& m, const std::string& path, IReporter* reporter, IProgress* progress)
{
    LoadResult result;
    result.version = r.I16();
    if (result.version > kFileVersion) {
        result.status = LoadStatus::NewerVersion;
        if (reporter)
            reporter->Message(MessageKind::Warning, kNewerVersionText);
        return result;
    }
    const int version = result.version;
    ReadSheets(r, m.Sheets, version, progress);
    const int references = r.Count("puntos de referencia");
    for (int i = 0; i < references; ++i) {
        m.References.push_back(std::make_unique<TPointTopo>());
        ReadStation(r, *m.References.back());
    }
    m.Origine_Declinaison = r.Real();
    m.Date_Declinaison = r.ShortText(kMaxDateText);
    m.Variation_Declinaison = r.Real();
    m.Angle_Geodesique = version >= 1002 ? r.Real() : 0.0;
    const int points = r.Count("puntos de corte");
    for (int i = 0; i < points; ++i) {
        auto p = std::make_unique<TPointCoupe>();
        p->Name.Set(r.CText());
        p->Number = r.U8();
        p->ElevX = r.Real();
        p->ElevZ = r.Real();
        p->Sheet = r.I32();
        p->Gallery = r.I32();
        m.ElevationPoints.push_back(std::move(p));
    }
    if (version >= 1005) {
        ReadSheets(r, m.RecycleBin, version, nullptr);
        m.Shortcuts.resize(static_cast<std::size_t>(r.Count("accesos directos")));
    }
    if (r.Bool()) {
        TEditorWork work;
        ReadEditorWork(r, work);
        m.EditorWork = std::move(work);
    }
    // Two massifs end to end read as the first: what follows its end is said, not read.
    m.Adapted = r.More();
    if (m.Adapted && reporter)
        reporter->Message(MessageKind::Warning,
            path + ", byte " + std::to_string(r.Position())
                + ": el fichero sigue después del fin del macizo; lo que sigue no se ha leído");
    return result;
}

} // namespace

LoadResult DecodeBinary(
    const std::string& bytes, TMassif& m, const std::string& path, IReporter* reporter, IProgress* progress)
{
    CheckBinaryStart(bytes, path);
    ByteReader r(bytes, path);
    return ReadMassif(r, m, path, reporter, progress);
}

LoadResult DecodeBinary(
    TFileBlocks& file, std::string head, TMassif& m, IReporter* reporter, IProgress* progress)
{
    CheckBinaryStart(head, file.Path());
    ByteReader r(file, std::move(head));
    return ReadMassif(r, m, file.Path(), reporter, progress);
}

} // namespace ks
