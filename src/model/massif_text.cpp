// The text massif file (.mas), read line by line and written.
#include "model/colour_names.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif_codec.h"
#include "model/real6.h"
#include "model/services.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ks {

namespace {

// "Versión" in Windows-1252.
const std::string kVersionKeyword = "Versi\xF3n";
const std::string kRecycleKeyword = "Papelera de recielaje";

const char* const kAzimuthTokens[] = { "deg", "grade", nullptr, nullptr, nullptr, "-deg", "-grade" };
// The Vulcain codes 4 and 9 have tokens of their own so that a text round trip keeps them.
const char* const kInclinationTokens[]
    = { "deg", "grade", "mp", "cmp", "vul", "-deg", "-grade", "-mp", "-cmp", "-vul" };

const char* Flag(bool value)
{
    return value ? "O" : "N";
}

// Line writer: every line ends with CR LF.
class LineWriter
{
public:
    explicit LineWriter(const std::string& path)
        : m_path(path)
    { }

    // A line break inside a text (a name typed elsewhere, a binary file's text) would end the line
    // early and shift every line after it: it is written as a space.
    void Line(const std::string& text = std::string())
    {
        const std::size_t start = m_out.size();
        m_out += text;
        std::replace_if(
            m_out.begin() + static_cast<std::ptrdiff_t>(start), m_out.end(),
            [](char c) { return c == '\r' || c == '\n'; }, ' ');
        m_out += "\r\n";
    }
    // A value the binary format can store is never rounded, in writing, past what it can store:
    // more digits are written then.
    std::string Real(double value, int digits) const
    {
        if (!std::isfinite(value))
            throw FileError(m_path, "", "un valor no numérico no se puede guardar en el formato texto");
        std::string text = FormatG(value, digits);
        if (std::fabs(value) > 1e38 && EncodeReal6(value))
            for (int more = digits + 1; more <= 17 && !EncodeReal6(ParseReal(text).value_or(0)); ++more)
                text = FormatG(value, more);
        return text;
    }
    std::string Take() { return std::move(m_out); }

private:
    const std::string& m_path;
    std::string m_out;
};

// A text of the file as a message quotes it: at most 40 bytes of it, so that a file with no line
// ends (a CR-only file, a binary file) is not echoed whole.
std::string Excerpt(std::string_view text)
{
    constexpr std::size_t kLongest = 40;
    return text.size() <= kLongest ? Cp1252ToUtf8(text) : Cp1252ToUtf8(text.substr(0, kLongest)) + "…";
}

// Line reader over the file, held whole or read block by block (then only the current block and
// the line being read are held); lines end with LF, a CR before it is dropped. A line read stays
// valid until the next one is asked for. Every fault names the line number (from 1).
class LineReader
{
public:
    LineReader(std::string_view bytes, const std::string& path, IReporter* reporter)
        : m_data(bytes)
        , m_path(path)
        , m_reporter(reporter)
    { }
    LineReader(TFileBlocks& file, std::string head, IReporter* reporter)
        : m_buffer(std::move(head))
        , m_data(m_buffer)
        , m_source(&file)
        , m_path(file.Path())
        , m_reporter(reporter)
    { }

    [[noreturn]] void Fail(const std::string& detail) const
    {
        throw FileError(m_path, "línea " + std::to_string(m_line), detail);
    }

    std::string_view Line()
    {
        auto end = m_data.find('\n', m_pos);
        while (end == std::string_view::npos && More())
            end = m_data.find('\n', m_scanned);
        if (m_pos >= m_data.size()) {
            ++m_line;
            Fail("fin de fichero inesperado");
        }
        if (end == std::string_view::npos)
            end = m_data.size();
        std::string_view line(m_data.data() + m_pos, end - m_pos);
        m_pos = end + 1;
        ++m_line;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }
    void Skip() { Line(); }
    // Skips a blank line that may be missing at the very end of the file.
    void SkipIfAny()
    {
        if (m_pos < m_data.size() || More())
            Line();
    }
    // Something read other than as it stands (a default taken, a text cut, missing fields): said
    // once per kind for the file, at its end, naming the first line and how many more there were.
    void Note(const std::string& kind, const std::string& detail) const
    {
        for (Adaptation& a : m_adapted)
            if (a.Kind == kind) {
                ++a.Count;
                return;
            }
        m_adapted.push_back({ kind, detail, m_line, 1 });
    }
    bool Adapted() const { return !m_adapted.empty(); }
    void ReportAdaptations() const
    {
        if (!m_reporter)
            return;
        for (const Adaptation& a : m_adapted)
            m_reporter->Message(MessageKind::Warning,
                m_path + ", línea " + std::to_string(a.Line) + ": " + a.Detail
                    + (a.Count > 1 ? " (y " + std::to_string(a.Count - 1) + " líneas más)" : std::string()));
    }
    // A text as it will be kept: one longer than a text holds is cut, and said.
    std::string_view Text(std::string_view text) const
    {
        if (text.size() > TEco::kMaxLength)
            Note("largo",
                "un texto de " + std::to_string(text.size()) + " caracteres, cortado a "
                    + std::to_string(TEco::kMaxLength));
        return text;
    }
    // Whether anything but blank lines follows; the line number then stands on the first of it.
    bool ContentFollows()
    {
        while (m_pos < m_data.size() || More()) {
            if (Line().find_first_not_of(" \t") != std::string_view::npos)
                return true;
        }
        return false;
    }

    // The rest of a keyword line: the keyword's length is removed, its text not checked.
    std::string_view After(std::string_view keyword)
    {
        const auto line = Line();
        return line.substr(std::min(keyword.size(), line.size()));
    }

    long long Int(std::string_view text, long long low, long long high, const char* what) const
    {
        const auto value = ParseInt(text);
        if (!value)
            Fail(std::string(what) + ": «" + Excerpt(text) + "» no es un número entero válido");
        if (*value < low || *value > high)
            Fail(std::string(what) + ": " + std::to_string(*value) + " fuera de los límites");
        return *value;
    }
    // A number the binary format can also store: beyond it (1e308, say) sums of readings would
    // overflow to infinite positions.
    double Real(std::string_view text, const char* what) const
    {
        const auto value = ParseReal(text);
        if (!value)
            Fail(std::string(what) + ": «" + Excerpt(text) + "» no es un número válido");
        if (!EncodeReal6(*value))
            Fail(std::string(what) + ": «" + Excerpt(text) + "» fuera de lo que un macizo puede guardar");
        return *value;
    }
    int Count(std::string_view keyword, const char* what)
    {
        return static_cast<int>(Int(After(keyword), 0, std::numeric_limits<int>::max(), what));
    }
    double RealLine(const char* what) { return Real(Line(), what); }
    double RealAfter(std::string_view keyword) { return Real(After(keyword), std::string(keyword).c_str()); }
    bool FlagLine() { return Line() == "O"; }

private:
    // Reads the next block of a file read by blocks, keeping the line begun; false at its end.
    bool More()
    {
        if (!m_source)
            return false;
        m_buffer.erase(0, std::min(m_pos, m_buffer.size()));
        m_pos = 0;
        m_scanned = m_buffer.size(); // no line end up to here
        const bool more = m_source->AppendTo(m_buffer) > 0;
        m_data = m_buffer;
        return more;
    }

    std::string m_buffer; // the blocks not yet read through, for a file read by blocks
    std::string_view m_data;
    TFileBlocks* m_source = nullptr;
    const std::string& m_path;
    IReporter* m_reporter;
    struct Adaptation
    {
        std::string Kind, Detail;
        int Line = 0, Count = 0;
    };
    mutable std::vector<Adaptation> m_adapted;
    std::size_t m_pos = 0;
    std::size_t m_scanned = 0;
    int m_line = 0;
};

// Splits a shot line field by field, each up to the next TAB.
class FieldReader
{
public:
    FieldReader(std::string_view line, const LineReader& lines)
        : m_rest(line)
        , m_lines(lines)
    { }

    // The next field; past the end of a short line, fields are missing and read as empty.
    std::string_view Next()
    {
        ++m_field;
        if (m_ended) {
            m_missing = true;
            return {};
        }
        const auto tab = m_rest.find('\t');
        if (tab == std::string_view::npos) {
            m_ended = true;
            return std::exchange(m_rest, std::string_view());
        }
        const auto field = m_rest.substr(0, tab);
        m_rest.remove_prefix(tab + 1);
        return field;
    }
    // A missing number is 0.
    double Real(const char* what)
    {
        const auto field = Next();
        return m_missing ? 0 : m_lines.Real(field, what);
    }
    long long Int(long long low, long long high, const char* what)
    {
        const auto field = Next();
        return m_missing ? 0 : m_lines.Int(field, low, high, what);
    }
    std::uint8_t Unit() { return Next() == "m" ? kMetres : kCentimetres; }
    std::string SizeText() { return std::string(Next().substr(0, kMaxSizeText)); }
    bool Flag() { return Next() == "O"; }
    std::string_view Rest() const { return m_rest; }
    bool Missing() const { return m_missing; }

private:
    std::string_view m_rest;
    const LineReader& m_lines;
    int m_field = 0;
    bool m_ended = false; // the line's last field was read
    bool m_missing = false; // a field past the end was asked for
};

// ---- writing ----

void WriteStation(LineWriter& w, const TPointTopo& p)
{
    if (p.Final) {
        w.Line("Final");
    } else {
        w.Line("Pt");
        w.Line(p.Name.Get());
        w.Line(std::to_string(p.Number));
    }
    w.Line(w.Real(p.X, 9) + '\t' + w.Real(p.Y, 9) + '\t' + w.Real(p.Z, 9));
}

std::string ShotLine(const LineWriter& w, const TVisee& v)
{
    const char* azimuth
        = v.AzimuthUnit < 7 && kAzimuthTokens[v.AzimuthUnit] ? kAzimuthTokens[v.AzimuthUnit] : "deg";
    const char* inclination = v.InclinationUnit < 10 ? kInclinationTokens[v.InclinationUnit] : "deg";
    std::string line;
    // A TAB inside a size text would part it in two fields: it is written as a space.
    auto field = [&line](const std::string& text) {
        const std::size_t start = line.size();
        line += text;
        std::replace(line.begin() + static_cast<std::ptrdiff_t>(start), line.end(), '\t', ' ');
        line += '\t';
    };
    field(w.Real(v.Length, 5));
    field(LengthUnitLabel(v.LengthUnit));
    field(w.Real(v.Azimuth, 4));
    field(azimuth);
    field(w.Real(v.Inclination, 3));
    field(inclination);
    field(v.LeftWidth);
    field(v.RightWidth);
    field(LengthUnitLabel(v.WidthUnit));
    field(v.UpperHeight);
    field(v.LowerHeight);
    field(LengthUnitLabel(v.HeightUnit));
    field(std::to_string(v.SketchSize));
    field(w.Real(v.HorizCorrection, 4));
    field(Flag(v.HorizCorrectionFlag));
    field(w.Real(v.DevCorrection, 4));
    field(Flag(v.DevCorrectionFlag));
    field(w.Real(v.CumX, 9));
    field(w.Real(v.CumY, 9));
    field(w.Real(v.CumZ, 9));
    field(w.Real(v.HorizLength, 9));
    field(Flag(v.TopofilFlag));
    if (v.TopofilFlag)
        field(w.Real(v.TopofilStart, 7));
    line += v.Comment.Get();
    return line;
}

void WriteGallery(LineWriter& w, const TGalerie& g)
{
    WriteStation(w, g.Start);
    WriteStation(w, g.End);
    w.Line(w.Real(g.X, 10));
    w.Line(w.Real(g.Y, 10));
    w.Line(w.Real(g.Z, 10));
    w.Line(w.Real(g.TotalLength, 7));
    w.Line(w.Real(g.SumSquares, 8));
    w.Line(w.Real(g.Development, 7));
    w.Line(w.Real(g.Deformation, 5));
    w.Line(g.Name.Get());
    w.Line("Nb_Visee " + std::to_string(g.ShotCount()));
    for (const TVisee& v : g.Shots)
        w.Line(ShotLine(w, v));
    w.Line(w.Real(g.TopofilCoef, 5));
    for (bool flag :
        { g.Positioned, g.Extra1, g.Extra2, g.Extra3, g.InElevation, g.ElevFromStart, g.ElevForward })
        w.Line(Flag(flag));
    w.Line(std::to_string(g.BranchCount));
    const int used = std::max(0, std::min<int>(g.BranchCount, kMaxBranches));
    std::string sheets, galleries;
    for (int i = 0; i < used; ++i) {
        sheets += std::to_string(g.BranchSheet[static_cast<std::size_t>(i)]) + '\t';
        galleries += std::to_string(g.BranchGallery[static_cast<std::size_t>(i)]) + '\t';
    }
    w.Line(sheets);
    w.Line(galleries);
    w.Line("Couleur " + ColourToText(g.Colour));
    w.Line("---");
}

void WriteSheet(LineWriter& w, const TFiche& f)
{
    w.Line("Date " + f.Date);
    w.Line("Declinaison " + w.Real(f.Declinaison, 7));
    w.Line(f.DeclUnit == kDegrees ? "Unite_Decli deg" : "Unite_Decli grade");
    w.Line("Nb_Topographes " + std::to_string(f.Surveyors.size()));
    for (const TEco& s : f.Surveyors)
        w.Line(s.Get());
    w.Line("Systeme " + f.Systeme.Get());
    w.Line("Cavite " + f.Cavite.Get());
    w.Line("Reseau " + f.Reseau.Get());
    w.Line("Lieu " + f.Lieu.Get());
    w.Line("Premiere " + w.Real(f.Premiere, 6));
    w.Line("TPST " + f.TPST.Get());
    w.Line("Ordre " + std::to_string(f.Ordre));
    w.Line("Nb_Galerie " + std::to_string(f.Galeries.size()));
    for (const auto& g : f.Galeries)
        WriteGallery(w, *g);
}

// ---- reading ----

void ReadStation(LineReader& r, TPointTopo& p)
{
    p.Final = r.Line() == "Final";
    if (!p.Final) {
        p.Name.Set(r.Text(r.Line()));
        p.Number = static_cast<std::uint8_t>(r.Int(r.Line(), 0, kMaxStationNumber, "número de estación"));
    }
    // X TAB Y TAB Z; the last part runs to the end of the line.
    const auto line = r.Line();
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos)
        r.Fail("faltan coordenadas de la estación");
    p.X = r.Real(line.substr(0, tab1), "X");
    p.Y = r.Real(line.substr(tab1 + 1, tab2 - tab1 - 1), "Y");
    p.Z = r.Real(line.substr(tab2 + 1), "Z");
}

std::uint8_t Token(std::string_view token, const char* const* tokens, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (tokens[i] && token == tokens[i])
            return static_cast<std::uint8_t>(i);
    return kDegrees;
}

void ReadShot(const LineReader& r, std::string_view line, TVisee& v)
{
    FieldReader f(line, r);
    v.Length = f.Real("longitud");
    v.LengthUnit = f.Unit();
    v.Azimuth = f.Real("azimut");
    v.AzimuthUnit = Token(f.Next(), kAzimuthTokens, std::size(kAzimuthTokens));
    v.Inclination = f.Real("inclinación");
    v.InclinationUnit = Token(f.Next(), kInclinationTokens, std::size(kInclinationTokens));
    v.LeftWidth = f.SizeText();
    v.RightWidth = f.SizeText();
    v.WidthUnit = f.Unit();
    v.UpperHeight = f.SizeText();
    v.LowerHeight = f.SizeText();
    v.HeightUnit = f.Unit();
    v.SketchSize = static_cast<std::uint8_t>(f.Int(0, 255, "croquis"));
    v.HorizCorrection = f.Real("corrección horizontal");
    v.HorizCorrectionFlag = f.Flag();
    v.DevCorrection = f.Real("corrección de desarrollo");
    v.DevCorrectionFlag = f.Flag();
    v.CumX = f.Real("X acumulada");
    v.CumY = f.Real("Y acumulada");
    v.CumZ = f.Real("Z acumulada");
    v.HorizLength = f.Real("longitud horizontal");
    v.TopofilFlag = f.Flag();
    if (v.TopofilFlag)
        v.TopofilStart = f.Real("topofil");
    v.Comment.Set(r.Text(f.Rest()));
    if (f.Missing())
        r.Note("campos", "una visual sin todos sus campos: los que faltan se leen vacíos y a 0");
}

std::int32_t Int32(const LineReader& r, std::string_view text, const char* what)
{
    return static_cast<std::int32_t>(r.Int(text, INT32_MIN, INT32_MAX, what));
}

// The first `count` TAB-terminated values of a branch line.
void ReadBranchLine(LineReader& r, int count, std::array<std::int32_t, kMaxBranches>& values)
{
    std::string_view line = r.Line();
    for (int i = 0; i < count; ++i) {
        const auto tab = line.find('\t');
        values[static_cast<std::size_t>(i)] = Int32(r, line.substr(0, tab), "rama");
        line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    }
}

void ReadGallery(LineReader& r, TGalerie& g, int version)
{
    ReadStation(r, g.Start);
    ReadStation(r, g.End);
    g.X = r.RealLine("X");
    g.Y = r.RealLine("Y");
    g.Z = r.RealLine("Z");
    g.TotalLength = r.RealLine("longitud total");
    g.SumSquares = r.RealLine("suma de cuadrados");
    g.Development = r.RealLine("desarrollo");
    g.Deformation = r.RealLine("coeficiente de deformación");
    g.Name.Set(r.Text(r.Line()));
    const int shots = static_cast<int>(r.Int(r.After("Nb_Visee "), 0, kMaxShots, "Nb_Visee"));
    g.Shots.reserve(static_cast<std::size_t>(shots));
    for (int k = 0; k < shots; ++k) {
        TVisee v;
        ReadShot(r, r.Line(), v);
        g.Shots.push_back(std::move(v));
    }
    g.TopofilCoef = r.RealLine("coeficiente topofil");
    for (bool* flag :
        { &g.Positioned, &g.Extra1, &g.Extra2, &g.Extra3, &g.InElevation, &g.ElevFromStart, &g.ElevForward })
        *flag = r.FlagLine();
    g.BranchCount = static_cast<std::int8_t>(r.Int(r.Line(), 0, kMaxBranches, "número de ramas"));
    ReadBranchLine(r, g.BranchCount, g.BranchSheet);
    ReadBranchLine(r, g.BranchCount, g.BranchGallery);
    if (version >= 1004) {
        const auto text = r.After("Couleur ");
        // An unknown colour name is the default colour, with one warning for the whole file.
        const auto colour = ColourFromText(text);
        if (!colour)
            r.Note("color", "color desconocido «" + Excerpt(text) + "», se usa el color por defecto");
        g.Colour = colour.value_or(0);
    }
    r.Skip(); // "---"
}

void ReadSheet(LineReader& r, TFiche& f, int version)
{
    const auto dateLine = r.Line();
    f.Date = std::string(dateLine.substr(std::min<std::size_t>(5, dateLine.size()), kMaxDateText));
    f.Declinaison = r.RealAfter("Declinaison ");
    f.DeclUnit = r.Line() == "Unite_Decli deg" ? kDegrees : kGrades;
    const int surveyors = r.Count("Nb_Topographes ", "Nb_Topographes");
    for (int i = 0; i < surveyors; ++i)
        f.Surveyors.emplace_back(r.Text(r.Line()));
    f.Systeme.Set(r.Text(r.After("Systeme ")));
    f.Cavite.Set(r.Text(r.After("Cavite ")));
    f.Reseau.Set(r.Text(r.After("Reseau ")));
    f.Lieu.Set(r.Text(r.After("Lieu ")));
    f.Premiere = r.RealAfter("Premiere ");
    f.TPST.Set(r.Text(r.After("TPST ")));
    f.Ordre = Int32(r, r.After("Ordre "), "Ordre");
    const int galleries = r.Count("Nb_Galerie ", "Nb_Galerie");
    for (int i = 0; i < galleries; ++i) {
        f.Galeries.push_back(std::make_unique<TGalerie>());
        ReadGallery(r, *f.Galeries.back(), version);
    }
}

// Sheet blocks, each followed by one empty line.
void ReadSheets(
    LineReader& r, int n, std::vector<std::unique_ptr<TFiche>>& list, int version, IProgress* progress)
{
    for (int i = 1; i <= n; ++i) {
        list.push_back(std::make_unique<TFiche>());
        ReadSheet(r, *list.back(), version);
        r.Skip();
        if (progress)
            progress->SetProgress(static_cast<int>(std::lround(100.0 * i / n)));
    }
}

} // namespace

std::string EncodeText(const TMassif& m, const std::string& path, IProgress* progress)
{
    LineWriter w(path);
    w.Line(kVersionKeyword + std::to_string(kFileVersion));
    w.Line("Nb_Fiche " + std::to_string(m.Sheets.size()));
    w.Line();
    const std::size_t n = m.Sheets.size();
    for (std::size_t i = 0; i < n; ++i) {
        WriteSheet(w, *m.Sheets[i]);
        w.Line();
        if (progress) {
            progress->SetProgress(static_cast<int>(std::lround(100.0 * static_cast<double>(i) / n)));
            progress->ProcessEvents();
        }
    }
    w.Line("Nb_Reference " + std::to_string(m.References.size()));
    for (const auto& p : m.References)
        WriteStation(w, *p);
    w.Line("Origine_Declinaison " + w.Real(m.Origine_Declinaison, 6));
    w.Line("Date_Declinaison " + m.Date_Declinaison);
    w.Line("Variation_Declinaison " + w.Real(m.Variation_Declinaison, 6));
    w.Line("Angle_Geodesique " + w.Real(m.Angle_Geodesique, 6));
    w.Line("Nb_Coupe " + std::to_string(m.ElevationPoints.size()));
    for (const auto& p : m.ElevationPoints) {
        w.Line(p->Name.Get());
        w.Line(std::to_string(p->Number));
        w.Line(w.Real(p->ElevX, 7));
        w.Line(w.Real(p->ElevZ, 7));
        w.Line(std::to_string(p->Sheet));
        w.Line(std::to_string(p->Gallery));
    }
    w.Line(kRecycleKeyword + std::to_string(m.RecycleBin.size()));
    w.Line();
    for (const auto& f : m.RecycleBin) {
        WriteSheet(w, *f);
        w.Line();
    }
    w.Line("Nb_Raccourci " + std::to_string(m.Shortcuts.size()));
    w.Line();
    for (std::size_t i = 0; i < m.Shortcuts.size(); ++i)
        w.Line();
    return w.Take();
}

bool StartsAsTextMassif(const std::string& bytes)
{
    return bytes.compare(0, kVersionKeyword.size(), kVersionKeyword) == 0;
}

namespace {

LoadResult ReadMassif(LineReader& r, TMassif& m, IReporter* reporter, IProgress* progress)
{
    LoadResult result;
    result.version = static_cast<int>(r.Int(r.After(kVersionKeyword), INT32_MIN, INT32_MAX, "versión"));
    if (result.version > kFileVersion) {
        result.status = LoadStatus::NewerVersion;
        if (reporter)
            reporter->Message(MessageKind::Warning, kNewerVersionText);
        return result;
    }
    const int version = result.version;
    const int sheets = r.Count("Nb_Fiche ", "Nb_Fiche");
    r.Skip();
    ReadSheets(r, sheets, m.Sheets, version, progress);
    const int references = r.Count("Nb_Reference ", "Nb_Reference");
    for (int i = 0; i < references; ++i) {
        m.References.push_back(std::make_unique<TPointTopo>());
        ReadStation(r, *m.References.back());
    }
    m.Origine_Declinaison = r.RealAfter("Origine_Declinaison ");
    m.Date_Declinaison = std::string(r.After("Date_Declinaison ").substr(0, kMaxDateText));
    m.Variation_Declinaison = r.RealAfter("Variation_Declinaison ");
    m.Angle_Geodesique = r.RealAfter("Angle_Geodesique ");
    const int points = r.Count("Nb_Coupe ", "Nb_Coupe");
    for (int i = 0; i < points; ++i) {
        auto p = std::make_unique<TPointCoupe>();
        p->Name.Set(r.Text(r.Line()));
        p->Number = static_cast<std::uint8_t>(r.Int(r.Line(), 0, kMaxStationNumber, "número de estación"));
        p->ElevX = r.RealLine("X de corte");
        p->ElevZ = r.RealLine("Z de corte");
        p->Sheet = Int32(r, r.Line(), "ficha");
        p->Gallery = Int32(r, r.Line(), "galería");
        m.ElevationPoints.push_back(std::move(p));
    }
    if (version >= 1005) {
        const int bin = r.Count(kRecycleKeyword, "papelera");
        r.Skip();
        ReadSheets(r, bin, m.RecycleBin, version, nullptr);
        // A blank line, then one per shortcut; the last line of the file may be missing.
        const int shortcuts = r.Count("Nb_Raccourci ", "Nb_Raccourci");
        for (int i = 0; i < shortcuts; ++i)
            r.Skip();
        r.SkipIfAny();
        m.Shortcuts.resize(static_cast<std::size_t>(shortcuts));
    }
    // Two massifs end to end read as the first: what follows its end is said, not read.
    if (r.ContentFollows())
        r.Note("fin", "el fichero sigue después del fin del macizo; lo que sigue no se ha leído");
    r.ReportAdaptations();
    m.Adapted = r.Adapted();
    return result;
}

} // namespace

LoadResult DecodeText(
    const std::string& bytes, TMassif& m, const std::string& path, IReporter* reporter, IProgress* progress)
{
    LineReader r(bytes, path, reporter);
    return ReadMassif(r, m, reporter, progress);
}

LoadResult DecodeText(
    TFileBlocks& file, std::string head, TMassif& m, IReporter* reporter, IProgress* progress)
{
    LineReader r(file, std::move(head), reporter);
    return ReadMassif(r, m, reporter, progress);
}

} // namespace ks
