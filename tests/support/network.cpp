#include "support/network.h"

#include "compute/reduction.h"

#include <cmath>
#include <random>

namespace ks::test {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Point
{
    double x, y, z;
};

// Readings of the shot from a to b in the units of `style`.
TVisee Shot(const Point& a, const Point& b, int style)
{
    const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    const double horizontal = std::hypot(dx, dy);
    double azimuth = std::atan2(dx, dy) * 180 / kPi;
    if (azimuth < 0)
        azimuth += 360;
    const double slope = std::atan2(dz, horizontal) * 180 / kPi;
    TVisee v;
    v.Length = length;
    v.Azimuth = azimuth;
    v.Inclination = slope;
    v.RightWidth = "2";
    v.UpperHeight = "1.5";
    switch (style % 6) {
    case 1:
        v.LengthUnit = kCentimetres;
        v.Length = length * 100;
        v.AzimuthUnit = kGrades;
        v.Azimuth = azimuth / 0.9;
        v.InclinationUnit = kGrades;
        v.Inclination = slope / 0.9;
        break;
    case 2:
        v.AzimuthUnit = kBackDegrees;
        v.Azimuth = azimuth >= 180 ? azimuth - 180 : azimuth + 180;
        v.InclinationUnit = kBackDegrees;
        v.Inclination = -slope;
        break;
    case 3:
        v.InclinationUnit = kSlopeMetres;
        v.Inclination = dz;
        break;
    case 4:
        v.InclinationUnit = kVulcain;
        v.Inclination = slope + 90;
        break;
    case 5:
        v.AzimuthUnit = kBackGrades;
        v.Azimuth = (azimuth >= 180 ? azimuth - 180 : azimuth + 180) / 0.9;
        v.InclinationUnit = kBackSlopeCentimetres;
        v.Inclination = -dz * 100;
        break;
    default:
        break;
    }
    return v;
}

} // namespace

GeneratedNetwork MakeGridNetwork(int side, int shotsPerGallery, unsigned seed)
{
    GeneratedNetwork net;
    net.massif = std::make_unique<TMassif>();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-3, 3);

    const double spacing = 8.0 * shotsPerGallery;
    const Point origin { 712345.0, 4765432.0, 1500.0 };
    std::vector<Point> nodes;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            nodes.push_back({ origin.x + c * spacing + jitter(random),
                origin.y + r * spacing + jitter(random), origin.z - 2.0 * (r + c) + jitter(random) });
    auto nodeName = [side](int index, TPointTopo& p) {
        p.Name.Set("N" + std::to_string(index / side));
        p.Number = static_cast<std::uint8_t>(index % side);
    };

    std::unique_ptr<TFiche> sheet;
    int style = 0;
    auto flush = [&] {
        if (sheet && !sheet->Galeries.empty())
            net.massif->AddSheet(std::move(sheet), false);
        sheet.reset();
    };
    // A gallery from node a along a wiggling path to node b (or to a Final end at `end`).
    auto addGallery = [&](int a, int b, const Point& end) {
        if (!sheet || sheet->Galeries.size() >= 40) {
            flush();
            sheet = std::make_unique<TFiche>();
            sheet->Date = "01/01/95";
            sheet->Systeme.Set("Sistema");
            sheet->Cavite.Set("Red generada");
        }
        auto g = std::make_unique<TGalerie>();
        nodeName(a, g->Start);
        if (b >= 0)
            nodeName(b, g->End);
        else
            g->End.Final = true;
        g->Deformation = 1;
        const Point from = nodes[static_cast<std::size_t>(a)];
        std::vector<Point> path { from };
        for (int k = 1; k < shotsPerGallery; ++k) {
            const double t = static_cast<double>(k) / shotsPerGallery;
            path.push_back({ from.x + (end.x - from.x) * t + jitter(random),
                from.y + (end.y - from.y) * t + jitter(random),
                from.z + (end.z - from.z) * t + jitter(random) * 0.3 });
        }
        path.push_back(end);
        for (std::size_t k = 1; k < path.size(); ++k)
            g->AddShot(Shot(path[k - 1], path[k], style++));
        sheet->Galeries.push_back(std::move(g));
        ReduceGallery(*sheet->Galeries.back(), 0.0);
        const int galleryIndex = static_cast<int>(sheet->Galeries.size()) - 1;
        const int ordre = static_cast<int>(net.massif->Sheets.size()) + 1; // the pending sheet's, once added
        for (std::size_t k = 0; k < path.size(); ++k)
            net.truth.push_back(
                { ordre, galleryIndex, static_cast<int>(k), path[k].x, path[k].y, path[k].z });
        net.shots += shotsPerGallery;
    };

    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            const int here = r * side + c;
            if (c + 1 < side)
                addGallery(here, here + 1, nodes[static_cast<std::size_t>(here + 1)]);
            if (r + 1 < side)
                addGallery(here + side, here, nodes[static_cast<std::size_t>(here)]); // some walked backwards
            if (here % 5 == 2) {
                const Point p = nodes[static_cast<std::size_t>(here)];
                addGallery(here, -1, { p.x + 15, p.y - 20, p.z - 4 });
            }
        }
    }
    flush();

    for (int corner : { 0, side * side - 1 }) {
        auto ref = std::make_unique<TPointTopo>();
        nodeName(corner, *ref);
        const Point p = nodes[static_cast<std::size_t>(corner)];
        ref->X = p.x / 1000;
        ref->Y = p.y / 1000;
        ref->Z = p.z;
        net.massif->References.push_back(std::move(ref));
        if (side == 1)
            break;
    }
    return net;
}

void GridForShots(int shots, int& side, int& shotsPerGallery)
{
    // Galleries: 2 side (side - 1) grid edges and about side² / 5 blind ones; at most 31 x 31
    // junctions so that the adjustment stays under 1000 equations.
    side = std::max(2, std::min(31, static_cast<int>(std::sqrt(shots / 20.0))));
    const double galleries = 2.0 * side * (side - 1) + side * side / 5.0;
    shotsPerGallery = std::max(1, std::min(128, static_cast<int>(shots / galleries)));
}

} // namespace ks::test
