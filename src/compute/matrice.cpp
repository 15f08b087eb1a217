// The dense normal equations of the loop adjustment, eliminated in place.
#include "compute/matrice.h"

#include <cmath>

TMatrice::TMatrice(int n)
    : m_n(n < 0 ? 0 : n)
    , m_rows(static_cast<std::size_t>(m_n) * static_cast<std::size_t>(m_n), 0.0)
    , m_zero(static_cast<std::size_t>(m_n) * static_cast<std::size_t>(m_n), 1)
    , m_b(static_cast<std::size_t>(m_n) + 1, 0.0)
{ }

bool TMatrice::AddBranch(int i, int j, double a, double w)
{
    const double weight = 1.0 / w;
    if (i > 0 && j > 0) {
        m_rows[Index(i, i)] += weight;
        m_rows[Index(j, j)] += weight;
        m_rows[Index(i, j)] -= weight;
        m_rows[Index(j, i)] -= weight;
        m_zero[Index(i, i)] = m_zero[Index(j, j)] = m_zero[Index(i, j)] = m_zero[Index(j, i)] = 0;
        m_b[static_cast<std::size_t>(i)] -= a * weight;
        m_b[static_cast<std::size_t>(j)] += a * weight;
    } else if (i > 0) {
        m_rows[Index(i, i)] += weight;
        m_zero[Index(i, i)] = 0;
        m_b[static_cast<std::size_t>(i)] -= a * weight;
    } else if (j > 0) {
        m_rows[Index(j, j)] += weight;
        m_zero[Index(j, j)] = 0;
        m_b[static_cast<std::size_t>(j)] += a * weight;
    } else {
        return false;
    }
    return true;
}

bool TMatrice::Solve(const std::atomic<bool>* stop)
{
    std::vector<int> columns; // non-zero columns of the pivot row right of the pivot
    columns.reserve(static_cast<std::size_t>(m_n));
    for (int p = 1; p <= m_n; ++p) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        double* pivotRow = &m_rows[Index(p, 1)];
        const std::uint8_t* pivotZero = &m_zero[Index(p, 1)];
        const double pivot = pivotRow[p - 1];
        if (pivot == 0 || !std::isfinite(pivot)) {
            m_b[static_cast<std::size_t>(p)] = 0;
            continue;
        }
        columns.clear();
        for (int q = p + 1; q <= m_n; ++q)
            if (!pivotZero[q - 1])
                columns.push_back(q - 1);

        const double bp = m_b[static_cast<std::size_t>(p)];
        for (int r = 1; r <= m_n; ++r) {
            if (r == p || m_zero[Index(r, p)])
                continue;
            double* row = &m_rows[Index(r, 1)];
            std::uint8_t* zero = &m_zero[Index(r, 1)];
            const double f = row[p - 1] / pivot;
            m_b[static_cast<std::size_t>(r)] -= f * bp;
            for (int q : columns) {
                row[q] -= f * pivotRow[q];
                zero[q] = 0;
            }
        }
        const double g = 1.0 / pivot;
        m_b[static_cast<std::size_t>(p)] *= g;
        pivotRow[p - 1] *= g;
        for (int q : columns)
            pivotRow[q] *= g;
    }
    return true;
}
