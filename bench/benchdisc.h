#pragma once

#include "cd/drivesession.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdioripper.h"
#include "settings/settingsfile.h"

#include <QString>

// A disc image (a .cue) as the benches rip it: put in the settings file as a
// drive, never polled, its last drive, and read.
struct BenchDisc {
    CdioDiscReader reader;
    CdioRipper ripper{reader};
    Disc disc;

    BenchDisc(const QString& settings, const QString& image) : reader(settings) {
        SettingsFile(settings).ini().writeString(QStringLiteral("Drives"), QStringLiteral("image1"),
                                                 image);
        reader.setMediaPollInterval(24 * 3600 * 1000);
        reader.initialize();
        reader.setCurrentDrive(reader.driveCount());
        disc = reader.readDisc();
    }
    // The disc as a rip job takes it.
    NamedDisc named() { return DriveSession::name(disc, reader.currentDrive(), std::nullopt); }
};
