#pragma once

#include <QString>

// How a job ended, as the desktop around the window is told.
struct JobOutcome {
    enum class Kind { Rip, Conversion };
    Kind kind = Kind::Conversion;
    int rows = 0;     // the rows the job took
    int finished = 0; // written whole
    int failed = 0;
    int accurate = 0;      // ripped tracks proven accurate
    bool verified = false; // the rip compared its tracks with the database
    bool stopped = false;
    QString folder; // the output folder; empty when no row was reached
};

// Hears of a job as it starts, moves on and ends, for what lives outside the
// window (a notification, the task bar, the machine's sleep). Every
// jobStarted is followed by exactly one jobEnded.
class JobWatcher {
public:
    virtual ~JobWatcher() = default;
    virtual void jobStarted(JobOutcome::Kind kind, int rows) = 0;
    // fraction: of the whole job, 0 to 1; rowsLeft: rows neither written nor failed yet.
    virtual void jobProgressed(double fraction, int rowsLeft) = 0;
    virtual void jobEnded(const JobOutcome& outcome) = 0;
};
