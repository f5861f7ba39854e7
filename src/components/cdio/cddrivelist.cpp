#include "components/cdio/cddrivelist.h"

#include "components/cdio/cddisc.h"
#include "components/cdio/cdiolock.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QFileInfo>

#include <cdio/cdio.h>

QVector<CdDrive> CdDriveList::scan(const SettingsFile& settings) {
    return devices() + images(settings);
}

QVector<CdDrive> CdDriveList::devices() {
    const CdioLock lock;
    QVector<CdDrive> drives;
    if (char** found = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** device = found; *device; ++device)
            drives.append(CdDrive{QString::fromLocal8Bit(*device), false});
        cdio_free_device_list(found);
    }
    return drives;
}

QVector<CdDrive> CdDriveList::images(const SettingsFile& settings) {
    QVector<CdDrive> drives;
    const QDir base = QFileInfo(settings.path()).absoluteDir();
    for (int i = 1; i <= MaxImages; ++i) {
        const QString key = QLatin1String(ImageKeyPrefix) + QString::number(i);
        const QString path =
            settings.ini().readString(QLatin1String(Section), key, QString()).trimmed();
        if (!path.isEmpty())
            drives.append(CdDrive{QDir::cleanPath(base.absoluteFilePath(path)), true});
    }
    return drives;
}

DriveVolume CdDriveList::volume(const CdDrive& drive) {
    const std::unique_ptr<CdDisc> disc = CdDisc::open(drive);
    return disc ? disc->volume() : DriveVolume{};
}
