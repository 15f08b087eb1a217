// The massif's sheet lists, selection and station look-ups.
#include "model/massif.h"

#include "model/massif_codec.h"

#include "model/text_utils.h"

#include <algorithm>
#include <filesystem>

TMassif::TMassif()
{
    Sheets.reserve(16);
    RecycleBin.reserve(5);
}

TMassif::~TMassif()
{
    // Owned lists go in a fixed order; the selection only names sheets and goes last.
    Sheets.clear();
    References.clear();
    ElevationPoints.clear();
    RecycleBin.clear();
    Shortcuts.clear();
    Selection.reset();
}

std::vector<TFiche*> TMassif::CurrentSheets() const
{
    if (SelectionActive && Selection)
        return *Selection;
    std::vector<TFiche*> all;
    all.reserve(Sheets.size());
    for (const auto& sheet : Sheets)
        if (sheet)
            all.push_back(sheet.get());
    return all;
}

void TMassif::CompactSheets()
{
    Sheets.erase(std::remove(Sheets.begin(), Sheets.end(), nullptr), Sheets.end());
}

int TMassif::NextFreeNumber(const std::string& upperName, int start) const
{
    int candidate = start + 1;
    if (Sheets.empty())
        return candidate;
    auto taken = [&](const TPointTopo& station) {
        return !station.Final && station.Number == candidate && station.Name.GetUpper() == upperName;
    };
    bool found = true;
    while (found && candidate <= ks::kMaxStationNumber) {
        found = false;
        for (auto sheet = Sheets.rbegin(); sheet != Sheets.rend() && !found; ++sheet) {
            if (!*sheet)
                continue;
            for (const auto& gallery : (*sheet)->Galeries) {
                if (taken(gallery->Start) || taken(gallery->End)) {
                    found = true;
                    break;
                }
            }
        }
        if (found)
            ++candidate;
    }
    return candidate;
}

TFiche* TMassif::AddSheet(std::unique_ptr<TFiche> sheet, bool alsoSelect)
{
    CompactSheets();
    std::int32_t highest = 0;
    for (const auto& s : Sheets)
        highest = std::max(highest, s->Ordre);
    for (const auto& s : RecycleBin)
        highest = std::max(highest, s->Ordre);
    sheet->Ordre = highest + 1;
    TFiche* added = sheet.get();
    Sheets.push_back(std::move(sheet));
    if (alsoSelect && Selection)
        Selection->push_back(added);
    Computed = false;
    return added;
}

std::unique_ptr<TFiche> TMassif::ReplaceSheet(TFiche* old, std::unique_ptr<TFiche> replacement)
{
    replacement->Ordre = old->Ordre;
    std::unique_ptr<TFiche> removed;
    auto it = std::find_if(Sheets.begin(), Sheets.end(), [old](const auto& s) { return s.get() == old; });
    if (it != Sheets.end()) {
        removed = std::move(*it);
        Sheets.erase(it);
    }
    TFiche* added = replacement.get();
    Sheets.push_back(std::move(replacement));
    if (SelectionActive && Selection) {
        auto sel = std::find(Selection->begin(), Selection->end(), old);
        if (sel != Selection->end()) {
            Selection->erase(sel);
            Selection->push_back(added);
        }
    }
    Computed = false;
    return removed;
}

void TMassif::DiscardSheet(TFiche* sheet)
{
    auto it = std::find_if(Sheets.begin(), Sheets.end(), [sheet](const auto& s) { return s.get() == sheet; });
    if (it == Sheets.end())
        return;
    std::unique_ptr<TFiche> owned = std::move(*it);
    Sheets.erase(it);
    if (SelectionActive && Selection)
        Selection->erase(std::remove(Selection->begin(), Selection->end(), sheet), Selection->end());
    RecycleBin.push_back(std::move(owned));
    Computed = false;
}

void TMassif::SortSheets()
{
    CompactSheets();
    auto byOrdre = [](const TFiche* a, const TFiche* b) { return a->Ordre < b->Ordre; };
    std::stable_sort(Sheets.begin(), Sheets.end(),
        [&](const auto& a, const auto& b) { return byOrdre(a.get(), b.get()); });
    if (SelectionActive && Selection)
        std::stable_sort(Selection->begin(), Selection->end(), byOrdre);
}

void TMassif::Isolate(std::vector<TFiche*> sheets)
{
    Selection = std::move(sheets);
    SelectionActive = true;
    TableLaidOut = false;
}

void TMassif::EndSelection()
{
    Selection.reset();
    SelectionActive = false;
    TableLaidOut = false;
}

void TMassif::ClearReferences()
{
    References.clear();
    Computed = false;
}

const TPointTopo* TMassif::PositionedStation(const TPointTopo& station) const
{
    for (const auto& sheet : Sheets) {
        if (!sheet)
            continue;
        for (const auto& g : sheet->Galeries)
            if (g->Positioned)
                for (const TPointTopo* point : { &g->Start, &g->End })
                    if (point->SameStation(station))
                        return point;
    }
    return nullptr;
}

void TMassif::PlaceAllStations()
{
    for (const auto& sheet : Sheets)
        if (sheet)
            for (const auto& gallery : sheet->Galeries)
                gallery->PlaceStations();
    Computed = true;
    ElevationPlaced = false; // the stations' developed distances went with them
}

namespace {

// The file name's extension, dot included, upper-cased; empty when it has none.
std::string UpperExtension(const std::string& fileName)
{
    const auto slash = fileName.find_last_of("/\\");
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return ks::UpperCase(fileName.substr(dot));
}

} // namespace

std::string ks::MassifName(const std::string& fileName)
{
    const std::string name = std::filesystem::path(fileName).filename().string();
    return name.empty() ? "Sin nombre" : name;
}

bool ks::IsTextFileName(const std::string& fileName)
{
    return UpperExtension(fileName) == ".MAS";
}

bool ks::IsTextMassif(const std::string& fileName, const std::string& bytes)
{
    // A backup ("name.BAK") or a file of any other name than ".fic" is read by its content.
    return IsTextFileName(fileName) || (UpperExtension(fileName) != ".FIC" && StartsAsTextMassif(bytes));
}

bool ks::PositionedBox(const TMassif& massif, double min[3], double max[3])
{
    bool any = false;
    auto take = [&](double x, double y, double z) {
        const double v[3] = { x, y, z };
        for (int i = 0; i < 3; ++i) {
            min[i] = any ? std::min(min[i], v[i]) : v[i];
            max[i] = any ? std::max(max[i], v[i]) : v[i];
        }
        any = true;
    };
    for (TFiche* sheet : massif.CurrentSheets()) {
        for (const auto& g : sheet->Galeries) {
            if (!g->Positioned)
                continue;
            take(g->Start.X, g->Start.Y, g->Start.Z);
            for (const TStationPos& p : g->Stations)
                take(p.X, p.Y, p.Z);
            if (g->Stations.empty() && !g->End.Final)
                take(g->End.X, g->End.Y, g->End.Z);
        }
    }
    return any;
}
