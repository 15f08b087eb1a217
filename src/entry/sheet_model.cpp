// The sheet editor's rows and their commands: insert, delete, copy, import, load a sheet.
#include "entry/sheet_model.h"

#include "entry/sheet_text.h"

#include "compute/reduction.h"
#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>

namespace ks {

using namespace sheet_text;

TSheetModel::TSheetModel(std::vector<TColonne> columns)
    : m_columns(std::move(columns))
{
    NewSheet();
}

int TSheetModel::ColumnOf(std::int16_t code) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].Code == code)
            return static_cast<int>(i);
    return -1;
}

std::string TSheetModel::StationText(const TPointTopo& station)
{
    if (station.Final)
        return "Final";
    if (station.Name.Empty())
        return "*";
    return station.Name.Get() + "(" + std::to_string(station.Number) + ")";
}

TSheetModel::Row TSheetModel::NewShotRow() const
{
    Row row;
    row.kind = Kind::Shot;
    for (const TColonne& c : m_columns)
        row.cells.push_back(c.Code == kColStation ? std::string() : c.Default);
    return row;
}

void TSheetModel::NewSheet()
{
    Fields = TSheetFields {};
    FirstStart = TPointTopo {};
    FirstStart.Final = true;
    FirstInfo = TGalleryInfo {};
    Ended = false;
    FinalEnd = TPointTopo {};
    Junctions.clear();
    m_loaded.reset();
    Row start;
    start.kind = Kind::Start;
    start.cells.assign(m_columns.size(), std::string());
    Rows = { start };
    RefreshStationCells();
    Modified = false;
}

std::string TSheetModel::Marker(int row) const
{
    const Kind kind = Rows[static_cast<std::size_t>(row)].kind;
    if (kind == Kind::Start)
        return "|->";
    if (kind == Kind::Station)
        return "->|";
    int number = 0;
    for (int r = 0; r <= row; ++r)
        number += Rows[static_cast<std::size_t>(r)].kind == Kind::Shot;
    return std::to_string(number);
}

void TSheetModel::RefreshStationCells()
{
    int gallery = -1, junction = 0;
    for (std::size_t r = 0; r < Rows.size(); ++r) {
        Row& row = Rows[r];
        if (row.cells.empty())
            continue;
        if (row.kind == Kind::Start) {
            ++gallery;
            row.cells[0] = StationText(
                gallery == 0 ? FirstStart : Junctions[static_cast<std::size_t>(gallery - 1)].StartBelow);
        } else if (row.kind == Kind::Station) {
            const bool joined = r + 1 < Rows.size() && Rows[r + 1].kind == Kind::Start;
            if (joined && static_cast<std::size_t>(junction) < Junctions.size())
                row.cells[0] = StationText(Junctions[static_cast<std::size_t>(junction++)].EndAbove);
            else if (Ended)
                row.cells[0] = StationText(FinalEnd);
        }
    }
}

TPointTopo* TSheetModel::StationAt(int row)
{
    if (row < 0 || row >= static_cast<int>(Rows.size()))
        return nullptr;
    const Kind kind = Rows[static_cast<std::size_t>(row)].kind;
    if (kind == Kind::Shot)
        return nullptr;
    if (kind == Kind::Start) {
        const int gallery = GalleryOf(row);
        return gallery == 0 ? &FirstStart : &Junctions[static_cast<std::size_t>(gallery - 1)].StartBelow;
    }
    if (row + 1 < static_cast<int>(Rows.size())
        && Rows[static_cast<std::size_t>(row + 1)].kind == Kind::Start)
        return &Junctions[static_cast<std::size_t>(GalleryOf(row))].EndAbove;
    return Ended ? &FinalEnd : nullptr;
}

int TSheetModel::GalleryOf(int row) const
{
    int gallery = -1;
    for (int r = 0; r <= row && r < static_cast<int>(Rows.size()); ++r)
        gallery += Rows[static_cast<std::size_t>(r)].kind == Kind::Start;
    return std::max(gallery, 0);
}

TGalleryInfo& TSheetModel::InfoOf(int gallery)
{
    return gallery <= 0 ? FirstInfo : Junctions[static_cast<std::size_t>(gallery - 1)].Below;
}

namespace {

// The text a shot shows in a column: the cell that validates back to the same shot; nothing for a
// column that shows no field of the shot.
std::optional<std::string> CellText(const TVisee& v, std::int16_t code, double topofilCoef)
{
    switch (code) {
    case kColLength:
        return v.TopofilFlag && topofilCoef != 0
            ? Number(v.TopofilStart) + "/" + Number(v.TopofilStart + v.Length / topofilCoef)
            : Number(v.Length);
    case kColLengthUnit:
        return LengthUnitLabel(v.LengthUnit);
    case kColAzimuth:
        return Number(v.Azimuth);
    case kColAzimuthUnit:
        return AzimuthLabel(v.AzimuthUnit);
    case kColInclination:
        return Number(v.Inclination);
    case kColInclinationUnit:
        return InclinationLabels()[std::min<std::size_t>(v.InclinationUnit, 9)];
    case kColWidth:
        return v.LeftWidth.empty() ? v.RightWidth.str() : v.LeftWidth + "/" + v.RightWidth;
    case kColLeftWidth:
        return v.LeftWidth.str();
    case kColRightWidth:
        return v.RightWidth.str();
    case kColWidthUnit:
        return LengthUnitLabel(v.WidthUnit);
    case kColHeight:
        return v.LowerHeight.empty() ? v.UpperHeight.str() : v.UpperHeight + "/" + v.LowerHeight;
    case kColUpperHeight:
        return v.UpperHeight.str();
    case kColLowerHeight:
        return v.LowerHeight.str();
    case kColHeightUnit:
        return LengthUnitLabel(v.HeightUnit);
    case kColSketch:
        return std::to_string(v.SketchSize);
    case kColComment:
        return v.Comment.Get();
    case kColHorizFlag:
        return v.HorizCorrectionFlag ? "S" : "N";
    case kColHorizCorrection:
        return Number(v.HorizCorrection);
    case kColDevFlag:
        return v.DevCorrectionFlag ? "S" : "N";
    case kColDevCorrection:
        return Number(v.DevCorrection);
    default:
        return std::nullopt;
    }
}

} // namespace

void TSheetModel::Load(const TFiche& sheet)
{
    NewSheet();
    Fields.Systeme = sheet.Systeme.Get();
    Fields.Cavite = sheet.Cavite.Get();
    Fields.Reseau = sheet.Reseau.Get();
    Fields.Lieu = sheet.Lieu.Get();
    Fields.Date = sheet.Date;
    Fields.Premiere = Number(sheet.Premiere);
    Fields.TPST = sheet.TPST.Get();
    Fields.Declination = Number(sheet.Declinaison);
    Fields.DeclinationUnit = sheet.DeclUnit == kGrades ? "gr" : kDegree;
    for (const TEco& s : sheet.Surveyors)
        Fields.Surveyors.push_back(s.Get());
    m_loaded = LoadedSheet { Fields, sheet.Premiere, sheet.Declinaison, sheet.Date, sheet.Surveyors };
    if (sheet.Galeries.empty())
        return;

    Rows.clear();
    auto info = [](const TGalerie& g) {
        return TGalleryInfo { g.Name.Get(), g.Deformation, g.TopofilCoef, g.Colour };
    };
    auto marker = [this](Kind kind) {
        Row row;
        row.kind = kind;
        row.cells.assign(m_columns.size(), std::string());
        return row;
    };
    for (std::size_t gi = 0; gi < sheet.Galeries.size(); ++gi) {
        const TGalerie& g = *sheet.Galeries[gi];
        if (gi == 0) {
            FirstStart.CopyFrom(g.Start);
            FirstStart.Final = g.Start.Final;
            FirstInfo = info(g);
        } else {
            TNoeud junction;
            junction.EndAbove.CopyFrom(sheet.Galeries[gi - 1]->End);
            junction.StartBelow.CopyFrom(g.Start);
            junction.Below = info(g);
            Junctions.push_back(junction);
            Rows.push_back(marker(Kind::Station));
        }
        Rows.push_back(marker(Kind::Start));
        for (const TVisee& v : g.Shots) {
            Row row = NewShotRow();
            for (std::size_t c = 0; c < m_columns.size(); ++c)
                if (auto text = CellText(v, m_columns[c].Code, g.TopofilCoef))
                    row.cells[c] = std::move(*text);
            row.original = std::make_shared<const TVisee>(v);
            row.loaded = row.cells;
            Rows.push_back(row);
        }
    }
    Rows.push_back(marker(Kind::Station));
    FinalEnd.CopyFrom(sheet.Galeries.back()->End);
    FinalEnd.Final = sheet.Galeries.back()->End.Final;
    Ended = true;
    RefreshStationCells();
    Modified = false;
}

std::optional<TRefusal> TSheetModel::InsererVisee(int row)
{
    const int n = static_cast<int>(Rows.size());
    if (row <= 0 || row > n || Rows[static_cast<std::size_t>(row - 1)].kind == Kind::Station)
        return TRefusal { "Imposible unir una visual aquí.", row, 1, "" };
    Rows.insert(Rows.begin() + row, NewShotRow());
    Modified = true;
    return std::nullopt;
}

std::optional<TRefusal> TSheetModel::SupprimerVisees(int first, int last)
{
    if (first < 0 || last >= static_cast<int>(Rows.size()) || first > last)
        return TRefusal { "Esta línea no es una visual.", first, 0, "" };
    for (int r = first; r <= last; ++r) {
        if (Rows[static_cast<std::size_t>(r)].kind != Kind::Shot)
            return TRefusal { first == last
                    ? "Esta línea no es una visual."
                    : "No puede suprimir simultaneamente las visuales y las encrucijadas",
                r, 0, "" };
    }
    Rows.erase(Rows.begin() + first, Rows.begin() + last + 1);
    Modified = true;
    return std::nullopt;
}

void TSheetModel::InsererPoint(
    int row, const TPointTopo& endAbove, const TPointTopo& startBelow, const TGalleryInfo& below)
{
    row = std::clamp(row, 1, static_cast<int>(Rows.size()));
    // The junction's place among the records: the pairs of marker rows above it.
    int pairs = 0;
    for (int r = 0; r + 1 < row; ++r)
        pairs += Rows[static_cast<std::size_t>(r)].kind == Kind::Station
            && Rows[static_cast<std::size_t>(r + 1)].kind == Kind::Start;
    TNoeud junction { endAbove, startBelow, below };
    Junctions.insert(Junctions.begin() + pairs, junction);
    Row station, start;
    station.kind = Kind::Station;
    start.kind = Kind::Start;
    station.cells.assign(m_columns.size(), std::string());
    start.cells.assign(m_columns.size(), std::string());
    Rows.insert(Rows.begin() + row, { station, start });
    RefreshStationCells();
    Modified = true;
}

bool TSheetModel::CanSupprimerPoint(int row) const
{
    const int n = static_cast<int>(Rows.size());
    if (row < 0 || row >= n)
        return false;
    const Kind kind = Rows[static_cast<std::size_t>(row)].kind;
    if (row == n - 1 && kind == Kind::Station)
        return Ended;
    return row > 0 && kind != Kind::Shot;
}

void TSheetModel::SupprimerPoint(int row)
{
    if (!CanSupprimerPoint(row))
        return;
    const int n = static_cast<int>(Rows.size());
    if (row == n - 1) { // the final station: the sheet goes on
        Ended = false;
        FinalEnd = TPointTopo {};
        Rows.pop_back();
        Modified = true;
        return;
    }
    if (Rows[static_cast<std::size_t>(row)].kind == Kind::Start)
        --row; // the station row above it
    int pairs = 0;
    for (int r = 0; r < row; ++r)
        pairs += Rows[static_cast<std::size_t>(r)].kind == Kind::Station
            && Rows[static_cast<std::size_t>(r + 1)].kind == Kind::Start;
    if (static_cast<std::size_t>(pairs) < Junctions.size())
        Junctions.erase(Junctions.begin() + pairs);
    Rows.erase(Rows.begin() + row, Rows.begin() + row + 2);
    RefreshStationCells();
    Modified = true;
}

void TSheetModel::Terminer(int row, const TPointTopo& finalEnd)
{
    row = std::clamp(row, 1, static_cast<int>(Rows.size()));
    // Rows from here down are replaced by the final station row; junctions below go with them.
    int pairs = 0;
    for (int r = 0; r + 1 < row; ++r)
        pairs += Rows[static_cast<std::size_t>(r)].kind == Kind::Station
            && Rows[static_cast<std::size_t>(r + 1)].kind == Kind::Start;
    Junctions.resize(std::min<std::size_t>(Junctions.size(), static_cast<std::size_t>(pairs)));
    Rows.resize(static_cast<std::size_t>(row));
    Row station;
    station.kind = Kind::Station;
    station.cells.assign(m_columns.size(), std::string());
    Rows.push_back(station);
    FinalEnd = finalEnd;
    Ended = true;
    RefreshStationCells();
    Modified = true;
}

void TSheetModel::ContinuerEnBas(const TPointTopo& start, const TGalleryInfo& info)
{
    if (!Ended)
        return;
    TNoeud junction;
    junction.EndAbove = FinalEnd;
    junction.StartBelow = start;
    junction.Below = info;
    Junctions.push_back(junction);
    Ended = false;
    FinalEnd = TPointTopo {};
    Row row;
    row.kind = Kind::Start;
    row.cells.assign(m_columns.size(), std::string());
    Rows.push_back(row);
    RefreshStationCells();
    Modified = true;
}

std::string TSheetModel::CopierTout() const
{
    std::string text;
    for (std::size_t r = 0; r < Rows.size(); ++r) {
        const Row& row = Rows[r];
        std::vector<std::string> cells = row.cells;
        if (row.kind == Kind::Start && cells.size() > 1) {
            // The start row carries the topofil coefficient of the gallery starting there.
            const int gallery = GalleryOf(static_cast<int>(r));
            const double topofil = gallery == 0
                ? FirstInfo.Topofil
                : Junctions[static_cast<std::size_t>(gallery - 1)].Below.Topofil;
            cells[1] = FormatG(topofil, 4);
        }
        for (std::size_t c = 0; c < cells.size(); ++c)
            text += cells[c] + (c + 1 < cells.size() ? "\t" : "\r\n");
    }
    return text;
}

void TSheetModel::Corriger(std::int16_t code, double value, int first, int last)
{
    const int column = ColumnOf(code);
    if (column < 0)
        return;
    for (int r = 0; r < static_cast<int>(Rows.size()); ++r) {
        if (first >= 0 && (r < first || r > last))
            continue;
        Row& row = Rows[static_cast<std::size_t>(r)];
        if (row.kind != Kind::Shot)
            continue;
        std::string& cell = row.cells[static_cast<std::size_t>(column)];
        if (const auto number = ParseReal(cell))
            cell = FormatG(*number + value, 5);
    }
    Modified = true;
}

std::optional<TRefusal> TSheetModel::Importer(
    int row, const std::string& text, const std::vector<int>& ignored)
{
    if (row <= 0 || row > static_cast<int>(Rows.size())
        || Rows[static_cast<std::size_t>(row - 1)].kind != Kind::Station)
        return TRefusal { "Imposible unir una visual aquí.", row, 1, "" };
    std::vector<int> targets; // the measurement columns, unit columns passed over
    for (std::size_t c = 1; c < m_columns.size(); ++c)
        if (m_columns[c].Code < 129)
            targets.push_back(static_cast<int>(c));
    std::size_t pos = 0;
    int r = row;
    while (pos < text.size() && static_cast<int>(Rows.size()) < 1000) {
        auto end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        std::replace(line.begin(), line.end(), ',', '.');
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            if (i == line.size() || line[i] == '\t' || line[i] == '\r') {
                fields.push_back(line.substr(start, i - start));
                start = i + 1;
            }
        }
        if (fields.size() == 1 && Trim(fields[0]).empty())
            continue;
        if (r > static_cast<int>(Rows.size()) - 1 || Rows[static_cast<std::size_t>(r)].kind != Kind::Shot)
            Rows.insert(Rows.begin() + r, NewShotRow());
        std::size_t next = 0;
        for (std::size_t f = 0; f < fields.size() && next < targets.size(); ++f) {
            if (std::find(ignored.begin(), ignored.end(), static_cast<int>(f + 1)) != ignored.end())
                continue;
            Rows[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(targets[next++])]
                = Trim(fields[f]);
        }
        ++r;
    }
    Modified = true;
    return std::nullopt;
}

TEditorWork TSheetModel::ToWork(std::int16_t sheetOrdre) const
{
    TEditorWork w;
    w.Systeme = Fields.Systeme;
    w.Cavite = Fields.Cavite;
    w.Reseau = Fields.Reseau;
    w.Lieu = Fields.Lieu;
    w.Date = Fields.Date;
    w.Declination = Fields.Declination;
    w.DeclinationUnit = Fields.DeclinationUnit;
    w.Surveyors = Fields.Surveyors;
    w.TPST = Fields.TPST;
    w.Premiere = Fields.Premiere;
    w.Columns = static_cast<std::int16_t>(m_columns.size() + 1);
    w.Rows = static_cast<std::int16_t>(Rows.size());
    for (int r = 0; r < static_cast<int>(Rows.size()); ++r) {
        w.Cells.push_back(Marker(r));
        for (const auto& cell : Rows[static_cast<std::size_t>(r)].cells)
            w.Cells.push_back(cell);
    }
    w.SheetOrdre = sheetOrdre;
    w.FirstStart = FirstStart;
    w.FirstInfo = FirstInfo.Info;
    w.FirstDeformation = FirstInfo.Deformation;
    w.FirstTopofil = FirstInfo.Topofil;
    w.Ended = Ended;
    w.FinalEnd = FinalEnd;
    for (const TNoeud& j : Junctions)
        w.Junctions.push_back(
            { j.EndAbove, j.StartBelow, j.Below.Info, j.Below.Deformation, j.Below.Topofil });
    return w;
}

void TSheetModel::FromWork(const TEditorWork& w)
{
    NewSheet();
    Fields.Systeme = w.Systeme;
    Fields.Cavite = w.Cavite;
    Fields.Reseau = w.Reseau;
    Fields.Lieu = w.Lieu;
    Fields.Date = w.Date;
    Fields.Declination = w.Declination;
    Fields.DeclinationUnit = w.DeclinationUnit;
    Fields.Surveyors = w.Surveyors;
    Fields.TPST = w.TPST;
    Fields.Premiere = w.Premiere;
    FirstStart = w.FirstStart;
    FirstInfo = { w.FirstInfo, w.FirstDeformation, w.FirstTopofil, 0 };
    Ended = w.Ended;
    FinalEnd = w.FinalEnd;
    Junctions.clear();
    for (const auto& j : w.Junctions)
        Junctions.push_back({ j.EndAbove, j.StartBelow, { j.Info, j.Deformation, j.Topofil, 0 } });
    Rows.clear();
    const std::size_t columns = static_cast<std::size_t>(std::max<int>(w.Columns, 1));
    for (std::size_t r = 0; r < static_cast<std::size_t>(std::max<int>(w.Rows, 0)); ++r) {
        Row row;
        const std::string marker = r * columns < w.Cells.size() ? w.Cells[r * columns] : std::string();
        row.kind = marker == "|->" ? Kind::Start : marker == "->|" ? Kind::Station : Kind::Shot;
        for (std::size_t c = 1; c < columns && c - 1 < m_columns.size(); ++c)
            row.cells.push_back(r * columns + c < w.Cells.size() ? w.Cells[r * columns + c] : std::string());
        row.cells.resize(m_columns.size());
        Rows.push_back(row);
    }
    if (Rows.empty())
        NewSheet();
    RefreshStationCells();
    Modified = true;
}

bool ValidStationNumber(const std::string& text, int& number)
{
    const auto value = ParseInt(text);
    if (!value || *value < 0 || *value > kMaxStationNumber)
        return false;
    number = static_cast<int>(*value);
    return true;
}

int ProposeNumber(const TMassif& massif, const TSheetModel& sheet, const std::string& name)
{
    const std::string upper = UpperCase(name);
    auto usedInSheet = [&](int n) {
        auto same
            = [&](const TPointTopo& p) { return !p.Final && p.Number == n && p.Name.GetUpper() == upper; };
        if (same(sheet.FirstStart) || (sheet.Ended && same(sheet.FinalEnd)))
            return true;
        for (const TNoeud& j : sheet.Junctions)
            if (same(j.EndAbove) || same(j.StartBelow))
                return true;
        return false;
    };
    int n = massif.NextFreeNumber(upper, 0);
    while (n <= kMaxStationNumber && usedInSheet(n))
        n = massif.NextFreeNumber(upper, n);
    return n;
}

} // namespace ks
