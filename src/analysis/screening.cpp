// Data screening. The network of galleries is spanned by a tree from the reference points; each
// gallery (or reference point) outside the tree closes one independent loop. A loop's misclosure
// is weighed by the covariance its shots' reading errors give it; a loop that does not close is
// explained, shot by shot, by the misreadings cavers make.
#include "analysis/screening.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <optional>

namespace ks {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180;
// Chi-square with three degrees of freedom: a loop beyond kSuspect is searched, one beyond
// kFlag (a chance of about 1e-6 for a clean loop, so far below one false alarm per 10 000
// shots) may flag its shot, and a correction must bring every loop of its shot below kClosed.
constexpr double kSuspect = 11.34; // 1 %
constexpr double kFlag = 30.0;
constexpr double kClosed = 11.34;

using Vec = std::array<double, 3>;
using Mat = std::array<double, 9>; // row major

Vec Add(const Vec& a, const Vec& b, double s = 1)
{
    return { a[0] + s * b[0], a[1] + s * b[1], a[2] + s * b[2] };
}
double Norm(const Vec& a)
{
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

// m' C^-1 m, C made invertible by a floor of (1 mm)^2 on its diagonal.
double ChiSquare(const Vec& m, Mat c)
{
    for (int i : { 0, 4, 8 })
        c[static_cast<std::size_t>(i)] += 1e-6;
    const double a = c[0], b = c[1], d = c[2], e = c[4], f = c[5], i = c[8];
    const double det = a * (e * i - f * f) - b * (b * i - f * d) + d * (b * f - e * d);
    if (!(std::fabs(det) > 0))
        return 0;
    // The inverse of a symmetric 3 x 3 matrix by its cofactors.
    const Mat inv { (e * i - f * f) / det, (d * f - b * i) / det, (b * f - d * e) / det,
        (d * f - b * i) / det, (a * i - d * d) / det, (b * d - a * f) / det, (b * f - d * e) / det,
        (b * d - a * f) / det, (a * e - b * b) / det };
    double q = 0;
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t k = 0; k < 3; ++k)
            q += m[r] * inv[r * 3 + k] * m[k];
    return std::max(0.0, q);
}

double ChiSquareH(const Vec& m, const Mat& c)
{
    const double a = c[0] + 1e-6, b = c[1], e = c[4] + 1e-6;
    const double det = a * e - b * b;
    return det > 0 ? std::max(0.0, (m[0] * m[0] * e - 2 * m[0] * m[1] * b + m[1] * m[1] * a) / det) : 0;
}

// A shot's displacement from its length, bearing and inclination (radians), and the covariance
// its reading errors give it: J diag(sL^2, sB^2, sI^2) J'.
Vec Displacement(double l, double bearing, double incl)
{
    return { l * std::cos(incl) * std::sin(bearing), l * std::cos(incl) * std::cos(bearing),
        l * std::sin(incl) };
}

Mat Covariance(double l, double bearing, double incl, const TInstrumentErrors& e)
{
    const double ci = std::cos(incl), si = std::sin(incl), cb = std::cos(bearing), sb = std::sin(bearing);
    const Vec dl { ci * sb, ci * cb, si };
    const Vec db { l * ci * cb, -l * ci * sb, 0 };
    const Vec di { -l * si * sb, -l * si * cb, l * ci };
    const double vl = e.Length * e.Length, vb = std::pow(e.Bearing * kRad, 2),
                 vi = std::pow(e.Inclination * kRad, 2);
    Mat c {};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t k = 0; k < 3; ++k)
            c[r * 3 + k] = dl[r] * dl[k] * vl + db[r] * db[k] * vb + di[r] * di[k] * vi;
    return c;
}

// A shot as the screening sees it: its reduced displacement, and the readings it came from.
struct Shot
{
    const TVisee* Reading;
    Vec D; // displacement, metres
    double L, Bearing, Incl; // metres, radians (bearing from the massif's grid north)
};

struct Edge
{
    int From = 0, To = 0; // nodes
    Vec V {};
    Mat C {};
    double Length = 0;
    int Gallery = -1; // index in m_galleries; -1 for a reference point's tie to the ground
    std::vector<Shot> Shots;
};

class Screener
{
public:
    Screener(const TMassif& massif, const TInstrumentErrors& errors, const std::atomic<bool>* stop)
        : m_massif(massif)
        , m_errors(errors)
        , m_stop(stop)
    { }

    TScreening Run()
    {
        Build();
        if (!Stopped())
            Span();
        if (!Stopped())
            Figures();
        if (!Stopped())
            Search();
        m_result.Stopped = Stopped();
        return std::move(m_result);
    }

private:
    bool Stopped() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    int Node(const TPointTopo& p)
    {
        if (p.Final)
            return m_nodes++;
        const auto [it, added]
            = m_ids.emplace(std::make_pair(UpperCase(p.Name.Get()), int(p.Number)), m_nodes);
        if (added)
            ++m_nodes;
        return it->second;
    }

    void Build()
    {
        m_nodes = 1; // node 0: the ground, tied to every reference point
        for (const auto& r : m_massif.References) {
            Edge e;
            e.From = 0;
            e.To = Node(*r);
            e.V = { r->X * 1000, r->Y * 1000, r->Z };
            m_edges.push_back(e);
        }
        for (const auto& sheet : m_massif.Sheets) {
            for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
                const TGalerie& g = *sheet->Galeries[gi];
                Edge e;
                e.From = Node(g.Start);
                e.To = Node(g.End);
                e.Gallery = static_cast<int>(m_keys.size());
                m_keys.push_back({ sheet->Ordre, static_cast<int>(gi) });
                Vec previous {};
                for (const TVisee& v : g.Shots) {
                    const Vec cum { v.CumX, v.CumY, v.CumZ };
                    const Vec d = Add(cum, previous, -1);
                    previous = cum;
                    const double h = std::hypot(d[0], d[1]);
                    Shot s { &v, d, Norm(d), std::atan2(d[0], d[1]), std::atan2(d[2], h) };
                    const Mat c = Covariance(s.L, s.Bearing, s.Incl, m_errors);
                    for (std::size_t k = 0; k < 9; ++k)
                        e.C[k] += c[k];
                    e.Length += s.L;
                    e.Shots.push_back(s);
                }
                e.V = previous;
                m_result.Shots += g.ShotCount();
                m_edges.push_back(std::move(e));
            }
        }
    }

    // A spanning forest from the ground (then from any part no reference point holds): each edge
    // outside it closes one loop.
    void Span()
    {
        std::vector<std::vector<int>> at(static_cast<std::size_t>(m_nodes));
        for (std::size_t i = 0; i < m_edges.size(); ++i) {
            at[static_cast<std::size_t>(m_edges[i].From)].push_back(static_cast<int>(i));
            at[static_cast<std::size_t>(m_edges[i].To)].push_back(static_cast<int>(i));
        }
        m_parent.assign(static_cast<std::size_t>(m_nodes), -1);
        m_depth.assign(static_cast<std::size_t>(m_nodes), -1);
        m_position.assign(static_cast<std::size_t>(m_nodes), Vec {});
        std::vector<bool> inTree(m_edges.size(), false);
        for (int root = 0; root < m_nodes; ++root) {
            if (m_depth[static_cast<std::size_t>(root)] >= 0)
                continue;
            m_depth[static_cast<std::size_t>(root)] = 0;
            std::deque<int> queue { root };
            while (!queue.empty()) {
                const int n = queue.front();
                queue.pop_front();
                for (int ei : at[static_cast<std::size_t>(n)]) {
                    const Edge& e = m_edges[static_cast<std::size_t>(ei)];
                    const int other = e.From == n ? e.To : e.From;
                    if (m_depth[static_cast<std::size_t>(other)] >= 0)
                        continue;
                    inTree[static_cast<std::size_t>(ei)] = true;
                    m_parent[static_cast<std::size_t>(other)] = ei;
                    m_depth[static_cast<std::size_t>(other)] = m_depth[static_cast<std::size_t>(n)] + 1;
                    m_position[static_cast<std::size_t>(other)]
                        = Add(m_position[static_cast<std::size_t>(n)], e.V, e.From == n ? 1 : -1);
                    queue.push_back(other);
                }
            }
        }
        m_loopsOf.assign(m_edges.size(), {});
        for (std::size_t i = 0; i < m_edges.size() && !Stopped(); ++i)
            if (!inTree[i])
                Loop(static_cast<int>(i));
    }

    // The loop an edge outside the tree closes: the edge, then the tree path back to its start.
    void Loop(int closing)
    {
        const Edge& e = m_edges[static_cast<std::size_t>(closing)];
        LoopData loop;
        loop.Edges.push_back({ closing, 1 });
        loop.M = Add(Add(m_position[static_cast<std::size_t>(e.From)], e.V),
            m_position[static_cast<std::size_t>(e.To)], -1);
        // Walk up from both ends to where they meet; the path from To up is walked forwards, the
        // path from From up backwards, so that the loop runs From -> To -> ... -> From.
        int a = e.To, b = e.From;
        std::vector<std::pair<int, int>> fromSide;
        while (a != b) {
            const bool upA = m_depth[static_cast<std::size_t>(a)] >= m_depth[static_cast<std::size_t>(b)];
            int& n = upA ? a : b;
            const int ei = m_parent[static_cast<std::size_t>(n)];
            if (ei < 0)
                return; // different trees: cannot happen for an edge between them
            const Edge& p = m_edges[static_cast<std::size_t>(ei)];
            const bool down = p.To == n; // the tree edge points towards n
            if (upA)
                loop.Edges.push_back({ ei, down ? -1 : 1 });
            else
                fromSide.push_back({ ei, down ? 1 : -1 });
            n = down ? p.From : p.To;
        }
        loop.Edges.insert(loop.Edges.end(), fromSide.rbegin(), fromSide.rend());
        const int index = static_cast<int>(m_loops.size());
        for (const auto& [ei, sign] : loop.Edges) {
            const Edge& x = m_edges[static_cast<std::size_t>(ei)];
            for (std::size_t k = 0; k < 9; ++k)
                loop.C[k] += x.C[k];
            loop.Length += x.Length;
            loop.ThroughReferences |= x.Gallery < 0;
            m_loopsOf[static_cast<std::size_t>(ei)].push_back({ index, sign });
        }
        m_loops.push_back(std::move(loop));
    }

    void Figures()
    {
        double sumH = 0, sumV = 0;
        for (const LoopData& l : m_loops) {
            TLoopFigure f;
            for (const auto& [ei, sign] : l.Edges) {
                const int g = m_edges[static_cast<std::size_t>(ei)].Gallery;
                if (g >= 0) {
                    f.Galleries.push_back(m_keys[static_cast<std::size_t>(g)]);
                    f.Signs.push_back(sign);
                }
            }
            f.ThroughReferences = l.ThroughReferences;
            f.Misclosure = l.M;
            f.Length = l.Length;
            f.Share = l.Length > 0 ? Norm(l.M) / l.Length : 0;
            f.Normalised = std::sqrt(ChiSquare(l.M, l.C));
            f.Horizontal = std::sqrt(ChiSquareH(l.M, l.C));
            f.Vertical = std::fabs(l.M[2]) / std::sqrt(l.C[8] + 1e-6);
            sumH += f.Horizontal * f.Horizontal;
            sumV += f.Vertical * f.Vertical;
            m_result.Loops.push_back(f);
        }
        if (!m_loops.empty()) {
            m_result.UnitVarianceH = sumH / (2.0 * static_cast<double>(m_loops.size()));
            m_result.UnitVarianceV = sumV / static_cast<double>(m_loops.size());
        }
        // Each loop's chi-square, for the figure of the network with each branch floated.
        std::vector<double> q;
        double total = 0;
        for (const LoopData& l : m_loops) {
            q.push_back(ChiSquare(l.M, l.C));
            total += q.back();
        }
        const double k = static_cast<double>(m_loops.size());
        for (std::size_t i = 0; i < m_edges.size(); ++i) {
            if (m_edges[i].Gallery < 0)
                continue;
            if (m_loopsOf[i].empty()) {
                m_result.ShotsOutsideLoops += static_cast<int>(m_edges[i].Shots.size());
                continue;
            }
            double without = total;
            for (const auto& [li, sign] : m_loopsOf[i])
                without -= q[static_cast<std::size_t>(li)];
            const double left = k - static_cast<double>(m_loopsOf[i].size());
            TBranchFigure b;
            b.Where = m_keys[static_cast<std::size_t>(m_edges[i].Gallery)];
            b.Loops = static_cast<int>(m_loopsOf[i].size());
            b.Ratio = left > 0 && without > 0 ? (total / k) / (without / left) : 1;
            m_result.Branches.push_back(b);
        }
        std::sort(m_result.Branches.begin(), m_result.Branches.end(),
            [](const TBranchFigure& a, const TBranchFigure& b) { return a.Ratio > b.Ratio; });
        std::sort(m_result.Loops.begin(), m_result.Loops.end(),
            [](const TLoopFigure& a, const TLoopFigure& b) { return a.Normalised > b.Normalised; });
    }

    struct Hypothesis
    {
        SuspectKind Kind;
        Vec Corrected;
        std::string Correction;
    };

    // The misreadings that would have given this shot: each with the shot as it should be.
    std::vector<Hypothesis> Hypotheses(const Shot& s, int ei) const
    {
        std::vector<Hypothesis> out;
        const TVisee& v = *s.Reading;
        const std::vector<std::pair<int, int>>& loops = m_loopsOf[static_cast<std::size_t>(ei)];
        // The best change of one reading, by least squares over the shot's loops, linearised.
        auto solve = [&](const Vec& derivative) {
            double num = 0, den = 0;
            for (const auto& [li, sign] : loops) {
                const LoopData& l = m_loops[static_cast<std::size_t>(li)];
                const double w = 1.0 / (l.C[0] + l.C[4] + l.C[8] + 1e-6); // a plain weight per loop
                for (std::size_t k = 0; k < 3; ++k) {
                    num += w * sign * derivative[k] * l.M[k];
                    den += w * derivative[k] * derivative[k];
                }
            }
            return den > 0 ? -num / den : 0.0;
        };
        // The correction to two decimals, as readings are written.
        auto text = [](const char* what, double from, double to) {
            return std::string(what) + " " + FormatG(from, 8) + " → "
                + FormatG(std::round(to * 100) / 100, 8);
        };
        const double unitAz = v.AzimuthUnit == kGrades || v.AzimuthUnit == kBackGrades ? 0.9 : 1.0;
        // Bearing off by some degrees: the error lies across the shot.
        const Vec dBearing { s.L * std::cos(s.Incl) * std::cos(s.Bearing),
            -s.L * std::cos(s.Incl) * std::sin(s.Bearing), 0 };
        const double db = solve(dBearing);
        out.push_back({ SuspectKind::Azimuth, Displacement(s.L, s.Bearing + db, s.Incl),
            text("azimut", v.Azimuth, v.Azimuth + db / kRad / unitAz) });
        // Length off: along the shot.
        const double dl = solve(
            { s.D[0] / std::max(s.L, 1e-9), s.D[1] / std::max(s.L, 1e-9), s.D[2] / std::max(s.L, 1e-9) });
        if (s.L + dl > 0)
            out.push_back({ SuspectKind::Length, Displacement(s.L + dl, s.Bearing, s.Incl),
                text("longitud", v.Length, v.Length + dl * (v.LengthUnit == kCentimetres ? 100 : 1)) });
        // Inclination off, or with the wrong sign.
        const Vec dIncl { -s.L * std::sin(s.Incl) * std::sin(s.Bearing),
            -s.L * std::sin(s.Incl) * std::cos(s.Bearing), s.L * std::cos(s.Incl) };
        const double di = solve(dIncl);
        const bool degrees = v.InclinationUnit == kDegrees || v.InclinationUnit == kGrades;
        const double unitIncl = v.InclinationUnit == kGrades ? 0.9 : 1.0;
        if (std::fabs(s.Incl + di) <= kPi / 2)
            out.push_back({ SuspectKind::Inclination, Displacement(s.L, s.Bearing, s.Incl + di),
                degrees ? text("inclinación", v.Inclination, v.Inclination + di / kRad / unitIncl)
                        : text("inclinación (grados)", s.Incl / kRad, (s.Incl + di) / kRad) });
        if (std::fabs(s.D[2]) > 1e-9)
            out.push_back({ SuspectKind::Inclination, { s.D[0], s.D[1], -s.D[2] },
                degrees ? text("inclinación", v.Inclination, -v.Inclination)
                        : text("inclinación (grados)", s.Incl / kRad, -s.Incl / kRad) });
        // Read backwards: the horizontal part turned round.
        out.push_back({ SuspectKind::Reversed, { -s.D[0], -s.D[1], s.D[2] },
            text("azimut", v.Azimuth, std::fmod(v.Azimuth + 180 / unitAz, 360 / unitAz)) });
        // Two neighbouring digits swapped in the azimuth or the length as written.
        auto swaps = [](const std::string& written) {
            std::vector<std::string> out2;
            for (std::size_t i = 0; i + 1 < written.size(); ++i)
                if (std::isdigit(static_cast<unsigned char>(written[i]))
                    && std::isdigit(static_cast<unsigned char>(written[i + 1]))
                    && written[i] != written[i + 1]) {
                    std::string t = written;
                    std::swap(t[i], t[i + 1]);
                    out2.push_back(t);
                }
            return out2;
        };
        for (const std::string& t : swaps(FormatG(v.Azimuth, 10))) {
            const double a = ToReal(t);
            out.push_back(
                { SuspectKind::Digits, Displacement(s.L, s.Bearing + (a - v.Azimuth) * unitAz * kRad, s.Incl),
                    text("azimut", v.Azimuth, a) });
        }
        for (const std::string& t : swaps(FormatG(v.Length, 10))) {
            const double l = ToReal(t);
            out.push_back({ SuspectKind::Digits,
                Displacement(s.L * (v.Length != 0 ? l / v.Length : 1), s.Bearing, s.Incl),
                text("longitud", v.Length, l) });
        }
        return out;
    }

    void Search()
    {
        std::vector<TSuspect> suspects;
        std::vector<int> bestLoop;
        for (std::size_t edge = 0; edge < m_edges.size() && !Stopped(); ++edge) {
            const Edge& e = m_edges[edge];
            const auto& loops = m_loopsOf[edge];
            const int ei = static_cast<int>(edge);
            if (e.Gallery < 0 || loops.empty())
                continue;
            double before = 0, worst = 0;
            int worstLoop = -1;
            for (const auto& [li, sign] : loops) {
                const LoopData& l = m_loops[static_cast<std::size_t>(li)];
                const double q = ChiSquare(l.M, l.C);
                before += q;
                if (q > worst)
                    worst = q, worstLoop = li;
            }
            if (worst < kSuspect)
                continue;
            for (std::size_t k = 0; k < e.Shots.size(); ++k) {
                const Shot& s = e.Shots[k];
                std::optional<TSuspect> best;
                for (const Hypothesis& h : Hypotheses(s, ei)) {
                    // A length that is no length, or a shot steeper than a plumb, is no reading.
                    const double length = Norm(h.Corrected);
                    if (!(length > 0) || length > 2 * s.L + 100)
                        continue;
                    const Vec change = Add(h.Corrected, s.D, -1);
                    double after = 0, left = 0, was = 0, worstAfter = 0;
                    for (const auto& [li, sign] : loops) {
                        const LoopData& l = m_loops[static_cast<std::size_t>(li)];
                        const Vec m = Add(l.M, change, sign);
                        const double q = ChiSquare(m, l.C);
                        after += q;
                        worstAfter = std::max(worstAfter, q);
                        left += Norm(m);
                        was += Norm(l.M);
                    }
                    const double score = before - after;
                    if (score <= 0 || (best && score <= best->Score))
                        continue;
                    TSuspect t;
                    t.Where = m_keys[static_cast<std::size_t>(e.Gallery)];
                    t.Shot = static_cast<int>(k) + 1;
                    t.Kind = h.Kind;
                    t.Correction = h.Correction;
                    t.Explains = was > 0 ? std::clamp(1 - left / was, 0.0, 1.0) : 0;
                    t.Score = score;
                    t.Flagged = worst >= kFlag && worstAfter <= kClosed;
                    best = t;
                }
                if (best && best->Explains >= 0.5) {
                    suspects.push_back(*best);
                    bestLoop.push_back(worstLoop);
                }
            }
        }
        // A loop flags only its one clear suspect: another shot that explains it nearly as well
        // (any of a straight gallery's lengths, say) leaves the choice to the caver.
        std::map<int, std::vector<std::size_t>> byLoop;
        for (std::size_t i = 0; i < suspects.size(); ++i)
            byLoop[bestLoop[i]].push_back(i);
        for (auto& [loop, members] : byLoop) {
            std::sort(members.begin(), members.end(),
                [&](std::size_t a, std::size_t b) { return suspects[a].Score > suspects[b].Score; });
            for (std::size_t r = 1; r < members.size(); ++r)
                suspects[members[r]].Flagged = false;
            if (members.size() > 1 && suspects[members[1]].Score > 0.8 * suspects[members[0]].Score)
                suspects[members[0]].Flagged = false;
        }
        std::sort(suspects.begin(), suspects.end(), [](const TSuspect& a, const TSuspect& b) {
            return a.Flagged != b.Flagged ? a.Flagged : a.Score > b.Score;
        });
        m_result.Suspects = std::move(suspects);
    }

    struct LoopData
    {
        std::vector<std::pair<int, int>> Edges; // edge, sign
        Vec M {};
        Mat C {};
        double Length = 0;
        bool ThroughReferences = false;
    };

    const TMassif& m_massif;
    TInstrumentErrors m_errors;
    const std::atomic<bool>* m_stop;
    TScreening m_result;
    std::map<std::pair<std::string, int>, int> m_ids;
    int m_nodes = 0;
    std::vector<Edge> m_edges;
    std::vector<TGalleryKey> m_keys;
    std::vector<int> m_parent, m_depth;
    std::vector<Vec> m_position;
    std::vector<LoopData> m_loops;
    std::vector<std::vector<std::pair<int, int>>> m_loopsOf; // by edge: (loop, sign)
};

} // namespace

const char* SuspectKindName(SuspectKind kind)
{
    switch (kind) {
    case SuspectKind::Azimuth:
        return "azimuth";
    case SuspectKind::Length:
        return "length";
    case SuspectKind::Inclination:
        return "inclination";
    case SuspectKind::Reversed:
        return "reversed";
    case SuspectKind::Digits:
        return "digits";
    }
    return "";
}

TScreening Screen(const TMassif& massif, const TInstrumentErrors& errors, const std::atomic<bool>* stop)
{
    return Screener(massif, errors, stop).Run();
}

} // namespace ks
