#include "jobs/jobprogress.h"

#include <algorithm>

namespace {
constexpr int Whole = 10000;
} // namespace

void JobProgress::rowProgress(int row, int hundredths) {
    int& reached = m_reached[row];
    if (reached < 0)
        return;
    // A rip's row is read, then its encoder catches up from behind: the bar keeps the further.
    const int now = std::max(reached, std::clamp(hundredths, 0, Whole));
    m_sum += now - reached;
    reached = now;
}

void JobProgress::rowDone(int row) {
    int& reached = m_reached[row];
    if (reached < 0)
        return;
    m_sum += Whole - reached;
    reached = -1;
    ++m_done;
}

double JobProgress::fraction() const {
    if (m_rows <= 0)
        return 0;
    return std::min(1.0, double(m_sum) / (double(m_rows) * Whole));
}
