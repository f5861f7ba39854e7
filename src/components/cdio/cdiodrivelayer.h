#pragma once

#include "components/idrivelayer.h"

// The drives as the audio-disc test sees them, asked afresh each time: the
// optical drives libcdio finds, then the disc images of section "Drives".
class CdioDriveLayer : public IDriveLayer {
public:
    // The disc images come from the settings file at settingsPath.
    explicit CdioDriveLayer(QString settingsPath) : m_settingsPath(std::move(settingsPath)) {}

    QStringList CdDrives() override;
    bool VolumeLabel(const QString& drive, QString* label) override;

private:
    QString m_settingsPath;
};
