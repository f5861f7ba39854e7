#pragma once

#include <QString>
#include <QVector>

class SettingsFile;

// One drive the program can read a disc from: an optical drive (its device
// path) or a disc image named in section "Drives" of the settings file.
struct CdDrive {
    QString path;
    bool isImage = false;

    bool operator==(const CdDrive& other) const {
        return path == other.path && isImage == other.isImage;
    }
};

// What a drive holds, as a file manager would name it: no volume (empty
// drive, unreadable disc), "Audio CD", or a data disc's volume label.
struct DriveVolume {
    bool readable = false;
    QString label;
};

// The drives of this machine: the optical drives libcdio finds, in its order,
// then the disc images of keys "image1", "image2" ... of section "Drives"
// (.cue, .toc or .nrg; a relative path counts from the settings folder).
class CdDriveList {
public:
    static constexpr const char* Section = "Drives";
    static constexpr const char* ImageKeyPrefix = "image";
    // Keys are looked up to this number, so that a removed key leaves no gap.
    static constexpr int MaxImages = 32;

    static QVector<CdDrive> scan(const SettingsFile& settings);
    // The two parts of the list: the optical drives, then the images.
    static QVector<CdDrive> devices();
    static QVector<CdDrive> images(const SettingsFile& settings);
    static DriveVolume volume(const CdDrive& drive);
};
