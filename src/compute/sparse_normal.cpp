// The sparse normal equations of large networks: AMD order, then L D L' for the three coordinates.
#include "compute/sparse_normal.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>

#include <cmath>
#include <limits>

namespace ks {

namespace {

bool Raised(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

} // namespace

TSparseNormal::TSparseNormal(int n)
    : m_n(n < 0 ? 0 : n)
    , m_diagonal(static_cast<std::size_t>(m_n), 0.0)
{
    for (auto& b : m_b)
        b.assign(static_cast<std::size_t>(m_n) + 1, 0.0);
}

bool TSparseNormal::AddBranch(int i, int j, const std::array<double, 3>& a, double w)
{
    if (i <= 0 && j <= 0)
        return false;
    const double weight = 1.0 / w;
    if (i > 0)
        m_diagonal[static_cast<std::size_t>(i - 1)] += weight;
    if (j > 0)
        m_diagonal[static_cast<std::size_t>(j - 1)] += weight;
    if (i > 0 && j > 0) {
        m_entries.push_back({ i - 1, j - 1, -weight });
        m_entries.push_back({ j - 1, i - 1, -weight });
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (i > 0)
            m_b[axis][static_cast<std::size_t>(i)] -= a[axis] * weight;
        if (j > 0)
            m_b[axis][static_cast<std::size_t>(j)] += a[axis] * weight;
    }
    return true;
}

bool TSparseNormal::Solve(const std::atomic<bool>* stop)
{
    const int n = m_n;
    if (n == 0)
        return !Raised(stop);

    // The whole symmetric matrix in compressed columns, duplicates (parallel branches) summed.
    using Matrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
    Matrix a(n, n);
    {
        std::vector<Eigen::Triplet<double, int>> triplets;
        triplets.reserve(m_entries.size() + static_cast<std::size_t>(n));
        for (const Entry& e : m_entries)
            triplets.emplace_back(e.row, e.column, e.value);
        for (int k = 0; k < n; ++k)
            triplets.emplace_back(k, k, m_diagonal[static_cast<std::size_t>(k)]);
        a.setFromTriplets(triplets.begin(), triplets.end());
        a.makeCompressed();
    }
    m_entries.clear();
    m_entries.shrink_to_fit();
    if (Raised(stop))
        return false;

    // Fill-reducing order: new unknown k is old unknown order[k].
    Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> permutation;
    Eigen::AMDOrdering<int>()(a, permutation);
    const auto un = static_cast<std::size_t>(n);
    std::vector<int> order(un), inverse(un);
    for (int k = 0; k < n; ++k) {
        order[static_cast<std::size_t>(k)] = permutation.indices()[k];
        inverse[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = k;
    }
    if (Raised(stop))
        return false;

    const int* ap = a.outerIndexPtr();
    const int* ai = a.innerIndexPtr();
    const double* ax = a.valuePtr();

    // Symbolic: the elimination tree and the count of entries in each column of L.
    std::vector<int> parent(un), count(un), flag(un);
    for (int k = 0; k < n; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        parent[uk] = -1;
        flag[uk] = k;
        count[uk] = 0;
        const int column = order[uk];
        for (int p = ap[column]; p < ap[column + 1]; ++p) {
            for (int i = inverse[static_cast<std::size_t>(ai[p])];
                 i < k && flag[static_cast<std::size_t>(i)] != k; i = parent[static_cast<std::size_t>(i)]) {
                const auto ui = static_cast<std::size_t>(i);
                if (parent[ui] == -1)
                    parent[ui] = k;
                ++count[ui];
                flag[ui] = k;
            }
        }
    }
    std::vector<long long> start(un + 1, 0);
    for (std::size_t k = 0; k < un; ++k)
        start[k + 1] = start[k] + count[k];
    if (Raised(stop))
        return false;
    if (OnNumericStart)
        OnNumericStart();

    // Numeric, one row of L at a time: solve for row k against the rows above it along the
    // elimination tree.
    std::vector<int> rows(static_cast<std::size_t>(start[un]));
    std::vector<double> values(static_cast<std::size_t>(start[un]));
    std::vector<double> d(un), y(un, 0.0);
    std::vector<int> pattern(un);
    std::fill(count.begin(), count.end(), 0);
    for (int k = 0; k < n; ++k) {
        if ((k & 255) == 0 && Raised(stop))
            return false;
        const auto uk = static_cast<std::size_t>(k);
        int top = n;
        flag[uk] = k;
        const int column = order[uk];
        for (int p = ap[column]; p < ap[column + 1]; ++p) {
            int i = inverse[static_cast<std::size_t>(ai[p])];
            if (i > k)
                continue;
            y[static_cast<std::size_t>(i)] += ax[p];
            int length = 0;
            for (; flag[static_cast<std::size_t>(i)] != k; i = parent[static_cast<std::size_t>(i)]) {
                pattern[static_cast<std::size_t>(length++)] = i;
                flag[static_cast<std::size_t>(i)] = k;
            }
            while (length > 0)
                pattern[static_cast<std::size_t>(--top)] = pattern[static_cast<std::size_t>(--length)];
        }
        d[uk] = y[uk];
        y[uk] = 0;
        for (; top < n; ++top) {
            const auto ui = static_cast<std::size_t>(pattern[static_cast<std::size_t>(top)]);
            const double yi = y[ui];
            y[ui] = 0;
            const long long end = start[ui] + count[ui];
            for (long long p = start[ui]; p < end; ++p)
                y[static_cast<std::size_t>(rows[static_cast<std::size_t>(p)])]
                    -= values[static_cast<std::size_t>(p)] * yi;
            const double lki = yi / d[ui];
            d[uk] -= lki * yi;
            rows[static_cast<std::size_t>(end)] = k;
            values[static_cast<std::size_t>(end)] = lki;
            ++count[ui];
        }
        // An unknown tied to nothing: an infinite pivot gives it, and takes from the others, nothing.
        if (!(d[uk] > 0) || !std::isfinite(d[uk]))
            d[uk] = std::numeric_limits<double>::infinity();
    }

    // L D L' x = b for each coordinate, in the fill-reducing order.
    std::vector<double> x(un);
    for (auto& b : m_b) {
        if (Raised(stop))
            return false;
        for (std::size_t k = 0; k < un; ++k)
            x[k] = b[static_cast<std::size_t>(order[k]) + 1];
        for (std::size_t j = 0; j < un; ++j)
            for (long long p = start[j]; p < start[j + 1]; ++p)
                x[static_cast<std::size_t>(rows[static_cast<std::size_t>(p)])]
                    -= values[static_cast<std::size_t>(p)] * x[j];
        for (std::size_t j = 0; j < un; ++j)
            x[j] /= d[j];
        for (std::size_t j = un; j-- > 0;)
            for (long long p = start[j]; p < start[j + 1]; ++p)
                x[j] -= values[static_cast<std::size_t>(p)]
                    * x[static_cast<std::size_t>(rows[static_cast<std::size_t>(p)])];
        for (std::size_t k = 0; k < un; ++k)
            b[static_cast<std::size_t>(order[k]) + 1] = x[k];
    }
    return true;
}

} // namespace ks
