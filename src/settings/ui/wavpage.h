#pragma once

#include "settings/ui/settingspage.h"

class ChoiceGroup;
class QComboBox;

// WAV output: one of two fixed formats or a custom one.
class WavPage : public SettingsPage {
    Q_OBJECT
public:
    explicit WavPage(QWidget* parent = nullptr);

    void load(const SettingsFile& settings) override;
    void save(SettingsFile& settings) const override;
    void setDefaults() override;

private:
    // The custom format's lists work only in "Custom WAV format." mode.
    void updateEnabling();

    ChoiceGroup* m_mode;
    QComboBox* m_frequency;
    QComboBox* m_bit;
    QComboBox* m_channel;
};
