#pragma once

#include "settings/ui/settingspage.h"

class ChoiceGroup;
class QCheckBox;

// MP3 presets: one of Orvelle's presets or one of LAME's alternative presets.
class Mp3PresetsPage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3PresetsPage(QWidget* parent = nullptr);

private:
    // Through the page only one of the two kinds can be on; a file edited by
    // hand may turn both on, which shows both check boxes checked and locked.
    void updateEnabling() override;

    QCheckBox* m_presetOn;
    ChoiceGroup* m_presets;
    QCheckBox* m_altPresetOn;
    ChoiceGroup* m_altPresets;
};
