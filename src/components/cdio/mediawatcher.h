#pragma once

#include "components/cdio/cddrivelist.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

// Notices a disc put in, taken out or swapped in one drive by looking at its
// table of contents from a timer. The look itself runs on a pool thread, since
// a drive spinning up can keep it waiting for seconds.
class MediaWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultIntervalMs = 1500;

    explicit MediaWatcher(QObject* parent = nullptr);
    ~MediaWatcher() override;

    // Watches drive from now on; what it holds now is taken as known.
    void watch(const CdDrive& drive);
    void stop();
    void setInterval(int ms) { m_timer.setInterval(ms); }
    // The caller has just read the disc: no change to report for that state.
    void setKnown(const QString& state);

    // The state of a drive: its table of contents, empty without a disc.
    static QString stateOf(const CdDrive& drive);

signals:
    void changed();

private:
    void poll();
    void probed(quint64 generation, const QString& state);

    QTimer m_timer;
    QThreadPool m_pool;
    CdDrive m_drive;
    QString m_known;
    bool m_hasKnown = false;
    bool m_probing = false;
    quint64 m_generation = 0;
};
