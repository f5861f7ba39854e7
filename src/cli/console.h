#pragma once

#include <QMap>
#include <QString>

// What the user sees of a run: result lines on standard output, failures on
// standard error, and on a terminal a progress line that every other line
// first clears. In quiet mode only failures are printed.
class Console {
public:
    // progress: whether a progress line may be drawn (standard error is a
    // terminal and the run is not quiet).
    Console(bool quiet, bool progress);

    // note: what is known of the output beyond its name (a rip's AccurateRip verdict).
    // damage: what was wrong with the source, said last on the line.
    void ok(const QString& source, const QString& output, const QString& note = {},
            const QString& damage = {});
    // output empty: the unfinished file was removed.
    void stopped(const QString& source, const QString& output);
    void failed(const QString& source, const QString& reason);
    // A note about the run (a lookup's status, Ctrl-C), on standard error.
    void note(const QString& text);
    // A line that is the result asked for (--list), on standard output.
    void result(const QString& line);
    void summary(int converted, int failed, int stopped, int notStarted);

    // The progress line: "done of total" and each running row's share.
    void setTotal(int total) { m_total = total; }
    void rowStarted(int row, const QString& name);
    void rowProgress(int row, int hundredths);
    void rowEnded(int row);
    // A progress line of the caller's own in place of the rows' (a mirror's
    // counts); empty: none.
    void setStatus(const QString& text);

private:
    void out(const QString& line);
    void err(const QString& line);
    void clearProgress();
    void drawProgress();

    struct Running {
        QString name;
        int hundredths = 0;
    };
    const bool m_quiet;
    const bool m_progress;
    bool m_drawn = false;
    int m_total = 0;
    int m_ended = 0;
    QMap<int, Running> m_running;
    QString m_status;
};
