#pragma once

#include <QString>

// Marks a drive as being read by a rip or a raw read for as long as the
// object lives, so that the media poller leaves the drive alone meanwhile.
// Any thread may hold one; several may mark the same drive.
class DriveUse {
public:
    explicit DriveUse(QString path);
    ~DriveUse();
    DriveUse(const DriveUse&) = delete;
    DriveUse& operator=(const DriveUse&) = delete;

    static bool isBusy(const QString& path);

private:
    QString m_path;
};
