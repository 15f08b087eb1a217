// The developed elevation's operations on the massif: branches, anchors, developed distances.
#include "compute/elevation.h"

#include "model/services.h"
#include "model/text_utils.h"

#include <algorithm>
#include <unordered_set>

namespace ks {

namespace {

int Links(const TGalerie& g)
{
    return std::clamp<int>(g.BranchCount, 0, kMaxBranches);
}

TGalleryRef Link(const TGalerie& g, int i)
{
    return { g.BranchSheet[static_cast<std::size_t>(i)], g.BranchGallery[static_cast<std::size_t>(i)] };
}

// How far the gallery carries the galleries hung on it: its horizontal lengths, or the horizontal
// corrections of the shots that have one.
double Advance(const TGalerie& g)
{
    double length = 0;
    for (const TVisee& v : g.Shots)
        length += v.HorizCorrectionFlag ? v.HorizCorrection : v.HorizLength;
    return g.ElevForward ? length : -length;
}

bool AtPoint(const TPointCoupe& anchor, const TPointTopo& point)
{
    return !point.Final && anchor.Number == point.Number
        && EqualsIgnoreCase(anchor.Name.Get(), point.Name.Get());
}

} // namespace

const TPointTopo& AttachPoint(const TGalerie& g)
{
    return g.ElevFromStart ? g.Start : g.End;
}

const TPointTopo& FarPoint(const TGalerie& g)
{
    return g.ElevFromStart ? g.End : g.Start;
}

TElevation::TElevation(TMassif& massif)
    : m_massif(massif)
{
    for (const auto& sheet : massif.Sheets)
        if (sheet)
            m_byOrdre.emplace(sheet->Ordre, sheet.get());
}

TFiche* TElevation::Sheet(std::int32_t ordre) const
{
    const auto it = m_byOrdre.find(ordre);
    return it == m_byOrdre.end() ? nullptr : it->second;
}

TGalerie* TElevation::Gallery(TGalleryRef ref) const
{
    TFiche* sheet = Sheet(ref.Sheet);
    if (!sheet || ref.Gallery < 0 || static_cast<std::size_t>(ref.Gallery) >= sheet->Galeries.size())
        return nullptr;
    return sheet->Galeries[static_cast<std::size_t>(ref.Gallery)].get();
}

std::vector<TGalleryRef> TElevation::Hung(const TGalerie& g) const
{
    std::vector<TGalleryRef> hung;
    for (int i = 0; i < Links(g); ++i)
        if (Gallery(Link(g, i)))
            hung.push_back(Link(g, i));
    return hung;
}

void TElevation::ForBranch(TGalleryRef ref, const std::function<void(TGalerie&)>& visit) const
{
    // Each gallery once, with a stack of its own: links made circular by a damaged file end the
    // walk like any other branch, and long chains do not deepen the call stack.
    std::vector<TGalleryRef> pending { ref };
    std::unordered_set<const TGalerie*> done;
    while (!pending.empty()) {
        TGalerie* g = Gallery(pending.back());
        pending.pop_back();
        if (!g || !done.insert(g).second)
            continue;
        visit(*g);
        for (const TGalleryRef& hung : Hung(*g))
            pending.push_back(hung);
    }
}

void TElevation::EraseAnchor(TGalleryRef ref)
{
    auto& anchors = m_massif.ElevationPoints;
    anchors.erase(std::remove_if(anchors.begin(), anchors.end(),
                      [&](const auto& a) {
                          return TGalleryRef { a->Sheet, a->Gallery } == ref;
                      }),
        anchors.end());
}

void TElevation::DropLink(TGalerie& g, int link)
{
    const int count = Links(g);
    for (int i = link; i + 1 < count; ++i) {
        g.BranchSheet[static_cast<std::size_t>(i)] = g.BranchSheet[static_cast<std::size_t>(i + 1)];
        g.BranchGallery[static_cast<std::size_t>(i)] = g.BranchGallery[static_cast<std::size_t>(i + 1)];
    }
    g.BranchCount = static_cast<std::int8_t>(std::max(0, count - 1));
}

void TElevation::PropagerBranche(TGalleryRef ref, double x, double z)
{
    // Walked as ForBranch walks, each gallery at the far end of the one it hangs on.
    struct Step
    {
        TGalleryRef Ref;
        double X, Z;
    };
    std::vector<Step> pending { { ref, x, z } };
    std::unordered_set<const TGalerie*> done;
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        TGalerie* g = Gallery(step.Ref);
        if (!g || !done.insert(g).second)
            continue;
        g->ElevX = step.X;
        g->ElevZ = step.Z;
        const double far = step.X + Advance(*g);
        const auto hung = Hung(*g);
        for (auto it = hung.rbegin(); it != hung.rend(); ++it)
            pending.push_back({ *it, far, step.Z });
    }
    m_massif.ElevationPlaced = false;
}

void TElevation::ReconstruireCoupes()
{
    for (const auto& anchor : m_massif.ElevationPoints)
        PropagerBranche({ anchor->Sheet, anchor->Gallery }, anchor->ElevX, anchor->ElevZ);
    m_massif.ElevationPlaced = false;
}

void TElevation::CalculerDeveloppes()
{
    if (!m_massif.Computed)
        m_massif.PlaceAllStations();
    for (const auto& sheet : m_massif.Sheets) {
        if (!sheet)
            continue;
        for (const auto& g : sheet->Galeries) {
            if (!g->InElevation || g->StationCount() != g->ShotCount())
                continue;
            const double s = g->ElevForward ? 1 : -1;
            double a = 0;
            if (g->ElevFromStart) {
                for (int k = 1; k <= g->ShotCount(); ++k) {
                    a += g->Shot(k).HorizLength;
                    g->Stations[static_cast<std::size_t>(k - 1)].Developed = g->ElevX + s * a;
                }
            } else {
                for (int k = g->ShotCount(); k >= 1; --k) {
                    g->Stations[static_cast<std::size_t>(k - 1)].Developed = g->ElevX + s * a;
                    a += g->Shot(k).HorizLength;
                }
            }
            g->DevEnd = g->ElevX + s * a;
        }
    }
    m_massif.ElevationPlaced = true;
}

void TElevation::MakeCurrent()
{
    if (m_massif.ElevationPlaced)
        return;
    ReconstruireCoupes();
    CalculerDeveloppes();
}

bool TElevation::VerifierCoupes(IReporter* reporter)
{
    auto broken = [this](const TGalerie& g, int i) {
        const TGalerie* hung = Gallery(Link(g, i));
        return !hung || !hung->InElevation;
    };
    bool sound = true;
    for (const auto& sheet : m_massif.Sheets) {
        if (!sheet)
            continue;
        for (const auto& g : sheet->Galeries)
            for (int i = 0; g->InElevation && i < Links(*g) && sound; ++i)
                sound = !broken(*g, i);
    }
    if (sound)
        return true;
    if (reporter)
        reporter->Message(MessageKind::Information, kElevationProblemText);
    for (const auto& sheet : m_massif.Sheets) {
        if (!sheet)
            continue;
        for (const auto& g : sheet->Galeries) {
            for (int i = 0; g->InElevation && i < Links(*g); ++i) {
                if (broken(*g, i)) {
                    DropLink(*g, i);
                    break;
                }
            }
        }
    }
    return false;
}

void TElevation::RetirerDeCoupe(TGalleryRef ref, bool top)
{
    if (top) {
        EraseAnchor(ref);
        TGalleryRef holder;
        int link = 0;
        if (Holder(ref, holder, link))
            DropLink(*Gallery(holder), link);
    }
    ForBranch(ref, [](TGalerie& g) { g.InElevation = false; });
    m_massif.ElevationPlaced = false;
}

void TElevation::SupprimerCoupes(IReporter* reporter)
{
    for (const auto& sheet : m_massif.Sheets) {
        if (!sheet)
            continue;
        for (const auto& g : sheet->Galeries) {
            g->InElevation = false;
            g->BranchCount = 0;
        }
    }
    m_massif.ElevationPoints.clear();
    VerifierCoupes(reporter);
    m_massif.ElevationPlaced = false;
}

bool TElevation::Box(double& devMin, double& devMax, double& zMin, double& zMax) const
{
    bool any = false;
    auto take = [&](double dev, double z) {
        devMin = any ? std::min(devMin, dev) : dev;
        devMax = any ? std::max(devMax, dev) : dev;
        zMin = any ? std::min(zMin, z) : z;
        zMax = any ? std::max(zMax, z) : z;
        any = true;
    };
    for (TFiche* sheet : m_massif.CurrentSheets()) {
        for (const auto& g : sheet->Galeries) {
            if (!g->Positioned || !g->InElevation || g->StationCount() != g->ShotCount())
                continue;
            take(g->ElevFromStart ? g->ElevX : g->DevEnd, g->Start.Z + g->ElevZ);
            for (const TStationPos& p : g->Stations)
                take(p.Developed, p.Z + g->ElevZ);
        }
    }
    return any;
}

void TElevation::StartBranch(TGalleryRef ref, bool fromStart, bool forward, double x, double z)
{
    TGalerie* g = Gallery(ref);
    if (!g)
        return;
    auto anchor = std::make_unique<TPointCoupe>();
    const TPointTopo& point = fromStart ? g->Start : g->End;
    if (!point.Final) {
        anchor->Name = point.Name;
        anchor->Number = point.Number;
    }
    anchor->ElevX = x;
    anchor->ElevZ = z;
    anchor->Sheet = ref.Sheet;
    anchor->Gallery = ref.Gallery;
    g->InElevation = true;
    g->ElevForward = forward;
    g->BranchCount = 0;
    g->ElevFromStart = fromStart;
    m_massif.ElevationPoints.push_back(std::move(anchor));
    ReconstruireCoupes();
}

std::optional<std::string> TElevation::ContinueCandidates(
    TGalleryRef ref, std::vector<TGalleryRef>& candidates) const
{
    candidates.clear();
    const TGalerie* g = Gallery(ref);
    if (!g)
        return std::string(kNeedsSelectionText);
    const TPointTopo& far = FarPoint(*g);
    if (far.Final)
        return std::string(kBlindGalleryText);
    if (Links(*g) >= kMaxBranches)
        return std::string(kFiveSeriesText);
    for (TFiche* sheet : m_massif.CurrentSheets())
        for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
            const TGalerie& c = *sheet->Galeries[i];
            if (!c.InElevation && (c.Start.SameStation(far) || c.End.SameStation(far)))
                candidates.push_back({ sheet->Ordre, static_cast<std::int32_t>(i) });
        }
    if (candidates.empty())
        return std::string(kNoMoreSeriesText);
    return std::nullopt;
}

void TElevation::Hang(TGalleryRef parent, TGalleryRef child)
{
    TGalerie* g = Gallery(parent);
    TGalerie* c = Gallery(child);
    if (!g || !c || Links(*g) >= kMaxBranches)
        return;
    c->InElevation = true;
    c->BranchCount = 0;
    c->ElevFromStart = c->Start.SameStation(FarPoint(*g));
    c->ElevForward = g->ElevForward;
    const int link = Links(*g);
    g->BranchSheet[static_cast<std::size_t>(link)] = child.Sheet;
    g->BranchGallery[static_cast<std::size_t>(link)] = child.Gallery;
    g->BranchCount = static_cast<std::int8_t>(link + 1);
    ReconstruireCoupes();
}

void TElevation::InvertBranch(TGalleryRef ref)
{
    ForBranch(ref, [](TGalerie& g) { g.ElevForward = !g.ElevForward; });
    ReconstruireCoupes();
}

void TElevation::ShiftBranch(TGalleryRef ref, double x, double z)
{
    TGalerie* g = Gallery(ref);
    if (!g)
        return;
    if (TPointCoupe* anchor = AnchorAt(ref)) {
        anchor->ElevX = x;
        anchor->ElevZ = z;
    } else {
        auto fresh = std::make_unique<TPointCoupe>();
        const TPointTopo& point = AttachPoint(*g);
        if (!point.Final) {
            fresh->Name = point.Name;
            fresh->Number = point.Number;
        }
        fresh->ElevX = x;
        fresh->ElevZ = z;
        fresh->Sheet = ref.Sheet;
        fresh->Gallery = ref.Gallery;
        m_massif.ElevationPoints.push_back(std::move(fresh));
        TGalleryRef holder;
        int link = 0;
        if (Holder(ref, holder, link))
            DropLink(*Gallery(holder), link);
    }
    ReconstruireCoupes();
}

std::optional<std::string> TElevation::AttachCandidates(
    TGalleryRef ref, std::vector<TGalleryRef>& candidates) const
{
    candidates.clear();
    const TPointCoupe* anchor = AnchorAt(ref);
    if (!anchor)
        return std::string(kNotBranchStartText);
    // The branch's own galleries are left out: hanging it below itself would make a circle with
    // no anchor, and the branch would vanish from the elevation.
    std::unordered_set<const TGalerie*> own;
    ForBranch(ref, [&own](TGalerie& g) { own.insert(&g); });
    for (TFiche* sheet : m_massif.CurrentSheets())
        for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
            const TGalerie& c = *sheet->Galeries[i];
            if (c.InElevation && Links(c) < kMaxBranches && !own.count(&c) && AtPoint(*anchor, FarPoint(c)))
                candidates.push_back({ sheet->Ordre, static_cast<std::int32_t>(i) });
        }
    if (candidates.empty())
        return std::string(kNoBranchToAttachText);
    return std::nullopt;
}

void TElevation::Attach(TGalleryRef ref, TGalleryRef parent)
{
    TGalerie* g = Gallery(ref);
    TGalerie* holder = Gallery(parent);
    if (!g || !holder || Links(*holder) >= kMaxBranches)
        return;
    auto& anchors = m_massif.ElevationPoints;
    anchors.erase(std::remove_if(anchors.begin(), anchors.end(),
                      [&](const auto& a) {
                          return TGalleryRef { a->Sheet, a->Gallery } == ref;
                      }),
        anchors.end());
    const int link = Links(*holder);
    holder->BranchSheet[static_cast<std::size_t>(link)] = ref.Sheet;
    holder->BranchGallery[static_cast<std::size_t>(link)] = ref.Gallery;
    holder->BranchCount = static_cast<std::int8_t>(link + 1);
    ReconstruireCoupes();
}

TPointCoupe* TElevation::AnchorAt(TGalleryRef ref) const
{
    for (const auto& anchor : m_massif.ElevationPoints)
        if (TGalleryRef { anchor->Sheet, anchor->Gallery } == ref)
            return anchor.get();
    return nullptr;
}

bool TElevation::Holder(TGalleryRef ref, TGalleryRef& holder, int& link) const
{
    for (const auto& sheet : m_massif.Sheets) {
        if (!sheet)
            continue;
        for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
            const TGalerie& g = *sheet->Galeries[i];
            for (int k = 0; k < Links(g); ++k) {
                if (Link(g, k) == ref) {
                    holder = { sheet->Ordre, static_cast<std::int32_t>(i) };
                    link = k;
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace ks
