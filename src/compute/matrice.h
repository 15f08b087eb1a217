#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

// Normal equations of one coordinate of the loop adjustment: N unknowns (junction corrections),
// numbered from 1. Dense storage with a zero flag per coefficient so that the elimination skips
// the (mostly empty) entries of a cave network.
class TMatrice
{
public:
    explicit TMatrice(int n);
    virtual ~TMatrice() = default;

    int N() const { return m_n; }
    double At(int row, int column) const { return m_rows[Index(row, column)]; }
    bool IsZero(int row, int column) const { return m_zero[Index(row, column)] != 0; }
    // Right-hand side; the solution after Solve. Entry i is unknown i (from 1); entry 0 is unused.
    const std::vector<double>& B() const { return m_b; }

    // Adds the observation position(j) - position(i) = a with weight 1/w; 0 for a fixed end.
    // False (nothing added) when both ends are fixed.
    bool AddBranch(int i, int j, double a, double w);

    // Gauss-Jordan elimination in place with diagonal pivots. Checks `stop` at every pivot and
    // returns false when it was raised. A pivot of 0 (an unknown that no observation ties to a
    // fixed point) leaves that unknown's correction at 0 instead of spreading NaN.
    bool Solve(const std::atomic<bool>* stop = nullptr);

private:
    std::size_t Index(int row, int column) const
    {
        return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(m_n)
            + static_cast<std::size_t>(column - 1);
    }

    int m_n;
    std::vector<double> m_rows;
    std::vector<std::uint8_t> m_zero;
    std::vector<double> m_b;
};
