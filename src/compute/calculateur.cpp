// The network of a computation: branches from the galleries, connected from the reference points.
#include "compute/calculateur.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

TCalculateur::TCalculateur(ks::TComputeFlags& flags, ks::IReporter* reporter)
    : m_flags(flags)
    , m_reporter(reporter)
{
    Branches.reserve(25);
    References.reserve(5);
    Junctions.reserve(25);
    Closures.reserve(25);
    DeadEnds.reserve(25);
}

TCalculateur::~TCalculateur()
{
    m_flags.Running.store(false);
}

void TCalculateur::Report(ks::MessageKind kind, const std::string& text, bool alsoInBackground)
{
    if (m_interactive) {
        if (m_reporter)
            m_reporter->Message(kind, text);
    } else if (alsoInBackground) {
        DeferredMessages.emplace_back(kind, text);
    }
}

void TCalculateur::BuildBranches(
    const std::vector<TFiche*>& sheets, const std::vector<std::unique_ptr<TPointTopo>>& refs, bool restricted)
{
    m_sheets = sheets;
    m_galleries.assign(sheets.size(), {});
    m_places.clear();
    for (std::size_t s = 0; s < sheets.size(); ++s) {
        const TFiche& sheet = *sheets[s];
        m_places.push_back(sheet.Systeme.Get() + "/" + sheet.Cavite.Get() + "/" + sheet.Reseau.Get() + "/"
            + sheet.Lieu.Get());
        auto& copies = m_galleries[s];
        copies.reserve(sheet.Galeries.size());
        for (std::size_t g = 0; g < sheet.Galeries.size(); ++g) {
            const TGalerie& gallery = *sheet.Galeries[g];
            GalleryCopy copy;
            copy.X = gallery.X;
            copy.Y = gallery.Y;
            copy.Z = gallery.Z;
            copy.TotalLength = gallery.TotalLength;
            copy.SumSquares = gallery.SumSquares;
            // A gallery's weight in the adjustment cannot be negative: a negative coefficient (the
            // editor refuses them; other programs may write them) weighs as its magnitude.
            const double deformation = std::fabs(gallery.Deformation);
            copy.Deformation = deformation;
            copies.push_back(copy);

            if (restricted && (gallery.InElevation || gallery.Start.Final || gallery.End.Final))
                continue;
            auto branch = std::make_unique<TConcentre>();
            branch->Start.CopyFrom(gallery.Start);
            branch->End.CopyFrom(gallery.End);
            branch->StartId = StationId(gallery.Start);
            branch->EndId = StationId(gallery.End);
            branch->DX = gallery.X;
            branch->DY = gallery.Y;
            branch->DZ = gallery.Z;
            branch->TotalLength = gallery.TotalLength;
            branch->WeightedLength = deformation * gallery.TotalLength;
            branch->WeightedSquares = deformation * gallery.SumSquares;
            branch->Links.push_back({ static_cast<std::int32_t>(s), static_cast<std::int32_t>(g), false });
            Branches.push_back(std::move(branch));
        }
    }
    for (const auto& ref : refs) {
        auto copy = std::make_unique<TPointTopo>();
        copy->CopyFrom(*ref);
        const int id = StationId(*copy);
        if (id >= 0 && m_referenceOf[static_cast<std::size_t>(id)] < 0)
            m_referenceOf[static_cast<std::size_t>(id)] = static_cast<int>(References.size());
        References.push_back(std::move(copy));
    }
}

int TCalculateur::StationId(const TPointTopo& station)
{
    if (station.Final)
        return -1;
    const auto [it, added]
        = m_stationIds.emplace(ks::StationKey(station), static_cast<int>(m_referenceOf.size()));
    if (added) {
        m_referenceOf.push_back(-1);
        m_junctionOf.push_back(-1);
    }
    return it->second;
}

int TCalculateur::FindStationId(const TPointTopo& station) const
{
    if (station.Final)
        return -1;
    const auto it = m_stationIds.find(ks::StationKey(station));
    return it == m_stationIds.end() ? -1 : it->second;
}

int TCalculateur::JunctionIndex(const TPointTopo& station) const
{
    return JunctionOf(FindStationId(station));
}

int TCalculateur::NodeIndex(const TPointTopo& station)
{
    return NodeOf(StationId(station), station);
}

int TCalculateur::NodeOf(int id, const TPointTopo& station)
{
    if (id < 0)
        return -1;
    if (ReferenceOf(id) >= 0)
        return 0;
    if (const int j = JunctionOf(id); j >= 0)
        return j + 1;
    auto copy = std::make_unique<TPointTopo>();
    copy->CopyFrom(station);
    Junctions.push_back(std::move(copy));
    const int count = static_cast<int>(Junctions.size());
    m_junctionOf[static_cast<std::size_t>(id)] = count - 1;
    if (!Known.empty())
        Known.resize(Junctions.size(), 0);
    if (count > ks::kMaxJunctions && !TooLarge && !m_flags.Unlimited.load()) {
        TooLarge = true;
        Report(ks::MessageKind::Warning, ks::kTooManyJunctionsText, true);
        m_flags.Stop.store(true);
    }
    return count;
}

int TCalculateur::LiveBranchCount() const
{
    return static_cast<int>(
        std::count_if(Branches.begin(), Branches.end(), [](const auto& b) { return b != nullptr; }));
}

bool TCalculateur::Connect(bool interactive)
{
    m_interactive = interactive;
    Result = false;
    if (References.empty()) {
        Report(ks::MessageKind::Confirmation, ks::kNoReferenceText, false);
        return false;
    }
    // Reference X and Y are kept in kilometres; the computation works in metres.
    for (auto& ref : References) {
        ref->X *= 1000;
        ref->Y *= 1000;
    }

    const int n = static_cast<int>(Branches.size());
    std::vector<std::uint8_t> reached(static_cast<std::size_t>(n), 0);

    // First forward sweep: branches that start or end at a reference point.
    bool forwardReached = false;
    std::vector<int> referenceIds;
    for (const auto& ref : References)
        referenceIds.push_back(FindStationId(*ref));
    for (int i = 0; i < n && !Stopped(); ++i) {
        TConcentre& b = *Branches[static_cast<std::size_t>(i)];
        for (std::size_t r = 0; r < References.size(); ++r) {
            const TPointTopo* ref = References[r].get();
            const int id = referenceIds[r];
            if (id >= 0 && b.StartId == id) {
                b.Start.X = ref->X;
                b.Start.Y = ref->Y;
                b.Start.Z = ref->Z;
                reached[static_cast<std::size_t>(i)] = 1;
                b.EndNode = NodeOf(b.EndId, b.End);
            } else if (id >= 0 && b.EndId == id) {
                b.End.X = ref->X;
                b.End.Y = ref->Y;
                b.End.Z = ref->Z;
                reached[static_cast<std::size_t>(i)] = 1;
                b.StartNode = NodeOf(b.StartId, b.Start);
            }
        }
        forwardReached = forwardReached || reached[static_cast<std::size_t>(i)];
    }
    int last = n;
    auto lowMark = [this] { return std::max(0, static_cast<int>(Junctions.size()) - 1); };
    int lowForward = lowMark();
    int lowBackward = 0;

    // Later sweeps: a branch is reached through the newest junction (down to the sweep's low-water
    // mark) that one of its ends matches.
    auto tryReach = [&](int i, int low) {
        if (reached[static_cast<std::size_t>(i)])
            return false;
        TConcentre& b = *Branches[static_cast<std::size_t>(i)];
        int atStart = JunctionOf(b.StartId);
        int atEnd = JunctionOf(b.EndId);
        if (atStart < low)
            atStart = -1;
        if (atEnd < low)
            atEnd = -1;
        if (atStart < 0 && atEnd < 0)
            return false;
        if (atStart >= atEnd) {
            b.StartNode = atStart + 1;
            b.EndNode = NodeOf(b.EndId, b.End);
        } else {
            b.EndNode = atEnd + 1;
            b.StartNode = NodeOf(b.StartId, b.Start);
        }
        reached[static_cast<std::size_t>(i)] = 1;
        last = i;
        return true;
    };

    while (forwardReached && !Stopped()) {
        bool backwardReached = false;
        for (int i = last - 1; i >= 0 && !Stopped(); --i)
            backwardReached = tryReach(i, lowBackward) || backwardReached;
        lowBackward = lowMark();
        if (!backwardReached)
            break;
        forwardReached = false;
        for (int i = last + 1; i < n && !Stopped(); ++i)
            forwardReached = tryReach(i, lowForward) || forwardReached;
        lowForward = lowMark();
    }
    if (Stopped())
        return false;

    // Each branch is still one gallery: its ends' node numbers are the gallery's, for the
    // distribution to place its stations without looking their names up again.
    auto keepNodes = [this] {
        for (const auto& b : Branches) {
            GalleryCopy& g = m_galleries[static_cast<std::size_t>(b->Links[0].Sheet)]
                                        [static_cast<std::size_t>(b->Links[0].Gallery)];
            g.StartNode = b->StartNode;
            g.EndNode = b->EndNode;
        }
    };
    const auto reachedCount = std::count(reached.begin(), reached.end(), 1);
    if (reachedCount == n) {
        keepNodes();
        Result = true;
        return true;
    }
    if (reachedCount == 0) {
        NoneReached = true;
        Report(ks::MessageKind::Information, ks::kNothingReachedText, false);
        return false;
    }

    SomeUnreached = true;
    for (int i = 0; i < n; ++i) {
        if (reached[static_cast<std::size_t>(i)])
            continue;
        const TConcentre& b = *Branches[static_cast<std::size_t>(i)];
        // Before condensation a branch is its one gallery, ends and all.
        std::string line = m_places[static_cast<std::size_t>(b.Links[0].Sheet)];
        line += b.Start.Final ? " Final - " : " " + b.Start.Name.Get() + " - ";
        line += b.End.Final ? std::string("Final") : b.End.Name.Get();
        UnreachedList.push_back(ks::Cp1252ToUtf8(line));
    }
    if (interactive && m_reporter) {
        ks::TQuestion question;
        question.Title = "Vacios";
        question.Text = "No son alcanzadas todas las galerías";
        question.Prompt = "¿Continuar los cálculos?";
        question.Yes = "Continuar";
        question.No = "Detener";
        question.Details = UnreachedList;
        if (!m_reporter->AskContinue(question))
            return false;
    }
    for (int i = 0; i < n; ++i)
        if (!reached[static_cast<std::size_t>(i)])
            Branches[static_cast<std::size_t>(i)].reset();
    Branches.erase(std::remove(Branches.begin(), Branches.end(), nullptr), Branches.end());
    keepNodes();
    Result = true;
    return true;
}

void TCalculateur::PositionGalleries(TMassif& massif)
{
    // Misclosures go back to the sheets this computation copied, found by address.
    std::unordered_map<const TFiche*, std::size_t> copied;
    for (std::size_t s = 0; s < m_sheets.size(); ++s)
        copied.emplace(m_sheets[s], s);

    auto locate = [this](TPointTopo& station) {
        const int id = FindStationId(station);
        if (id < 0)
            return false;
        const int ref = ReferenceOf(id);
        const TPointTopo* source = nullptr;
        if (ref >= 0) {
            source = References[static_cast<std::size_t>(ref)].get();
        } else {
            const int j = JunctionOf(id);
            if (j >= 0 && static_cast<std::size_t>(j) < Known.size() && Known[static_cast<std::size_t>(j)])
                source = Junctions[static_cast<std::size_t>(j)].get();
        }
        if (!source)
            return false;
        station.X = source->X;
        station.Y = source->Y;
        station.Z = source->Z;
        return true;
    };

    for (const auto& sheet : massif.Sheets) {
        if (!sheet)
            continue;
        auto it = copied.find(sheet.get());
        const std::vector<GalleryCopy>* copies = nullptr;
        if (it != copied.end() && m_galleries[it->second].size() == sheet->Galeries.size())
            copies = &m_galleries[it->second];
        for (std::size_t g = 0; g < sheet->Galeries.size(); ++g) {
            TGalerie& gallery = *sheet->Galeries[g];
            const bool start = locate(gallery.Start);
            const bool end = locate(gallery.End);
            gallery.Positioned = start || end;
            if (copies) {
                gallery.HorizMisclosure = (*copies)[g].HorizMisclosure;
                gallery.VertMisclosure = (*copies)[g].VertMisclosure;
            }
        }
    }
}
