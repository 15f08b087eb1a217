#pragma once
// The sparse normal equations of large networks (TSparseNormal).

#include <array>
#include <atomic>
#include <functional>
#include <vector>

namespace ks {

// Normal equations of the loop adjustment for networks beyond the dense solve's size: the three
// coordinates share one matrix (the branches' weights), so it is ordered and factorised once and
// solved for three right-hand sides. Unknowns are numbered from 1 as in TMatrice; 0 is a fixed end.
//
// The matrix is ordered by approximate minimum degree (Eigen's AMD), which keeps the fill of a
// cave network's factor small, then factorised as L D L' row by row (up-looking), checking the
// stop flag as it goes. An unknown that nothing ties to a fixed point (a zero pivot) keeps a
// correction of 0, as in the dense solve.
class TSparseNormal
{
public:
    explicit TSparseNormal(int n);

    int N() const { return m_n; }
    // Adds the observation position(j) - position(i) = a (per coordinate) with weight 1/w.
    // False (nothing added) when both ends are fixed.
    bool AddBranch(int i, int j, const std::array<double, 3>& a, double w);
    // Factorises and solves; false when `stop` was raised first.
    bool Solve(const std::atomic<bool>* stop = nullptr);
    // Right-hand side of one coordinate (0 x, 1 y, 2 z); the solution after Solve. Entry i is
    // unknown i (from 1); entry 0 is unused.
    const std::vector<double>& B(int axis) const { return m_b[static_cast<std::size_t>(axis)]; }
    // Called once the factor's structure is known, as the numeric factorisation starts: a test
    // raises the stop there to stop the factorisation itself.
    std::function<void()> OnNumericStart;

private:
    struct Entry
    {
        int row, column;
        double value;
    };

    int m_n;
    std::vector<Entry> m_entries; // off-diagonal weights, both triangles, duplicates summed later
    std::vector<double> m_diagonal;
    std::array<std::vector<double>, 3> m_b;
};

} // namespace ks
