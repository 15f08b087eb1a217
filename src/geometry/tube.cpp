// The sections of a gallery's tube from its passage sizes, and the cylinders at its stations.
#include "geometry/tube.h"

#include "model/colour_names.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

bool Displayed(const TGalerie& g)
{
    return g.Positioned && g.StationCount() == g.ShotCount() && g.ShotCount() > 0;
}

TPoint3 StationPoint(const TGalerie& g, int k)
{
    if (k <= 0 || static_cast<std::size_t>(k) > g.Stations.size())
        return { g.Start.X, g.Start.Y, g.Start.Z };
    const TStationPos& p = g.Stations[static_cast<std::size_t>(k - 1)];
    return { p.X, p.Y, p.Z };
}

double DeformationMax3D(const TMassif& massif)
{
    double best = 0;
    for (TFiche* sheet : massif.CurrentSheets())
        for (const auto& g : sheet->Galeries)
            if (g->Positioned)
                best = std::max(best, std::hypot(g->HorizMisclosure, g->VertMisclosure));
    return best == 0 ? 1.0 : best;
}

TTubeBuilder::TTubeBuilder(const TOptions_Relief& options)
    : m_options(options)
    , m_width(options.Largeur_3D)
{ }

TTubeBuilder::Size TTubeBuilder::SizeAt(const TFiche& sheet, int gallery, int station) const
{
    const double w = m_width;
    if (m_options.Filaire)
        return { w / 2, w / 2, w, 0 };
    const auto [left, right] = sheet.PassageWidths(gallery, station);
    const auto [up, down] = sheet.PassageHeights(gallery, station);
    // Below -0.5: not measured. A missing section is W wide and W high, its floor at the station.
    return { left < -0.5 ? w / 2 : left, right < -0.5 ? w / 2 : right, up < -0.5 ? w : up,
        down < -0.5 ? 0 : down };
}

TSection TTubeBuilder::Section(const TPoint3& p, const Size& s, double azimuth, int unit, double horizontal)
{
    double theta = azimuth * kPi / 180;
    if (unit == kGrades || unit == kBackGrades)
        theta = azimuth * kPi / 200;
    if (unit == kBackDegrees || unit == kBackGrades)
        theta += kPi;
    const double rx = std::cos(theta), ry = -std::sin(theta); // rightward, horizontal
    const double dx = std::sin(theta), dy = std::cos(theta); // forward, horizontal
    auto at = [&](double side, double x, double y, double z) {
        return TPoint3 { p[0] + side * rx + x, p[1] + side * ry + y, p[2] + z };
    };
    if (horizontal >= 0.01) // a vertical section across the passage
        return { at(-s.Left, 0, 0, s.Up), at(s.Right, 0, 0, s.Up), at(s.Right, 0, 0, -s.Down),
            at(-s.Left, 0, 0, -s.Down) };
    // A vertical shot: a horizontal section at the station's height, up ahead and down behind.
    return { at(-s.Left, s.Up * dx, s.Up * dy, 0), at(s.Right, s.Up * dx, s.Up * dy, 0),
        at(s.Right, -s.Down * dx, -s.Down * dy, 0), at(-s.Left, -s.Down * dx, -s.Down * dy, 0) };
}

void TTubeBuilder::Build(const TFiche& sheet, int gallery, std::vector<TSection>& sections)
{
    const TGalerie& g = *sheet.Galeries[static_cast<std::size_t>(gallery)];
    const int n = g.ShotCount();
    sections.resize(static_cast<std::size_t>(n) + 1);
    auto sectionWith = [&](int station, int shot, const Size& size) {
        const TVisee& v = g.Shot(shot);
        return Section(StationPoint(g, station), size, v.Azimuth, v.AzimuthUnit, v.HorizLength);
    };
    for (int k = 0; k <= n; ++k) {
        const Size size = SizeAt(sheet, gallery, k);
        if (k == 0 || k == n) {
            sections[static_cast<std::size_t>(k)] = sectionWith(k, k == 0 ? 1 : n, size);
            continue;
        }
        // Between two shots, the average of the sections along each of them.
        const TSection in = sectionWith(k, k, size), out = sectionWith(k, k + 1, size);
        TSection& mean = sections[static_cast<std::size_t>(k)];
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 3; ++i)
                mean[c][i] = (in[c][i] + out[c][i]) / 2;
    }

    if (g.Start.Final || g.Shot(1).Length == 0)
        return;
    const auto key = std::make_pair(UpperCase(g.Start.Name.Get()), static_cast<int>(g.Start.Number));
    auto found = m_index.find(key);
    if (found == m_index.end()) {
        found = m_index.emplace(key, m_cylinders.size()).first;
        TCylindre cylinder;
        cylinder.Station.CopyFrom(g.Start);
        cylinder.Position = StationPoint(g, 0);
        m_cylinders.push_back(cylinder);
    }
    TCylindre& c = m_cylinders[found->second];
    if (m_options.Filaire) {
        c.Rayon = m_width / 2;
        c.Haut = m_width;
        c.Bas = 0;
        return;
    }
    const Size size = SizeAt(sheet, gallery, 0);
    c.Rayon = std::max({ c.Rayon, size.Left, size.Right });
    c.Haut = std::max(c.Haut, size.Up);
    c.Bas = std::max(c.Bas, size.Down);
}

std::int32_t GalleryColour3D(const TGalerie& g, int mode, double deformationMax, std::int32_t fallback)
{
    std::int32_t colour = fallback;
    if (mode == 2)
        colour = g.Colour;
    else if (mode == 3)
        colour = DeformationColour(static_cast<int>(
            std::nearbyint(60 * std::hypot(g.HorizMisclosure, g.VertMisclosure) / deformationMax)));
    return colour == 0 ? fallback : colour;
}

} // namespace ks
