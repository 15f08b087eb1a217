#include "support/network.h"

#include "compute/reduction.h"

#include <cmath>
#include <map>
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

namespace {

GeneratedNetwork Grid(int side, int shotsPerGallery, unsigned seed, bool blind, double noise)
{
    GeneratedNetwork net;
    net.massif = std::make_unique<TMassif>();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-3, 3);
    std::normal_distribution<double> error(0, noise > 0 ? noise : 1);

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
        for (std::size_t k = 1; k < path.size(); ++k) {
            Point to = path[k];
            if (noise > 0)
                to = { to.x + error(random), to.y + error(random), to.z + error(random) };
            g->AddShot(Shot(path[k - 1], to, style++));
        }
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
            if (blind && here % 5 == 2) {
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
        if (side == 1 || !blind)
            break;
    }
    return net;
}

} // namespace

GeneratedNetwork MakeGridNetwork(int side, int shotsPerGallery, unsigned seed)
{
    return Grid(side, shotsPerGallery, seed, true, 0);
}

GeneratedNetwork MakeMaze(int side, int shotsPerGallery, double noise, unsigned seed)
{
    return Grid(side, shotsPerGallery, seed, false, noise);
}

GeneratedNetwork MakeBranchingCave(int shots, unsigned seed)
{
    GeneratedNetwork net;
    net.massif = std::make_unique<TMassif>();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::normal_distribution<double> error(0, 0.05);

    // Stations at gallery ends: their names and true positions.
    std::vector<Point> ends { { 512000.0, 4712000.0, 1200.0 } };
    auto name = [](int index, TPointTopo& p) {
        p.Name.Set("C" + std::to_string(index / 200));
        p.Number = static_cast<std::uint8_t>(index % 200);
    };
    std::unique_ptr<TFiche> sheet;
    int style = 0;
    while (net.shots < shots) {
        if (!sheet || sheet->Galeries.size() >= 30) {
            if (sheet)
                net.massif->AddSheet(std::move(sheet), false);
            sheet = std::make_unique<TFiche>();
            sheet->Date = "01/01/05";
            sheet->Systeme.Set("Sistema");
            sheet->Cavite.Set("Cueva generada");
        }
        const int count = 5 + static_cast<int>(unit(random) * 21);
        // Mostly from a recent end, as a survey pushes on; sometimes from anywhere.
        const int size = static_cast<int>(ends.size());
        const int from = unit(random) < 0.7 ? std::max(0, size - 1 - static_cast<int>(unit(random) * 20))
                                            : static_cast<int>(unit(random) * size);
        const double roll = unit(random);
        const int loopTo
            = roll < 0.08 && size > 50 ? std::max(0, from - 1 - static_cast<int>(unit(random) * 40)) : -1;
        const bool open = loopTo < 0 && roll > 0.95;

        auto g = std::make_unique<TGalerie>();
        name(from, g->Start);
        g->Deformation = 1;
        std::vector<Point> path { ends[static_cast<std::size_t>(from)] };
        double heading = unit(random) * 2 * kPi;
        for (int k = 0; k < count; ++k) {
            heading += (unit(random) - 0.5) * 0.8;
            const Point& p = path.back();
            path.push_back(
                { p.x + 6 * std::sin(heading), p.y + 6 * std::cos(heading), p.z + (unit(random) - 0.6) * 2 });
        }
        if (loopTo >= 0) {
            // Bend the path onto the earlier station, spread along its shots.
            const Point target = ends[static_cast<std::size_t>(loopTo)];
            const Point miss { target.x - path.back().x, target.y - path.back().y, target.z - path.back().z };
            for (std::size_t k = 1; k < path.size(); ++k) {
                const double t = static_cast<double>(k) / count;
                path[k] = { path[k].x + miss.x * t, path[k].y + miss.y * t, path[k].z + miss.z * t };
            }
            name(loopTo, g->End);
        } else if (open) {
            g->End.Final = true;
        } else {
            name(size, g->End);
            ends.push_back(path.back());
        }
        for (std::size_t k = 1; k < path.size(); ++k) {
            const Point to { path[k].x + error(random), path[k].y + error(random),
                path[k].z + error(random) };
            g->AddShot(Shot(path[k - 1], to, style++));
        }
        sheet->Galeries.push_back(std::move(g));
        ReduceGallery(*sheet->Galeries.back(), 0.0);
        net.shots += count;
    }
    if (sheet)
        net.massif->AddSheet(std::move(sheet), false);
    auto ref = std::make_unique<TPointTopo>();
    name(0, *ref);
    ref->X = ends[0].x / 1000;
    ref->Y = ends[0].y / 1000;
    ref->Z = ends[0].z;
    net.massif->References.push_back(std::move(ref));
    return net;
}

namespace {

// Station `index` of a generated shape: names of 200 numbered stations each.
void ShapeStation(int index, TPointTopo& p)
{
    p.Name.Set("K" + std::to_string(index / 200));
    p.Number = static_cast<std::uint8_t>(index % 200);
}

// The shape's one sheet: a single sheet of many galleries is the hardest case for the look-ups
// that scan a sheet's galleries.
TFiche& ShapeSheet(std::unique_ptr<TFiche>& sheet)
{
    if (!sheet) {
        sheet = std::make_unique<TFiche>();
        sheet->Date = "01/01/10";
        sheet->Systeme.Set("Sistema");
        sheet->Cavite.Set("Forma generada");
    }
    return *sheet;
}

// A gallery along `path`, from station `from` to station `to` (-1: an open end), reduced.
void ShapeGallery(GeneratedNetwork& net, TFiche& sheet, int from, int to, const std::vector<Point>& path,
    std::mt19937& random, int& style)
{
    std::normal_distribution<double> error(0, 0.02);
    auto g = std::make_unique<TGalerie>();
    ShapeStation(from, g->Start);
    if (to >= 0)
        ShapeStation(to, g->End);
    else
        g->End.Final = true;
    g->Deformation = 1;
    for (std::size_t k = 1; k < path.size(); ++k) {
        const Point end { path[k].x + error(random), path[k].y + error(random), path[k].z + error(random) };
        g->AddShot(Shot(path[k - 1], end, style++));
    }
    sheet.Galeries.push_back(std::move(g));
    ReduceGallery(*sheet.Galeries.back(), 0.0);
    net.shots += static_cast<int>(path.size()) - 1;
}

void ShapeReference(GeneratedNetwork& net, int index, const Point& p)
{
    auto ref = std::make_unique<TPointTopo>();
    ShapeStation(index, *ref);
    ref->X = p.x / 1000;
    ref->Y = p.y / 1000;
    ref->Z = p.z;
    net.massif->References.push_back(std::move(ref));
}

} // namespace

GeneratedNetwork MakeChain(int galleries, unsigned seed)
{
    GeneratedNetwork net;
    net.massif = std::make_unique<TMassif>();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::unique_ptr<TFiche> sheet;
    int style = 0;
    Point here { 431000.0, 4620000.0, 900.0 };
    const Point start = here;
    double heading = 0;
    for (int i = 0; i < galleries; ++i) {
        heading += (unit(random) - 0.5) * 0.6;
        const Point next { here.x + 5 * std::sin(heading), here.y + 5 * std::cos(heading),
            here.z + (unit(random) - 0.5) };
        // Every other gallery is surveyed from its far end, as teams meet halfway.
        if (i % 2 == 0)
            ShapeGallery(net, ShapeSheet(sheet), i, i + 1, { here, next }, random, style);
        else
            ShapeGallery(net, ShapeSheet(sheet), i + 1, i, { next, here }, random, style);
        here = next;
    }
    if (sheet)
        net.massif->AddSheet(std::move(sheet), false);
    ShapeReference(net, 0, start);
    return net;
}

GeneratedNetwork MakeStar(int galleries, unsigned seed)
{
    GeneratedNetwork net;
    net.massif = std::make_unique<TMassif>();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::unique_ptr<TFiche> sheet;
    int style = 0;
    const Point centre { 431000.0, 4620000.0, 900.0 };
    auto rayEnd = [&](int ray) {
        const double angle = 2 * kPi * ray / galleries;
        const double reach = 30 + 20 * (ray % 7);
        return Point { centre.x + reach * std::sin(angle), centre.y + reach * std::cos(angle),
            centre.z - 0.1 * (ray % 50) };
    };
    for (int ray = 0; ray < galleries; ++ray) {
        const Point end = rayEnd(ray);
        const Point middle { (centre.x + end.x) / 2 + unit(random), (centre.y + end.y) / 2 + unit(random),
            (centre.z + end.z) / 2 };
        // Named ends for every ray; one ray in ten ends on the next ray's end, closing a loop.
        const bool closing = ray % 10 == 9 && ray + 1 < galleries;
        const bool named = ray % 3 == 0 || ray % 10 == 0 || closing;
        ShapeGallery(net, ShapeSheet(sheet), 0, named ? ray + 1 : -1, { centre, middle, end }, random, style);
        if (closing) {
            const Point next = rayEnd(ray + 1);
            ShapeGallery(net, ShapeSheet(sheet), ray + 1, ray + 2, { end, next }, random, style);
        }
    }
    if (sheet)
        net.massif->AddSheet(std::move(sheet), false);
    ShapeReference(net, 1, rayEnd(0)); // the centre is a junction of every ray
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

double WorstError(const TMassif& m, const std::vector<TrueStation>& truth)
{
    std::map<int, const TFiche*> byOrdre;
    for (const auto& s : m.Sheets)
        byOrdre[s->Ordre] = s.get();
    double worst = 0;
    for (const TrueStation& t : truth) {
        const TGalerie& g = *byOrdre.at(t.ordre)->Galeries[static_cast<std::size_t>(t.gallery)];
        if (!g.Positioned)
            return INFINITY;
        double x = g.Start.X, y = g.Start.Y, z = g.Start.Z;
        if (t.station > 0) {
            const TStationPos& p = g.Stations[static_cast<std::size_t>(t.station - 1)];
            x = p.X;
            y = p.Y;
            z = p.Z;
        }
        worst = std::max(
            worst, std::sqrt((x - t.x) * (x - t.x) + (y - t.y) * (y - t.y) + (z - t.z) * (z - t.z)));
    }
    return worst;
}

TComputeReport ComputeFast(TMassif& m, TComputeFlags& flags)
{
    TThreadCalcul thread(m, flags);
    TComputeReport report = thread.Complete(m);
    m.PlaceAllStations();
    return report;
}

} // namespace ks::test
