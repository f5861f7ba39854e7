#pragma once

#include "components/cdio/cddrivelist.h"
#include "components/drivelayer.h"

#include <optional>

// The drives as the audio-disc test sees them: the optical drives libcdio
// finds (looked for once), then the disc images of section "Drives" as the
// settings name them now. A drive the media poller watches is answered from
// what the poller last saw, without opening it again.
class CdioDriveLayer : public DriveLayer {
public:
    // The disc images come from the settings file at settingsPath.
    explicit CdioDriveLayer(QString settingsPath) : m_settingsPath(std::move(settingsPath)) {}

    QStringList cdDrives() override;
    bool volumeLabel(const QString& drive, QString* label) override;

private:
    QVector<CdDrive> drives();

    std::optional<QVector<CdDrive>> m_devices;

    QString m_settingsPath;
};
