// The elevation assistant: the lightest chain from a departure to an arrival, put into the
// elevation in one go.
#include "compute/elevation_assistant.h"

#include "compute/calculateur.h"

#include <algorithm>
#include <memory>

namespace ks {

namespace {

TPointTopo Station(const TStationName& name)
{
    TPointTopo point;
    point.Name.Set(name.Name);
    point.Number = static_cast<std::uint8_t>(std::clamp(name.Number, 0, kMaxStationNumber));
    return point;
}

// The restricted network (galleries not in the elevation, both ends real) connected from the
// departure, at the origin, with every reached junction's lightest path and provisional position.
// Null when the departure reaches nothing.
std::unique_ptr<TCalculateur> Connected(TMassif& massif, TComputeFlags& flags, const TStationName& departure)
{
    std::vector<std::unique_ptr<TPointTopo>> refs;
    refs.push_back(std::make_unique<TPointTopo>(Station(departure)));
    auto calc = std::make_unique<TCalculateur>(flags, nullptr);
    calc->BuildBranches(massif.CurrentSheets(), refs, true);
    if (!calc->Connect(false) || calc->Junctions.empty())
        return nullptr;
    calc->ProvisionalPositions();
    return calc;
}

// The gallery in the elevation whose far point is the departure and that has a link left;
// `full` tells whether such galleries exist but every one holds five.
std::optional<TGalleryRef> Holder(const std::vector<TFiche*>& sheets, const TPointTopo& departure, bool& full)
{
    for (const TFiche* sheet : sheets)
        for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
            const TGalerie& g = *sheet->Galeries[i];
            if (!g.InElevation || !FarPoint(g).SameStation(departure))
                continue;
            if (g.BranchCount < kMaxBranches)
                return TGalleryRef { sheet->Ordre, static_cast<std::int32_t>(i) };
            full = true;
        }
    return std::nullopt;
}

// A gallery of the chain with its end towards the arrival (near) and towards the departure (far).
struct Step
{
    TGalleryRef Ref;
    TPointTopo Near, Far;
};

// Back from the arrival, each step to the neighbour nearest the departure along the lightest
// paths; last, the gallery that joins the last junction reached to the departure.
std::vector<Step> WalkBack(const std::vector<TFiche*>& sheets, TCalculateur& calc, const TPointTopo& arrival,
    int arrivalIndex, const TPointTopo& departure)
{
    auto reachedIndex = [&](const TPointTopo& point) {
        const int j = calc.JunctionIndex(point);
        return j >= 0 && calc.Known[static_cast<std::size_t>(j)] ? j : -1;
    };
    std::vector<Step> walk;
    auto taken = [&](TGalleryRef ref) {
        return std::any_of(walk.begin(), walk.end(), [&](const Step& s) { return s.Ref == ref; });
    };
    TPointTopo at = arrival;
    int j = arrivalIndex;
    while (true) {
        double d = calc.Shortest(j);
        std::optional<Step> step;
        int nextIndex = -1;
        for (const TFiche* sheet : sheets)
            for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
                const TGalerie& g = *sheet->Galeries[i];
                const TGalleryRef ref { sheet->Ordre, static_cast<std::int32_t>(i) };
                if (g.InElevation || taken(ref))
                    continue;
                for (const auto& [here, there] :
                    { std::pair { &g.Start, &g.End }, std::pair { &g.End, &g.Start } }) {
                    const int k = here->SameStation(at) ? reachedIndex(*there) : -1;
                    if (k >= 0 && calc.Shortest(k) < d) {
                        d = calc.Shortest(k);
                        step = Step { ref, *here, *there };
                        nextIndex = k;
                    }
                }
            }
        if (!step)
            break;
        walk.push_back(*step);
        at = step->Far;
        j = nextIndex;
    }
    for (const TFiche* sheet : sheets) {
        for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
            const TGalerie& g = *sheet->Galeries[i];
            const TGalleryRef ref { sheet->Ordre, static_cast<std::int32_t>(i) };
            if (g.InElevation || taken(ref))
                continue;
            if (g.Start.SameStation(at) && g.End.SameStation(departure)) {
                walk.push_back({ ref, g.Start, g.End });
                break;
            }
            if (g.End.SameStation(at) && g.Start.SameStation(departure)) {
                walk.push_back({ ref, g.End, g.Start });
                break;
            }
        }
        if (!walk.empty() && walk.back().Far.SameStation(departure))
            break;
    }
    return walk;
}

// Puts galleries into the elevation for one request: the chain, each hung on the one before it
// (or starting a new anchor), then the blind side galleries.
struct Placer
{
    TMassif& Massif;
    TElevation& Elevation;
    const TAssistantRequest& Request;
    std::vector<TPlacedGallery>& Placed;
    std::optional<TGalleryRef> Previous; // the gallery the next one hangs on
    // Each gallery of the chain with the gallery it hangs on (none for the one the anchor starts).
    std::vector<std::pair<TGalleryRef, std::optional<TGalleryRef>>> Chain;

    // A new branch's anchor at a station, starting with a gallery, at the request's offsets.
    void AnchorAt(const TPointTopo& station, TGalleryRef ref)
    {
        auto anchor = std::make_unique<TPointCoupe>();
        anchor->Name = station.Name;
        anchor->Number = station.Number;
        anchor->ElevX = Request.X;
        anchor->ElevZ = Request.Z;
        anchor->Sheet = ref.Sheet;
        anchor->Gallery = ref.Gallery;
        Massif.ElevationPoints.push_back(std::move(anchor));
    }
    // Links a gallery to the far point of another; false when that one has no link left.
    bool Link(TGalleryRef parent, TGalleryRef child)
    {
        TGalerie& p = *Elevation.Gallery(parent);
        if (p.BranchCount >= kMaxBranches)
            return false;
        p.BranchSheet[static_cast<std::size_t>(p.BranchCount)] = child.Sheet;
        p.BranchGallery[static_cast<std::size_t>(p.BranchCount)] = child.Gallery;
        ++p.BranchCount;
        return true;
    }
    // The next gallery of the chain, unrolled from its end at `from`.
    void Place(TGalleryRef ref, const TPointTopo& from)
    {
        TGalerie& g = *Elevation.Gallery(ref);
        const bool fromStart = g.Start.SameStation(from);
        if (!Previous)
            AnchorAt(from, ref);
        else
            Link(*Previous, ref);
        g.InElevation = true;
        g.BranchCount = 0;
        g.ElevFromStart = fromStart;
        g.ElevForward = Request.Forward;
        Placed.push_back({ ref, fromStart });
        Chain.emplace_back(ref, Previous);
        Previous = ref;
    }
    // A blind side gallery starts at the chain station it touches: at a chain gallery's far
    // point it hangs on that gallery; at its attach point, on the gallery the chain gallery hangs
    // on, or, at the anchor of a new branch, it starts a branch of its own there, unrolled away
    // from the chain.
    void HangSideGalleries(const std::vector<TFiche*>& sheets)
    {
        for (const auto& [ref, parent] : Chain) {
            const TGalerie& g = *Elevation.Gallery(ref);
            HangSides(sheets, g.ElevFromStart ? g.Start : g.End, parent);
            HangSides(sheets, FarPoint(g), ref);
        }
    }
    void HangSides(
        const std::vector<TFiche*>& sheets, const TPointTopo& station, std::optional<TGalleryRef> parent)
    {
        for (const TFiche* sheet : sheets)
            for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
                TGalerie& side = *sheet->Galeries[i];
                if (side.InElevation || side.Start.Final == side.End.Final)
                    continue;
                const TPointTopo& shared = side.Start.Final ? side.End : side.Start;
                if (!shared.SameStation(station))
                    continue;
                const TGalleryRef sideRef { sheet->Ordre, static_cast<std::int32_t>(i) };
                bool forward = Request.Forward;
                if (parent) {
                    if (!Link(*parent, sideRef))
                        return;
                } else {
                    AnchorAt(shared, sideRef);
                    forward = !Request.Forward;
                }
                side.InElevation = true;
                side.BranchCount = 0;
                side.ElevFromStart = !side.Start.Final;
                side.ElevForward = forward;
                Placed.push_back({ sideRef, side.ElevFromStart });
            }
    }
};

} // namespace

TElevationAssistant::TElevationAssistant(TMassif& massif)
    : m_massif(massif)
{ }

std::optional<std::string> TElevationAssistant::PlusLoin(
    const TStationName& departure, bool deepest, TStationName& arrival)
{
    if (departure.Number < 0 || departure.Number > kMaxStationNumber)
        return std::string(kIndexNotPositiveText);
    TComputeFlags flags;
    const auto calc = Connected(m_massif, flags, departure);
    if (!calc)
        return std::string(kUnknownDepartureText);
    int chosen = -1;
    double best = deepest ? 10000 : 0;
    for (std::size_t j = 0; j < calc->Junctions.size(); ++j) {
        if (j >= calc->Known.size() || !calc->Known[j])
            continue;
        const double value = deepest ? calc->Junctions[j]->Z : calc->Shortest(static_cast<int>(j));
        if (deepest ? value < best : value > best) {
            best = value;
            chosen = static_cast<int>(j);
        }
    }
    if (chosen >= 0) {
        const TPointTopo& junction = *calc->Junctions[static_cast<std::size_t>(chosen)];
        arrival.Name = junction.Name.Get();
        arrival.Number = junction.Number;
    }
    return std::nullopt;
}

std::optional<std::string> TElevationAssistant::Construire(
    const TAssistantRequest& request, std::vector<TPlacedGallery>& placed, IReporter* reporter)
{
    placed.clear();
    if (request.Departure.Number < 0 || request.Departure.Number > kMaxStationNumber)
        return std::string(kIndexNotPositiveText);
    TElevation elevation(m_massif);
    const TPointTopo departure = Station(request.Departure);
    const auto sheets = m_massif.CurrentSheets();

    // Without a new branch, the chain hangs on the gallery whose far point is the departure: the
    // first such gallery with a link left; when every one is full, the branch command's refusal.
    std::optional<TGalleryRef> holder;
    if (!request.New) {
        bool full = false;
        holder = Holder(sheets, departure, full);
        if (!holder)
            return std::string(full ? kFiveSeriesText : kNoKnownBranchText);
    }

    TComputeFlags flags;
    const auto calc = Connected(m_massif, flags, request.Departure);
    const TPointTopo arrival = Station(request.Arrival);
    const int arrivalIndex = calc ? calc->JunctionIndex(arrival) : -1;
    if (arrivalIndex < 0 || !calc->Known[static_cast<std::size_t>(arrivalIndex)])
        return std::string(kCannotJoinText);
    const std::vector<Step> walk = WalkBack(sheets, *calc, arrival, arrivalIndex, departure);

    // A new branch is anchored at the arrival and unrolled towards the departure. A chain that
    // continues a branch hangs by its departure end on the gallery that ends there, and unrolls
    // towards the arrival, so that it goes on from where that branch stops.
    Placer placer { m_massif, elevation, request, placed, holder, {} };
    if (request.New)
        for (const Step& step : walk)
            placer.Place(step.Ref, step.Near);
    else
        for (auto it = walk.rbegin(); it != walk.rend(); ++it)
            placer.Place(it->Ref, it->Far);
    if (placed.empty())
        return std::string(kNothingToPlaceText);
    if (request.Blind)
        placer.HangSideGalleries(sheets);
    elevation.ReconstruireCoupes();
    elevation.VerifierCoupes(reporter);
    return std::nullopt;
}

} // namespace ks
