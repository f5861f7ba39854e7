#include "components/cdio/cdiodrivelayer.h"

#include "components/cdio/mediawatcher.h"
#include "settings/settingsfile.h"

QVector<CdDrive> CdioDriveLayer::drives() {
    if (!m_devices)
        m_devices = CdDriveList::devices();
    return *m_devices + CdDriveList::images(SettingsFile(m_settingsPath));
}

QStringList CdioDriveLayer::cdDrives() {
    QStringList paths;
    for (const CdDrive& drive : drives())
        paths << drive.path;
    return paths;
}

bool CdioDriveLayer::volumeLabel(const QString& path, QString* label) {
    for (const CdDrive& drive : drives()) {
        if (drive.path != path)
            continue;
        DriveVolume volume;
        if (!MediaWatcher::knownVolume(path, &volume))
            volume = CdDriveList::volume(drive);
        if (volume.readable && label)
            *label = volume.label;
        return volume.readable;
    }
    return false;
}
