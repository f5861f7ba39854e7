#pragma once

#include "settings/ui/settingspage.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

// Ogg Vorbis output: managed bitrate, VBR between two bitrates, or a quality.
class OggPage : public SettingsPage {
    Q_OBJECT
public:
    explicit OggPage(QWidget* parent = nullptr);

private:
    // VBR and quality mode exclude each other; each enables its own controls.
    void updateEnabling() override;

    QComboBox* m_frequency;
    QComboBox* m_channel;
    QComboBox* m_bitrate;
    QCheckBox* m_vbr;
    QCheckBox* m_qualityMode;
    QComboBox* m_minBitrate;
    QComboBox* m_maxBitrate;
    QSpinBox* m_quality;
};
