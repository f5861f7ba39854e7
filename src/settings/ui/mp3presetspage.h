#pragma once

#include "settings/ui/settingspage.h"

class ChoiceGroup;
class QCheckBox;

// MP3 presets: one of Orvelle's presets or one of LAME's alternative presets.
class Mp3PresetsPage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3PresetsPage(QWidget* parent = nullptr);

    void load(const SettingsFile& settings) override;
    void save(SettingsFile& settings) const override;
    void setDefaults() override;

private:
    // Through the page only one of the two kinds can be on; a file edited by
    // hand may turn both on, which shows both check boxes checked and locked.
    void updateEnabling();

    QCheckBox* m_preset;
    ChoiceGroup* m_presets;
    QCheckBox* m_alt;
    ChoiceGroup* m_altPresets;
};
