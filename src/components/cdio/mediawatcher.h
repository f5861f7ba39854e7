#pragma once

#include "components/cdio/cddrivelist.h"

#include <optional>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

// What a look at a drive found: the table of contents as text (empty without
// a disc) and what a file manager would call the disc.
struct DriveState {
    QString toc;
    DriveVolume volume;
};

// Notices a disc put in, taken out or swapped in one drive by looking at its
// table of contents from a timer. The look itself runs on a pool thread, since
// a drive spinning up can keep it waiting for seconds. A drive that a rip or a
// raw read is using (DriveUse) is not looked at until they end.
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
    void setKnown(const DriveState& state);
    // Starts a look now, unless one is under way or the drive is in use;
    // true when it started. The timer calls this.
    bool poll();

    // Empty when the drive could not be opened (busy, no permission, an image
    // libcdio refuses): that says nothing about the disc. An image file that
    // is gone is a drive without a disc.
    static std::optional<DriveState> stateOf(const CdDrive& drive);
    // What a watcher last saw in the drive at path; false when none knows.
    static bool knownVolume(const QString& path, DriveVolume* volume);

signals:
    void changed();
    // A look has ended, whatever it found.
    void looked();

private:
    enum class Outcome { Skipped, Unreadable, Seen };
    void probed(quint64 generation, Outcome outcome, const DriveState& state);
    void remember(const DriveState& state);
    void forget();

    QTimer m_timer;
    QThreadPool m_pool;
    CdDrive m_drive;
    QString m_known;
    bool m_hasKnown = false;
    bool m_probing = false;
    quint64 m_generation = 0;
};
