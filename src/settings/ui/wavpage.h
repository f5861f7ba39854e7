#pragma once

#include "settings/ui/settingspage.h"

class ChoiceGroup;
class QComboBox;

// WAV output: one of two fixed formats or a custom one.
class WavPage : public SettingsPage {
    Q_OBJECT
public:
    explicit WavPage(QWidget* parent = nullptr);

private:
    // The custom format's lists work only in "Custom WAV format." mode.
    void updateEnabling() override;

    ChoiceGroup* m_mode;
    QComboBox* m_frequency;
    QComboBox* m_bitsPerSample;
    QComboBox* m_channel;
};
