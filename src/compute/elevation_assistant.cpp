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

} // namespace

TElevationAssistant::TElevationAssistant(TMassif& massif)
    : m_massif(massif)
{ }

std::optional<std::string> TElevationAssistant::PlusLoin(
    const TStationName& departure, bool deepest, TStationName& arrival)
{
    if (departure.Number < 1)
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
    if (request.Departure.Number < 1)
        return std::string(kIndexNotPositiveText);
    TElevation elevation(m_massif);
    const TPointTopo departure = Station(request.Departure);
    const TPointTopo arrival = Station(request.Arrival);

    // Without a new branch, the chain hangs on the gallery whose far point is the departure.
    std::optional<TGalleryRef> holder;
    const auto sheets = m_massif.CurrentSheets();
    if (!request.New) {
        for (const TFiche* sheet : sheets)
            for (std::size_t i = 0; i < sheet->Galeries.size() && !holder; ++i) {
                const TGalerie& g = *sheet->Galeries[i];
                if (g.InElevation && FarPoint(g).SameStation(departure))
                    holder = TGalleryRef { sheet->Ordre, static_cast<std::int32_t>(i) };
            }
        if (!holder)
            return std::string(kNoKnownBranchText);
    }

    TComputeFlags flags;
    const auto calc = Connected(m_massif, flags, request.Departure);
    const int arrivalIndex = calc ? calc->JunctionIndex(arrival) : -1;
    if (arrivalIndex < 0 || !calc->Known[static_cast<std::size_t>(arrivalIndex)])
        return std::string(kCannotJoinText);

    auto reachedIndex = [&](const TPointTopo& point) {
        const int j = calc->JunctionIndex(point);
        return j >= 0 && calc->Known[static_cast<std::size_t>(j)] ? j : -1;
    };
    std::optional<TGalleryRef> previous = holder;
    bool first = true;
    std::vector<TGalleryRef> chain;
    // Puts a gallery of the chain into the elevation, unrolled from its end at `at`.
    auto place = [&](TGalleryRef ref, const TPointTopo& at) {
        TGalerie& g = *elevation.Gallery(ref);
        const bool fromStart = g.Start.SameStation(at);
        if (first && request.New) {
            auto anchor = std::make_unique<TPointCoupe>();
            anchor->Name = at.Name;
            anchor->Number = at.Number;
            anchor->ElevX = request.X;
            anchor->ElevZ = request.Z;
            anchor->Sheet = ref.Sheet;
            anchor->Gallery = ref.Gallery;
            m_massif.ElevationPoints.push_back(std::move(anchor));
        } else if (previous) {
            TGalerie& p = *elevation.Gallery(*previous);
            if (p.BranchCount < kMaxBranches) {
                p.BranchSheet[static_cast<std::size_t>(p.BranchCount)] = ref.Sheet;
                p.BranchGallery[static_cast<std::size_t>(p.BranchCount)] = ref.Gallery;
                ++p.BranchCount;
            }
        }
        g.InElevation = true;
        g.BranchCount = 0;
        g.ElevFromStart = fromStart;
        g.ElevForward = request.Forward;
        placed.push_back({ ref, fromStart });
        chain.push_back(ref);
        previous = ref;
        first = false;
    };

    // Back from the arrival, each step to the neighbour nearest the departure.
    TPointTopo at = arrival;
    int j = arrivalIndex;
    while (true) {
        double d = calc->Shortest(j);
        std::optional<TGalleryRef> step;
        TPointTopo next;
        int nextIndex = -1;
        for (const TFiche* sheet : sheets)
            for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
                const TGalerie& g = *sheet->Galeries[i];
                if (g.InElevation)
                    continue;
                for (const auto& [here, there] :
                    { std::pair { &g.Start, &g.End }, std::pair { &g.End, &g.Start } }) {
                    const int k = here->SameStation(at) ? reachedIndex(*there) : -1;
                    if (k >= 0 && calc->Shortest(k) < d) {
                        d = calc->Shortest(k);
                        step = TGalleryRef { sheet->Ordre, static_cast<std::int32_t>(i) };
                        next = *there;
                        nextIndex = k;
                    }
                }
            }
        if (!step)
            break;
        place(*step, at);
        at = next;
        j = nextIndex;
    }
    // Last, the gallery that joins the last junction reached to the departure.
    auto joins = [&](const TGalerie& g) {
        return !g.InElevation
            && ((g.Start.SameStation(at) && g.End.SameStation(departure))
                || (g.End.SameStation(at) && g.Start.SameStation(departure)));
    };
    std::optional<TGalleryRef> last;
    for (const TFiche* sheet : sheets)
        for (std::size_t i = 0; i < sheet->Galeries.size() && !last; ++i)
            if (joins(*sheet->Galeries[i]))
                last = TGalleryRef { sheet->Ordre, static_cast<std::int32_t>(i) };
    if (last)
        place(*last, at);
    if (placed.empty())
        return std::string(kNothingToPlaceText);

    // The blind side galleries hang on the chain gallery they touch, in the links the chain left.
    if (request.Blind) {
        for (const TGalleryRef& ref : chain) {
            TGalerie& g = *elevation.Gallery(ref);
            for (const TFiche* sheet : sheets)
                for (std::size_t i = 0; i < sheet->Galeries.size() && g.BranchCount < kMaxBranches; ++i) {
                    TGalerie& side = *sheet->Galeries[i];
                    if (side.InElevation || side.Start.Final == side.End.Final)
                        continue;
                    const TPointTopo& shared = side.Start.Final ? side.End : side.Start;
                    if (!shared.SameStation(g.Start) && !shared.SameStation(g.End))
                        continue;
                    const TGalleryRef sideRef { sheet->Ordre, static_cast<std::int32_t>(i) };
                    side.InElevation = true;
                    side.BranchCount = 0;
                    side.ElevFromStart = !side.Start.Final;
                    side.ElevForward = request.Forward;
                    g.BranchSheet[static_cast<std::size_t>(g.BranchCount)] = sideRef.Sheet;
                    g.BranchGallery[static_cast<std::size_t>(g.BranchCount)] = sideRef.Gallery;
                    ++g.BranchCount;
                    placed.push_back({ sideRef, side.ElevFromStart });
                }
        }
    }
    elevation.ReconstruireCoupes();
    elevation.VerifierCoupes(reporter);
    return std::nullopt;
}

} // namespace ks
