#pragma once

#include <QString>
#include <QStringList>

// What the system knows of the CD drives apart from the disc reader: which drives
// exist (the optical drives, then the disc-image drives) and the volume label
// of the disc in each.
class DriveLayer {
public:
    virtual ~DriveLayer() = default;

    // The CD drives in their order, by device path or image path.
    virtual QStringList cdDrives() = 0;
    // The label of the disc's volume: "Audio CD" for an audio disc, the ISO 9660
    // volume label for a data disc. False when there is no disc or no readable volume.
    virtual bool volumeLabel(const QString& drive, QString* label) = 0;
};
