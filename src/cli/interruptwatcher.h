#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the first Ctrl-C (SIGINT), SIGTERM or SIGHUP into a signal on the
// event loop, so that the job ends with its unfinished files removed and
// reports; a second one ends the program as usual.
class InterruptWatcher : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

    // The signal that stopped a job in this process, or 0: the program then
    // exits with 128 and its number, as a shell expects.
    static int lastSignal();

signals:
    void interrupted(int signal);

private:
    QSocketNotifier* m_notifier = nullptr;
};
