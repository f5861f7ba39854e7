#pragma once

#include "settings/ui/settingspage.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

// MP3 variable bitrate: the method and what it aims at.
class Mp3VbrPage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3VbrPage(QWidget* parent = nullptr);

private:
    // The VBR controls work only with a coding method other than "None".
    void updateEnabling() override;

    QComboBox* m_method;
    QComboBox* m_bitrate;
    QSpinBox* m_quality;
    QCheckBox* m_header;
    QCheckBox* m_enforceMin;
};
