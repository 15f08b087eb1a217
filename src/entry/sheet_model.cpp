#include "entry/sheet_model.h"

#include "compute/reduction.h"
#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string Number(double value)
{
    return FormatG(value, 10);
}

const char* kDegree = "\xB0";

// Codes of the azimuth labels °, gr, -°, -gr.
constexpr std::uint8_t kAzimuthCodes[] = { kDegrees, kGrades, kBackDegrees, kBackGrades };

int IndexOf(const std::vector<std::string>& labels, const std::string& typed)
{
    std::string unit;
    if (!MatchUnit(labels, typed, unit))
        return -1;
    return static_cast<int>(std::find(labels.begin(), labels.end(), unit) - labels.begin());
}

std::string AzimuthLabel(std::uint8_t code)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (kAzimuthCodes[i] == code)
            return AzimuthLabels()[i];
    return AzimuthLabels()[0];
}

} // namespace

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
            for (std::size_t c = 0; c < m_columns.size(); ++c) {
                std::string& cell = row.cells[c];
                switch (m_columns[c].Code) {
                case kColLength:
                    cell = v.TopofilFlag && g.TopofilCoef != 0
                        ? Number(v.TopofilStart) + "/" + Number(v.TopofilStart + v.Length / g.TopofilCoef)
                        : Number(v.Length);
                    break;
                case kColLengthUnit:
                    cell = LengthUnitLabel(v.LengthUnit);
                    break;
                case kColAzimuth:
                    cell = Number(v.Azimuth);
                    break;
                case kColAzimuthUnit:
                    cell = AzimuthLabel(v.AzimuthUnit);
                    break;
                case kColInclination:
                    cell = Number(v.Inclination);
                    break;
                case kColInclinationUnit:
                    cell = InclinationLabels()[std::min<std::size_t>(v.InclinationUnit, 9)];
                    break;
                case kColWidth:
                    cell = v.LeftWidth.empty() ? v.RightWidth : v.LeftWidth + "/" + v.RightWidth;
                    break;
                case kColLeftWidth:
                    cell = v.LeftWidth;
                    break;
                case kColRightWidth:
                    cell = v.RightWidth;
                    break;
                case kColWidthUnit:
                    cell = LengthUnitLabel(v.WidthUnit);
                    break;
                case kColHeight:
                    cell = v.LowerHeight.empty() ? v.UpperHeight : v.UpperHeight + "/" + v.LowerHeight;
                    break;
                case kColUpperHeight:
                    cell = v.UpperHeight;
                    break;
                case kColLowerHeight:
                    cell = v.LowerHeight;
                    break;
                case kColHeightUnit:
                    cell = LengthUnitLabel(v.HeightUnit);
                    break;
                case kColSketch:
                    cell = std::to_string(v.SketchSize);
                    break;
                case kColComment:
                    cell = v.Comment.Get();
                    break;
                case kColHorizFlag:
                    cell = v.HorizCorrectionFlag ? "S" : "N";
                    break;
                case kColHorizCorrection:
                    cell = Number(v.HorizCorrection);
                    break;
                case kColDevFlag:
                    cell = v.DevCorrectionFlag ? "S" : "N";
                    break;
                case kColDevCorrection:
                    cell = Number(v.DevCorrection);
                    break;
                default:
                    break;
                }
            }
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

std::unique_ptr<TFiche> TSheetModel::Validate(
    const TMassif& massif, const TFiche* old, TRefusal& refusal) const
{
    auto refuse = [&refusal](const std::string& message, int row, int column, const char* field = "") {
        refusal = TRefusal { message, row, column, field };
        return nullptr;
    };
    const int last = static_cast<int>(Rows.size()) - 1;
    if (Rows.empty() || Rows.back().kind != Kind::Station)
        return refuse("La ficha no termina sobre un punto topo", last, 0);

    auto sheet = std::make_unique<TFiche>();
    sheet->Systeme.Set(Fields.Systeme);
    sheet->Cavite.Set(Fields.Cavite);
    sheet->Reseau.Set(Fields.Reseau);
    sheet->Lieu.Set(Fields.Lieu);
    // A field still showing its loaded text keeps the sheet's own value.
    const LoadedSheet* loaded = m_loaded ? &*m_loaded : nullptr;
    const auto declination = loaded && Fields.Declination == loaded->Fields.Declination
        ? std::optional<double>(loaded->Declinaison)
        : ParseReal(Fields.Declination);
    if (!declination)
        return refuse("La declinación debe de ser numérica\rejemplo 2.53", -1, -1, "Declinacion");
    if (Fields.DeclinationUnit != kDegree && Fields.DeclinationUnit != "gr")
        return refuse("La declinación debe de ser en ° o en gr.", -1, -1, "Unidad");
    sheet->Declinaison = *declination;
    sheet->DeclUnit = Fields.DeclinationUnit == "gr" ? kGrades : kDegrees;
    const auto premiere = loaded && Fields.Premiere == loaded->Fields.Premiere
        ? std::optional<double>(loaded->Premiere)
        : ParseReal(Fields.Premiere);
    if (!premiere)
        return refuse("La primicia debe de ser numérica\rejemplo 103.5", -1, -1, "Primicia");
    sheet->Premiere = *premiere;
    sheet->TPST.Set(Fields.TPST);
    if (loaded && Fields.Date == loaded->Fields.Date) {
        sheet->Date = loaded->Date;
    } else {
        std::string date = Fields.Date.substr(0, kMaxDateText);
        for (std::size_t i : { std::size_t(0), std::size_t(3) })
            if (i < date.size() && date[i] == ' ')
                date[i] = '0';
        sheet->Date = date;
    }
    auto typedNames = [](const std::vector<std::string>& names) {
        std::vector<std::string> kept;
        for (const auto& name : names)
            if (!Trim(name).empty())
                kept.push_back(name);
        return kept;
    };
    if (loaded && typedNames(Fields.Surveyors) == typedNames(loaded->Fields.Surveyors))
        sheet->Surveyors = loaded->Surveyors;
    else
        for (const auto& name : typedNames(Fields.Surveyors))
            sheet->Surveyors.emplace_back(name);

    // Galleries: a start row, its shots, and the station row that ends it.
    int gallery = -1, junction = 0;
    std::unique_ptr<TGalerie> current;
    TGalleryInfo info;
    for (int r = 0; r <= last; ++r) {
        const Row& row = Rows[static_cast<std::size_t>(r)];
        if (row.kind == Kind::Start) {
            ++gallery;
            current = std::make_unique<TGalerie>();
            current->Start
                = gallery == 0 ? FirstStart : Junctions[static_cast<std::size_t>(gallery - 1)].StartBelow;
            info = gallery == 0 ? FirstInfo : Junctions[static_cast<std::size_t>(gallery - 1)].Below;
            continue;
        }
        if (!current)
            return refuse("La ficha no termina sobre un punto topo", r, 0);
        if (row.kind == Kind::Station) {
            if (current->ShotCount() == 0)
                return refuse("Debe de haber por lo menos una visual entre dos encrucijadas", r, 0);
            const bool joined = r < last && Rows[static_cast<std::size_t>(r + 1)].kind == Kind::Start;
            current->End = joined ? Junctions[static_cast<std::size_t>(junction++)].EndAbove : FinalEnd;
            current->Name.Set(info.Info);
            current->Deformation = info.Deformation;
            current->TopofilCoef = info.Topofil;
            current->Colour = info.Colour;
            current->Extra3 = true;
            sheet->Galeries.push_back(std::move(current));
            continue;
        }
        if (current->ShotCount() >= kMaxShots)
            return refuse(
                "Una galería no puede tener más de 128 visuales: inserte un punto para partirla.", r, 0);

        // An unchanged row is the shot it was loaded from.
        if (row.original && row.cells == row.loaded) {
            current->AddShot(*row.original);
            continue;
        }
        // A shot row, column by column. A loaded shot keeps the fields that have no column in
        // this layout and those whose cells were not changed.
        TVisee v = row.original ? *row.original : TVisee {};
        bool hasLength = false, hasAzimuth = false, hasInclination = false;
        const bool firstShot = current->ShotCount() == 0;
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            const std::string text = Trim(row.cells[c]);
            const int col = static_cast<int>(c);
            if (row.original && c < row.loaded.size() && row.cells[c] == row.loaded[c]) {
                const std::int16_t code = m_columns[c].Code;
                hasLength |= code == kColLength;
                hasAzimuth |= code == kColAzimuth;
                hasInclination |= code == kColInclination;
                continue;
            }
            auto number = [&](const char* message) -> std::optional<double> {
                if (text.empty())
                    return std::nullopt;
                const auto value = ParseReal(text);
                if (!value)
                    refusal = TRefusal { message, r, col, "" };
                return value;
            };
            auto unit = [&](const char* message, std::uint8_t& code) {
                const int index = IndexOf(LengthLabels(), text);
                if (index < 0) {
                    refusal = TRefusal { message, r, col, "" };
                    return false;
                }
                code = static_cast<std::uint8_t>(index);
                return true;
            };
            auto size = [&](std::string& target, const char* message, const std::string& value) {
                if (value.size() >= 10) {
                    refusal = TRefusal { message, r, col, "" };
                    return false;
                }
                target = value;
                return true;
            };
            // A single width or height column shows two sizes as "first/second"; a size alone is
            // the first one when `aloneIsFirst`, else the second, and the other one is empty.
            auto sizes
                = [&](std::string& first, std::string& second, bool aloneIsFirst, const char* message) {
                      const auto slash = text.find('/');
                      if (slash != std::string::npos)
                          return size(first, message, Trim(text.substr(0, slash)))
                              && size(second, message, Trim(text.substr(slash + 1)));
                      return size(aloneIsFirst ? second : first, message, std::string())
                          && size(aloneIsFirst ? first : second, message, text);
                  };
            auto flag = [&](bool& target, const char* message) {
                const char first = text.empty() ? 'N' : UpperChar(text[0]);
                if (first != 'S' && first != 'N') {
                    refusal = TRefusal { message, r, col, "" };
                    return false;
                }
                target = first == 'S';
                return true;
            };
            switch (m_columns[c].Code) {
            case kColLength:
                if (const auto slash = text.find('/'); slash != std::string::npos) {
                    const auto a = ParseReal(text.substr(0, slash)), b = ParseReal(text.substr(slash + 1));
                    if (!a || !b)
                        return refuse("Las longitudes Topofil no son correctas", r, col);
                    v.Length = (*b - *a) * info.Topofil;
                    if (v.Length < 0.01)
                        return refuse("La longitud Topofil es negativa", r, col);
                    v.TopofilFlag = true;
                    v.TopofilStart = *a;
                    hasLength = true;
                } else if (!text.empty()) {
                    v.TopofilFlag = false;
                    v.TopofilStart = 0;
                    const auto length = number("La longitud no es correcta");
                    if (!length)
                        return nullptr;
                    if (*length < -0.001)
                        return refuse("La longitud debe de ser positiva", r, col);
                    if (std::fabs(*length) < 0.001 && !firstShot)
                        return refuse("La longitud no debe de ser nula", r, col);
                    v.Length = *length;
                    hasLength = true;
                }
                break;
            case kColAzimuth:
                if (!text.empty()) {
                    const auto value = number("El rumbo no es correcto");
                    if (!value)
                        return nullptr;
                    v.Azimuth = *value;
                    hasAzimuth = true;
                }
                break;
            case kColInclination:
                if (!text.empty()) {
                    const auto value = number("La inclinación no es correcta");
                    if (!value)
                        return nullptr;
                    v.Inclination = *value;
                    hasInclination = true;
                }
                break;
            case kColLengthUnit:
                if (!unit("La unidad de longitud debe de estar en m o cm.", v.LengthUnit))
                    return nullptr;
                break;
            case kColAzimuthUnit: {
                const int index = IndexOf(AzimuthLabels(), text);
                if (index < 0)
                    return refuse("La unidad de rumbo debe de estar en ° o gr.", r, col);
                v.AzimuthUnit = kAzimuthCodes[index];
                break;
            }
            case kColInclinationUnit: {
                const int index = IndexOf(InclinationLabels(), text);
                if (index < 0)
                    return refuse("La unidad de inclinación no es correcta.", r, col);
                v.InclinationUnit = static_cast<std::uint8_t>(index);
                break;
            }
            case kColLeftWidth:
                if (!size(v.LeftWidth, "La definición de la anchura izquierda debe de ser inferior a diez.",
                        text))
                    return nullptr;
                break;
            case kColRightWidth:
                if (!size(v.RightWidth, "La definición de la anchura derecha debe de ser inferior a diez.",
                        text))
                    return nullptr;
                break;
            case kColWidth:
                // A width alone is the single width, held on the right.
                if (!sizes(v.LeftWidth, v.RightWidth, false,
                        "La definición de la anchura debe de ser inferior a diez."))
                    return nullptr;
                break;
            case kColWidthUnit:
                if (!unit("La unidad de anchura debe de estar en m o cm.", v.WidthUnit))
                    return nullptr;
                break;
            case kColUpperHeight:
                if (!size(v.UpperHeight,
                        "La definición de la altura superior debe de ser inferior a diez caracteres.", text))
                    return nullptr;
                break;
            case kColLowerHeight:
                if (!size(v.LowerHeight,
                        "La definición de la altura inferior debe de ser inferior a diez caracteres.", text))
                    return nullptr;
                break;
            case kColHeight:
                if (!sizes(v.UpperHeight, v.LowerHeight, true,
                        "La definición de la altura debe de ser inferior a diez caracteres."))
                    return nullptr;
                break;
            case kColHeightUnit:
                if (!unit("La unidad de altura debe de estar en m o cm.", v.HeightUnit))
                    return nullptr;
                break;
            case kColSketch:
                v.SketchSize = 0;
                if (!text.empty()) {
                    const auto value = ParseInt(text);
                    if (!value || *value < 0 || *value > 255)
                        return refuse("El tamaño del esquema debe de ser numérico.", r, col);
                    v.SketchSize = static_cast<std::uint8_t>(*value);
                }
                break;
            case kColComment:
                v.Comment.Set(row.cells[c]);
                break;
            case kColHorizFlag:
                if (!flag(
                        v.HorizCorrectionFlag, "Introducir S o N para la pregunta de corrección horizontal."))
                    return nullptr;
                break;
            case kColHorizCorrection:
                v.HorizCorrection = 0;
                if (!text.empty()) {
                    const auto value = number("La corrección horizontal debe de ser numérica.");
                    if (!value)
                        return nullptr;
                    v.HorizCorrection = *value;
                }
                break;
            case kColDevFlag:
                if (!flag(v.DevCorrectionFlag,
                        "Introducir S o N para la pregunta de corrección de desarrollo."))
                    return nullptr;
                break;
            case kColDevCorrection:
                v.DevCorrection = 0;
                if (!text.empty()) {
                    const auto value = number("La corrección del desarrollo debe de ser numérica.");
                    if (!value)
                        return nullptr;
                    v.DevCorrection = *value;
                }
                break;
            default:
                break;
            }
        }
        // Bounds, once the units are known; the reversed codes have none.
        const int inc = ColumnOf(kColInclination), az = ColumnOf(kColAzimuth);
        const double length = v.LengthUnit == kCentimetres ? v.Length * 0.01 : v.Length;
        if (hasInclination) {
            const double i = v.Inclination;
            if ((v.InclinationUnit == kSlopeMetres && std::fabs(i) > length)
                || (v.InclinationUnit == kSlopeCentimetres && std::fabs(i * 0.01) > length))
                return refuse("La inclinación debe de ser inferior a la longitud.", r, inc);
            if (v.InclinationUnit == kDegrees && std::fabs(i) >= 91)
                return refuse("La inclinación debe de ser inferior a 90°.", r, inc);
            if (v.InclinationUnit == kVulcain && !(i > -1 && i < 181))
                return refuse("La inclinación Vulcain debe de estar comprendida entre 0 y 180°.", r, inc);
            if (v.InclinationUnit == kGrades && std::fabs(i) > 100.1)
                return refuse("La inclinación debe de ser inferior a 100°.", r, inc);
        }
        if (hasAzimuth) {
            if (v.AzimuthUnit == kDegrees && !(v.Azimuth > -1 && v.Azimuth < 361))
                return refuse("El rumbo debe de estar comprendido entre 0 y 360°.", r, az);
            if (v.AzimuthUnit == kGrades && !(v.Azimuth > -1 && v.Azimuth < 401))
                return refuse("El rumbo debe de estar comprendido entre 0 y 400 gr.", r, az);
        }
        if (!hasLength || !hasAzimuth || !hasInclination)
            return refuse("La visual está incompleta.", r,
                !hasLength        ? ColumnOf(kColLength)
                    : !hasAzimuth ? az
                                  : inc);
        current->AddShot(v);
    }

    ReduceSheet(*sheet, massif.Angle_Geodesique);
    // The developed elevation stays with the galleries when their number did not change. A
    // gallery whose readings did not change, under the same declination, stays as it was, with
    // its reduction and its computed position.
    if (old && old->Galeries.size() == sheet->Galeries.size()) {
        const bool sameDeclination
            = old->Declinaison == sheet->Declinaison && old->DeclUnit == sheet->DeclUnit;
        for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
            TGalerie& g = *sheet->Galeries[i];
            const TGalerie& o = *old->Galeries[i];
            if (sameDeclination && g.SameReadings(o)) {
                g = o;
                continue;
            }
            g.InElevation = o.InElevation;
            g.ElevFromStart = o.ElevFromStart;
            g.ElevForward = o.ElevForward;
            g.BranchCount = o.BranchCount;
            g.BranchSheet = o.BranchSheet;
            g.BranchGallery = o.BranchGallery;
            g.ElevX = o.ElevX;
            g.ElevZ = o.ElevZ;
        }
    }
    return sheet;
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
