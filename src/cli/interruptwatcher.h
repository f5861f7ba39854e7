#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the first Ctrl-C (SIGINT) into a signal on the event loop; a second
// one ends the program as usual.
class InterruptWatcher : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

signals:
    void interrupted();

private:
    QSocketNotifier* m_notifier = nullptr;
};
