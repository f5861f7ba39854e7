#pragma once

#include "settings/ui/settingspage.h"

class QComboBox;
class QSpinBox;

// Opus output: bitrate, bitrate mode and complexity.
class OpusPage : public SettingsPage {
    Q_OBJECT
public:
    explicit OpusPage(QWidget* parent = nullptr);

private:
    QSpinBox* m_bitrate;
    QComboBox* m_mode;
    QSpinBox* m_complexity;
};
