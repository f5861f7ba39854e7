#pragma once

#include "settings/ui/settingspage.h"

class QCheckBox;
class QLabel;
class QSpinBox;

// MP3 high-pass and low-pass filters.
class Mp3FilterPage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3FilterPage(QWidget* parent = nullptr);

private:
    // A filter's frequency and width work only while the filter is on.
    void updateEnabling() override;

    QCheckBox* m_highpassOn;
    QSpinBox* m_highpassFrequency;
    QLabel* m_highpassWidthCaption;
    QSpinBox* m_highpassWidth;
    QCheckBox* m_lowpassOn;
    QSpinBox* m_lowpassFrequency;
    QLabel* m_lowpassWidthCaption;
    QSpinBox* m_lowpassWidth;
};
