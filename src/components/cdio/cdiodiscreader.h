#pragma once

#include "components/cdio/cddisc.h"
#include "components/cdio/mediawatcher.h"
#include "components/discreader.h"

#include <optional>
#include <QHash>

// The disc reader on libcdio: the optical drives and the disc images of
// section "Drives", each drive's identity and read offset, the table of
// contents with CD-TEXT, and disc changes noticed by polling.
class CdioDiscReader : public DiscReader {
    Q_OBJECT
public:
    // The drives come from the settings file at settingsPath (section "Drives").
    explicit CdioDiscReader(QString settingsPath, QObject* parent = nullptr);

    void initialize() override;
    void shutdown() override;
    int driveCount() override { return int(m_drives.size()); }
    void setCurrentDrive(int drive) override;
    DriveInfo currentDrive() override;
    Disc readDisc() override;
    QString readOffsetKey() override;

    // The drive of that id, when it is one of the list.
    std::optional<CdDrive> drive(const QString& id) const;
    // The read offset the settings keep for the drive of that id; 0 for an image.
    int readOffset(const QString& driveId);
    // How often the current drive is looked at for a disc change.
    void setMediaPollInterval(int ms) { m_watcher.setInterval(ms); }
    // The poller of the current drive, whose looks tests can wait for.
    MediaWatcher* mediaWatcher() { return &m_watcher; }

private:
    const CdDrive& current() const;
    const DriveIdentity& identity(const CdDrive& drive);
    QString readOffsetKey(const CdDrive& drive);

    QString m_settingsPath;
    QVector<CdDrive> m_drives;
    int m_drive = -1; // 0-based
    QHash<QString, DriveIdentity> m_identities;
    MediaWatcher m_watcher;
};
