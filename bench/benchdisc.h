#pragma once

#include "components/cdio/cdiograbber.h"
#include "settings/settingsfile.h"

#include <QString>

// Puts the image (a .cue) in the settings file as a drive and reads it into
// the grabber, as the benches rip it: never polled, the image its last drive.
inline void insertBenchImage(CdioGrabber& grabber, const QString& settings, const QString& image) {
    SettingsFile(settings).ini().writeString(QStringLiteral("Drives"), QStringLiteral("image1"),
                                             image);
    grabber.setMediaPollInterval(24 * 3600 * 1000);
    grabber.initialize();
    grabber.setCurrentDrive(grabber.getDriveCount());
    grabber.readDisc();
}
