#pragma once

#include <QHash>

// The progress of a whole job from its rows' progress, which may run side by
// side: a row that is done (written, stopped or failed) counts whole, a row
// under way by its hundredths of a per cent.
class JobProgress {
public:
    explicit JobProgress(int rows = 0) : m_rows(rows) {}

    void rowProgress(int row, int hundredths);
    void rowDone(int row);

    double fraction() const;
    int rowsLeft() const { return m_rows - m_done; }

private:
    int m_rows;
    int m_done = 0;
    qint64 m_sum = 0; // hundredths over all rows
    // Per row reached: its hundredths, or -1 once it is done.
    QHash<int, int> m_reached;
};
