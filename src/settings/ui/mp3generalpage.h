#pragma once

#include "settings/ui/settingspage.h"

class QComboBox;
class QSpinBox;

// MP3 output: rate, bitrate, channels and the encoder's quality.
class Mp3GeneralPage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3GeneralPage(QWidget* parent = nullptr);

private:
    QComboBox* m_frequency;
    QComboBox* m_bitrate;
    QComboBox* m_channel;
    QSpinBox* m_quality;
};
