#pragma once

#include <QStringList>

class Console;
class Job;

// Runs a job to its end on the event loop, prints a line per row and the
// summary, and stops the job on Ctrl-C. sources: the name printed for each
// row, by the row's index.
class JobRunner {
public:
    JobRunner(Console& console, QStringList sources);

    // The rows that were not converted (failed, stopped or never started);
    // refused: the files turned away before the job, for the summary.
    int run(Job& job, int refused = 0);

    int converted() const { return m_converted; }
    // A ripped track the AccurateRip database does not vouch for fails.
    void setRequireAccurate(bool require) { m_requireAccurate = require; }

private:
    Console& m_console;
    const QStringList m_sources;
    int m_converted = 0;
    bool m_requireAccurate = false;
};
