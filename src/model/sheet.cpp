// Survey sheets: copies, teams, places, passage sizes at a station.
#include "model/sheet.h"

#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// A passage size text: a decimal number, or one followed by a single trailing character.
std::optional<double> SizeValue(const std::string& text, std::uint8_t unit)
{
    auto value = ks::ParseReal(text);
    if (!value && !text.empty())
        value = ks::ParseReal(std::string_view(text).substr(0, text.size() - 1));
    if (value && unit == ks::kCentimetres)
        *value *= 0.01;
    return value;
}

} // namespace

void TFiche::CopyFrom(const TFiche& other)
{
    for (const auto& source : other.Galeries) {
        auto copy = std::make_unique<TGalerie>();
        copy->CopyFrom(*source);
        Galeries.push_back(std::move(copy));
    }
    Date = other.Date;
    DeclUnit = other.DeclUnit;
    Surveyors.insert(Surveyors.end(), other.Surveyors.begin(), other.Surveyors.end());
    Systeme = other.Systeme;
    Cavite = other.Cavite;
    Reseau = other.Reseau;
    Lieu = other.Lieu;
    TPST = other.TPST;
    Declinaison = other.Declinaison;
    Premiere = other.Premiere;
    TableFirst = 0;
    TableLast = 0;
}

bool TFiche::SameTeam(const TFiche& other) const
{
    if (Date != other.Date || Surveyors.size() != other.Surveyors.size())
        return false;
    for (std::size_t i = 0; i < Surveyors.size(); ++i)
        if (Surveyors[i].GetUpper() != other.Surveyors[i].GetUpper())
            return false;
    return true;
}

bool TFiche::SamePlace(const TFiche& other) const
{
    return Systeme == other.Systeme && Cavite == other.Cavite && Reseau == other.Reseau && Lieu == other.Lieu;
}

bool TFiche::SameLevel(const TFiche& other, int level) const
{
    switch (level) {
    case 1:
        return SamePlace(other);
    case 2:
        return Systeme == other.Systeme && Cavite == other.Cavite && Reseau == other.Reseau;
    case 3:
        return Systeme == other.Systeme && Cavite == other.Cavite;
    case 4:
        return Systeme == other.Systeme;
    default:
        return this == &other;
    }
}

namespace {

// Finds a value at the far station of shot `shot` of gallery `gallery`. At a gallery start (shot 0)
// the value comes from the last shot of the nearest earlier gallery ending at that station for
// which `read` gives a value.
template <typename Read>
std::optional<double> AtStation(
    const TFiche& sheet, int gallery, int shot, const TStationEnds* ends, Read read)
{
    if (gallery < 0 || static_cast<std::size_t>(gallery) >= sheet.Galeries.size())
        return std::nullopt;
    const TGalerie& g = *sheet.Galeries[static_cast<std::size_t>(gallery)];
    if (shot >= 1)
        return shot <= g.ShotCount() ? read(g.Shot(shot)) : std::nullopt;
    auto fromEnd = [&](int k) -> std::optional<double> {
        const TGalerie& before = *sheet.Galeries[static_cast<std::size_t>(k)];
        if (before.ShotCount() == 0 || !before.End.SameStation(g.Start))
            return std::nullopt;
        return read(before.Shot(before.ShotCount()));
    };
    if (ends) {
        for (int k : ends->Before(gallery))
            if (auto value = fromEnd(k))
                return value;
        return std::nullopt;
    }
    for (int k = gallery - 1; k >= 0; --k)
        if (auto value = fromEnd(k))
            return value;
    return std::nullopt;
}

} // namespace

std::pair<double, double> TFiche::PassageHeights(int gallery, int shot, const TStationEnds* ends) const
{
    const auto up = AtStation(
        *this, gallery, shot, ends, [](const TVisee& v) { return SizeValue(v.UpperHeight, v.HeightUnit); });
    const auto down = AtStation(*this, gallery, shot, ends, [](const TVisee& v) -> std::optional<double> {
        if (v.LowerHeight.empty() && !v.UpperHeight.empty())
            return 0.0; // a single height measured from the floor
        return SizeValue(v.LowerHeight, v.HeightUnit);
    });
    return { up.value_or(-1), down ? std::fabs(*down) : -1 };
}

std::pair<double, double> TFiche::PassageWidths(int gallery, int shot, const TStationEnds* ends) const
{
    const auto right = AtStation(*this, gallery, shot, ends, [](const TVisee& v) -> std::optional<double> {
        auto value = SizeValue(v.RightWidth, v.WidthUnit);
        return value && v.LeftWidth.empty() ? std::optional<double>(*value * 0.5) : value;
    });
    const auto left = AtStation(*this, gallery, shot, ends, [](const TVisee& v) -> std::optional<double> {
        auto single = SizeValue(v.RightWidth, v.WidthUnit);
        if (single && v.LeftWidth.empty())
            return *single * 0.5;
        return SizeValue(v.LeftWidth, v.WidthUnit);
    });
    return { left.value_or(-1), right.value_or(-1) };
}

TStationEnds::TStationEnds(const TFiche& sheet)
    : m_sheet(sheet)
{
    for (std::size_t g = 0; g < sheet.Galeries.size(); ++g) {
        const TPointTopo& end = sheet.Galeries[g]->End;
        if (!end.Final)
            m_ends[ks::StationKey(end)].push_back(static_cast<int>(g));
    }
}

std::vector<int> TStationEnds::Before(int gallery) const
{
    const TPointTopo& start = m_sheet.Galeries[static_cast<std::size_t>(gallery)]->Start;
    if (start.Final)
        return {};
    const auto it = m_ends.find(ks::StationKey(start));
    if (it == m_ends.end())
        return {};
    const std::vector<int>& all = it->second;
    std::vector<int> before(all.begin(), std::lower_bound(all.begin(), all.end(), gallery));
    std::reverse(before.begin(), before.end());
    return before;
}
