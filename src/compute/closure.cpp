// Loop closure of the network: condensation, provisional positions, weighted least-squares
// adjustment of the junctions, and distribution of the misclosures along the branches.

#include "compute/calculateur.h"
#include "compute/matrice.h"
#include "compute/sparse_normal.h"
#include "model/text_utils.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <queue>

namespace {

enum WalkMode { kNetwork, kLoop, kBlind };

// Below this weighted squared length (m²) a branch counts as rigid rather than infinitely heavy:
// a zero variance would put an infinite weight in the normal equations.
constexpr double kSmallestVariance = 1e-6;

struct Vec3
{
    double x = 0, y = 0, z = 0;
};

Vec3 Position(const TPointTopo& p)
{
    return { p.X, p.Y, p.Z };
}

void SetPosition(TPointTopo& p, const Vec3& v)
{
    p.X = v.x;
    p.Y = v.y;
    p.Z = v.z;
}

bool IsLoop(const TConcentre& b)
{
    return b.StartNode >= 0 && b.StartNode == b.EndNode;
}

} // namespace

void TConcentre::FlattenLinks()
{
    if (!Parts[0])
        return;
    // Depth-first over the parts with a stack of its own: a chain of thousands of joins would
    // overflow the call stack, both here and in the destructors of nested parts, which are taken
    // apart one level at a time as they are read.
    struct Pending
    {
        std::unique_ptr<TConcentre> branch;
        bool reversed;
    };
    std::vector<Pending> stack;
    auto pushParts = [&stack](TConcentre& b, bool reversed) {
        // The part read first is pushed last.
        const int first = reversed ? 1 : 0;
        stack.push_back({ std::move(b.Parts[1 - first]), reversed != b.PartReversed[1 - first] });
        stack.push_back({ std::move(b.Parts[first]), reversed != b.PartReversed[first] });
    };
    Links.clear();
    pushParts(*this, false);
    while (!stack.empty()) {
        Pending top = std::move(stack.back());
        stack.pop_back();
        TConcentre& b = *top.branch;
        if (b.Parts[0]) {
            pushParts(b, top.reversed);
            continue;
        }
        const std::size_t n = b.Links.size();
        for (std::size_t k = 0; k < n; ++k) {
            TConcentre::Link link = b.Links[top.reversed ? n - 1 - k : k];
            link.Reversed = top.reversed != link.Reversed;
            Links.push_back(link);
        }
    }
    PartReversed[0] = PartReversed[1] = false;
}

void TCalculateur::EnsureJunctionTables()
{
    if (Known.size() < Junctions.size())
        Known.resize(Junctions.size(), 0);
}

bool TCalculateur::MergeAtJunction(int k)
{
    // The two live branches that end at k, in list order.
    auto& incident = m_incident[static_cast<std::size_t>(k)];
    std::sort(incident.begin(), incident.end());
    incident.erase(std::unique(incident.begin(), incident.end()), incident.end());
    incident.erase(std::remove_if(incident.begin(), incident.end(),
                       [&](int slot) {
                           const auto& b = Branches[static_cast<std::size_t>(slot)];
                           return !b || (b->StartNode != k && b->EndNode != k);
                       }),
        incident.end());
    if (incident.size() < 2)
        return false;
    const int firstSlot = incident[0], secondSlot = incident[1];
    std::unique_ptr<TConcentre> first = std::move(Branches[static_cast<std::size_t>(firstSlot)]);
    std::unique_ptr<TConcentre> second = std::move(Branches[static_cast<std::size_t>(secondSlot)]);
    // The joined branch runs `a` then `b`, each walked backwards when its flag says so.
    const bool firstAtStart = first->StartNode == k;
    const bool secondAtEnd = second->EndNode == k;
    if (firstAtStart && secondAtEnd)
        std::swap(first, second);
    const TConcentre& a = *first;
    const TConcentre& b = *second;
    const bool reverseA = firstAtStart && !secondAtEnd;
    const bool reverseB = !firstAtStart && secondAtEnd;
    const double signA = reverseA ? -1 : 1, signB = reverseB ? -1 : 1;

    auto joined = std::make_unique<TConcentre>();
    joined->StartNode = reverseA ? a.EndNode : a.StartNode;
    joined->EndNode = reverseB ? b.StartNode : b.EndNode;
    joined->Start.CopyFrom(reverseA ? a.End : a.Start);
    joined->End.CopyFrom(reverseB ? b.Start : b.End);
    joined->StartId = reverseA ? a.EndId : a.StartId;
    joined->EndId = reverseB ? b.StartId : b.EndId;
    joined->DX = signA * a.DX + signB * b.DX;
    joined->DY = signA * a.DY + signB * b.DY;
    joined->DZ = signA * a.DZ + signB * b.DZ;
    joined->TotalLength = a.TotalLength + b.TotalLength;
    joined->WeightedLength = a.WeightedLength + b.WeightedLength;
    joined->WeightedSquares = a.WeightedSquares + b.WeightedSquares;
    joined->PartReversed[0] = reverseA;
    joined->PartReversed[1] = reverseB;
    joined->Parts[0] = std::move(first);
    joined->Parts[1] = std::move(second);

    const int slot = static_cast<int>(Branches.size());
    for (int node : { joined->StartNode, joined->EndNode })
        if (node > 0)
            m_incident[static_cast<std::size_t>(node)].push_back(slot);
    Branches.push_back(std::move(joined));
    return true;
}

void TCalculateur::Condense(bool interactive)
{
    m_interactive = interactive;
    Branches.erase(std::remove(Branches.begin(), Branches.end(), nullptr), Branches.end());
    ReachedGalleries = static_cast<int>(Branches.size());

    const std::size_t junctions = Junctions.size() + 1; // indexed by junction number
    m_degree.assign(junctions, 0);
    m_incident.assign(junctions, {});
    for (std::size_t i = 0; i < Branches.size(); ++i) {
        for (int node : { Branches[i]->StartNode, Branches[i]->EndNode }) {
            if (node > 0) {
                ++m_degree[static_cast<std::size_t>(node)];
                m_incident[static_cast<std::size_t>(node)].push_back(static_cast<int>(i));
            }
        }
    }
    // A junction where exactly two branch ends meet is no junction: join the two branches.
    auto mergeIfTwo = [this](int k) {
        if (m_degree[static_cast<std::size_t>(k)] == 2 && MergeAtJunction(k))
            m_degree[static_cast<std::size_t>(k)] = 0;
    };
    for (int k = 1; k < static_cast<int>(junctions) && !Stopped(); ++k)
        mergeIfTwo(k);

    bool changed = true;
    while (changed && !Stopped()) {
        changed = false;
        // Loops, always the first one in list order: joined branches are appended at the end, so
        // a min-heap of slots gives the same order as rescanning from the start.
        std::priority_queue<int, std::vector<int>, std::greater<int>> loops;
        for (std::size_t i = 0; i < Branches.size(); ++i)
            if (Branches[i] && IsLoop(*Branches[i]))
                loops.push(static_cast<int>(i));
        while (!loops.empty()) {
            const auto slot = static_cast<std::size_t>(loops.top());
            loops.pop();
            if (!Branches[slot] || !IsLoop(*Branches[slot]))
                continue;
            const int k = Branches[slot]->StartNode;
            Closures.push_back(std::move(Branches[slot]));
            changed = true;
            if (k > 0) {
                m_degree[static_cast<std::size_t>(k)] -= 2;
                const std::size_t before = Branches.size();
                mergeIfTwo(k);
                if (Branches.size() > before && IsLoop(*Branches.back()))
                    loops.push(static_cast<int>(Branches.size() - 1));
            }
        }

        // Blind branches: a Final end, or a junction that only this branch reaches.
        auto blind = [this](int node) {
            return node == -1 || (node > 0 && m_degree[static_cast<std::size_t>(node)] == 1);
        };
        for (std::size_t i = 0; i < Branches.size() && !Stopped(); ++i) {
            if (!Branches[i])
                continue;
            const TConcentre& b = *Branches[i];
            const bool blindStart = blind(b.StartNode);
            if (!blindStart && !blind(b.EndNode))
                continue;
            const int other = blindStart ? b.EndNode : b.StartNode;
            DeadEnds.push_back(std::move(Branches[i]));
            changed = true;
            if (other > 0) {
                --m_degree[static_cast<std::size_t>(other)];
                mergeIfTwo(other);
            }
        }
        Branches.erase(std::remove(Branches.begin(), Branches.end(), nullptr), Branches.end());
        for (auto& incident : m_incident)
            incident.clear();
        for (std::size_t i = 0; i < Branches.size(); ++i)
            for (int node : { Branches[i]->StartNode, Branches[i]->EndNode })
                if (node > 0)
                    m_incident[static_cast<std::size_t>(node)].push_back(static_cast<int>(i));
        if (Branches.empty())
            break;
    }
    Branches.erase(std::remove(Branches.begin(), Branches.end(), nullptr), Branches.end());
    for (auto* list : { &Branches, &Closures, &DeadEnds })
        for (auto& b : *list)
            b->FlattenLinks();
    // The incidence lists are of no use past here: their memory goes back before the solve.
    std::vector<std::vector<int>>().swap(m_incident);
    std::vector<int>().swap(m_degree);

    if (interactive)
        Report(ks::MessageKind::Information,
            std::to_string(ReachedGalleries) + " galerías, " + std::to_string(Branches.size()) + " ramales, "
                + std::to_string(Closures.size()) + " cierres, " + std::to_string(DeadEnds.size())
                + " ciega,",
            false);
}

void TCalculateur::ProvisionalPositions()
{
    Known.assign(Junctions.size(), 0);
    m_shortest.assign(Junctions.size(), 0.0);
    auto setKnown = [this](int node, double shortest, const Vec3& p) {
        const auto j = static_cast<std::size_t>(node - 1);
        Known[j] = 1;
        m_shortest[j] = shortest;
        SetPosition(*Junctions[j], p);
    };

    for (const auto& b : Branches) {
        if ((b->StartNode == 0) == (b->EndNode == 0))
            continue;
        const double w = b->WeightedLength;
        const bool fixedStart = b->StartNode == 0;
        const int j = fixedStart ? b->EndNode : b->StartNode;
        if (j <= 0)
            continue;
        const auto index = static_cast<std::size_t>(j - 1);
        if (Known[index] && m_shortest[index] <= w)
            continue;
        const Vec3 p = fixedStart ? Vec3 { b->Start.X + b->DX, b->Start.Y + b->DY, b->Start.Z + b->DZ }
                                  : Vec3 { b->End.X - b->DX, b->End.Y - b->DY, b->End.Z - b->DZ };
        setKnown(j, w, p);
    }

    // Lightest paths through the junctions; the tolerance keeps the repetition finite.
    constexpr double kTolerance = 0.00001;
    bool changed = true;
    while (changed && !Stopped()) {
        changed = false;
        for (const auto& b : Branches) {
            const int s = b->StartNode, e = b->EndNode;
            if (s <= 0 || e <= 0)
                continue;
            const auto si = static_cast<std::size_t>(s - 1), ei = static_cast<std::size_t>(e - 1);
            const double w = b->WeightedLength;
            if (Known[si] && (!Known[ei] || m_shortest[si] + w + kTolerance < m_shortest[ei])) {
                const TPointTopo& from = *Junctions[si];
                setKnown(e, m_shortest[si] + w, { from.X + b->DX, from.Y + b->DY, from.Z + b->DZ });
                changed = true;
            }
            if (Known[ei] && (!Known[si] || m_shortest[ei] + w + kTolerance < m_shortest[si])) {
                const TPointTopo& from = *Junctions[ei];
                setKnown(s, m_shortest[ei] + w, { from.X - b->DX, from.Y - b->DY, from.Z - b->DZ });
                changed = true;
            }
        }
    }
}

void TCalculateur::Adjust(bool interactive)
{
    m_interactive = interactive;
    ProvisionalPositions();
    if (Stopped())
        return;

    m_equation.assign(Junctions.size(), 0);
    int n = 0;
    for (std::size_t j = 0; j < Junctions.size(); ++j)
        if (Known[j])
            m_equation[j] = ++n;
    Equations = n;
    if (interactive)
        Report(ks::MessageKind::Information, std::to_string(n) + " encrucijadas.", false);
    const auto started = std::chrono::steady_clock::now();

    // Small networks by the dense solve, larger ones by the sparse one; past the equation limit
    // only when the limits are lifted. Both take the same observations.
    const bool dense = n <= ks::kDenseEquations;
    if (n > ks::kMaxEquations && !m_flags.Unlimited.load()) {
        TooLarge = true;
        Report(ks::MessageKind::Warning, ks::kTooManyEquationsText, true);
        m_flags.Stop.store(true);
        return;
    }

    TMatrice mx(dense ? n : 0), my(dense ? n : 0), mz(dense ? n : 0);
    ks::TSparseNormal sparse(dense ? 0 : n);
    for (const auto& b : Branches) {
        auto equation
            = [this](int node) { return node > 0 ? m_equation[static_cast<std::size_t>(node - 1)] : 0; };
        auto position = [this](int node, const TPointTopo& own) {
            return node > 0 ? Position(*Junctions[static_cast<std::size_t>(node - 1)]) : Position(own);
        };
        const int i = equation(b->StartNode), j = equation(b->EndNode);
        if ((b->StartNode > 0 && i == 0) || (b->EndNode > 0 && j == 0) || b->StartNode < 0 || b->EndNode < 0)
            continue; // an end that no reference point reaches: nothing to observe
        const Vec3 ps = position(b->StartNode, b->Start), pe = position(b->EndNode, b->End);
        const double w = std::max(b->WeightedSquares, kSmallestVariance);
        const std::array<double, 3> a
            = { b->DX - (pe.x - ps.x), b->DY - (pe.y - ps.y), b->DZ - (pe.z - ps.z) };
        if (!dense) {
            if (!sparse.AddBranch(i, j, a, w))
                Report(ks::MessageKind::Warning, ks::kBothEndsFixedText, true);
            continue;
        }
        if (!mx.AddBranch(i, j, a[0], w)) {
            Report(ks::MessageKind::Warning, ks::kBothEndsFixedText, true);
            continue;
        }
        my.AddBranch(i, j, a[1], w);
        mz.AddBranch(i, j, a[2], w);
    }
    if (dense) {
        for (TMatrice* m : { &mx, &my, &mz })
            if (!Stopped())
                m->Solve(&m_flags.Stop);
    } else if (!Stopped()) {
        sparse.Solve(&m_flags.Stop);
    }

    if (!Stopped()) {
        const std::vector<double>& bx = dense ? mx.B() : sparse.B(0);
        const std::vector<double>& by = dense ? my.B() : sparse.B(1);
        const std::vector<double>& bz = dense ? mz.B() : sparse.B(2);
        for (std::size_t j = 0; j < Junctions.size(); ++j) {
            if (!Known[j])
                continue;
            const auto e = static_cast<std::size_t>(m_equation[j]);
            Junctions[j]->X += bx[e];
            Junctions[j]->Y += by[e];
            Junctions[j]->Z += bz[e];
        }
    }
    m_shortest.clear();
    m_equation.clear();
    if (interactive) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        Report(ks::MessageKind::Information, ks::FormatFixed(elapsed.count(), 2) + " s", false);
    }
}

void TCalculateur::Walk(TConcentre& b, int mode)
{
    auto endPosition = [this](int node, int id, const TPointTopo& station, Vec3& p) {
        if (node == 0) {
            const int ref = ReferenceOf(id);
            p = Position(ref >= 0 ? *References[static_cast<std::size_t>(ref)] : station);
            return true;
        }
        if (node > 0 && Known[static_cast<std::size_t>(node - 1)]) {
            p = Position(*Junctions[static_cast<std::size_t>(node - 1)]);
            return true;
        }
        return false;
    };
    Vec3 ps, pe;
    const bool hasStart = endPosition(b.StartNode, b.StartId, b.Start, ps);
    const bool hasEnd = endPosition(b.EndNode, b.EndId, b.End, pe);

    Vec3 e, rate;
    if (mode != kBlind && hasStart && hasEnd) {
        if (mode == kLoop && b.StartId >= 0 && b.StartId == b.EndId)
            e = { -b.DX, -b.DY, -b.DZ };
        else
            e = { pe.x - ps.x - b.DX, pe.y - ps.y - b.DY, pe.z - ps.z - b.DZ };
        // A branch of no weighted length takes no correction.
        if (b.WeightedLength > 0)
            rate = { e.x / b.WeightedLength, e.y / b.WeightedLength, e.z / b.WeightedLength };
    }
    double horizMisclosure = 0, vertMisclosure = 0; // the branch's, given to its galleries
    if (b.WeightedSquares > 0) {
        horizMisclosure = std::hypot(e.x / b.WeightedSquares, e.y / b.WeightedSquares);
        vertMisclosure = std::fabs(e.z / b.WeightedSquares);
    }

    auto place = [this](int node, const Vec3& p) {
        if (node <= 0)
            return;
        SetPosition(*Junctions[static_cast<std::size_t>(node - 1)], p);
        Known[static_cast<std::size_t>(node - 1)] = 1;
    };
    const int count = b.GalleryCount();
    auto gallery = [&](int k) -> GalleryCopy& {
        const TConcentre::Link& link = b.Links[static_cast<std::size_t>(k)];
        return m_galleries[static_cast<std::size_t>(link.Sheet)][static_cast<std::size_t>(link.Gallery)];
    };

    if (hasStart) {
        Vec3 p = ps;
        for (int k = 0; k < count; ++k) {
            GalleryCopy& g = gallery(k);
            g.HorizMisclosure = horizMisclosure;
            g.VertMisclosure = vertMisclosure;
            if (k == count - 1 && mode != kBlind)
                break;
            const bool reversed = b.Links[static_cast<std::size_t>(k)].Reversed;
            const double sign = reversed ? -1.0 : 1.0;
            const double share = g.Deformation * g.TotalLength;
            p.x += sign * g.X + rate.x * share;
            p.y += sign * g.Y + rate.y * share;
            p.z += sign * g.Z + rate.z * share;
            place(reversed ? g.StartNode : g.EndNode, p);
        }
    } else if (hasEnd) {
        Vec3 p = pe;
        for (int k = count - 1; k >= 0; --k) {
            GalleryCopy& g = gallery(k);
            g.HorizMisclosure = horizMisclosure;
            g.VertMisclosure = vertMisclosure;
            const bool reversed = b.Links[static_cast<std::size_t>(k)].Reversed;
            const double sign = reversed ? -1.0 : 1.0;
            p.x -= sign * g.X;
            p.y -= sign * g.Y;
            p.z -= sign * g.Z;
            place(reversed ? g.EndNode : g.StartNode, p);
        }
    }
}

void TCalculateur::Distribute()
{
    EnsureJunctionTables();
    for (const auto& b : Branches) {
        if (Stopped())
            return;
        Walk(*b, kNetwork);
    }
    std::vector<std::uint8_t> closureWalked(Closures.size(), 0), deadEndWalked(DeadEnds.size(), 0);
    auto fixed
        = [this](int node) { return node == 0 || (node > 0 && Known[static_cast<std::size_t>(node - 1)]); };
    bool walked = true;
    while (walked && !Stopped()) {
        walked = false;
        for (std::size_t i = Closures.size(); i-- > 0;) {
            if (closureWalked[i] || !fixed(Closures[i]->StartNode))
                continue;
            Walk(*Closures[i], kLoop);
            closureWalked[i] = 1;
            walked = true;
        }
        for (std::size_t i = DeadEnds.size(); i-- > 0;) {
            if (deadEndWalked[i] || !(fixed(DeadEnds[i]->StartNode) || fixed(DeadEnds[i]->EndNode)))
                continue;
            Walk(*DeadEnds[i], kBlind);
            deadEndWalked[i] = 1;
            walked = true;
        }
    }
}
