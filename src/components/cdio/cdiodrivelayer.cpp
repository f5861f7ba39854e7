#include "components/cdio/cdiodrivelayer.h"

#include "components/cdio/cddrivelist.h"
#include "settings/settingsfile.h"

QStringList CdioDriveLayer::CdDrives() {
    QStringList paths;
    for (const CdDrive& drive : CdDriveList::scan(SettingsFile(m_settingsPath)))
        paths << drive.path;
    return paths;
}

bool CdioDriveLayer::VolumeLabel(const QString& path, QString* label) {
    for (const CdDrive& drive : CdDriveList::scan(SettingsFile(m_settingsPath))) {
        if (drive.path != path)
            continue;
        const DriveVolume volume = CdDriveList::volume(drive);
        if (volume.readable && label)
            *label = volume.label;
        return volume.readable;
    }
    return false;
}
