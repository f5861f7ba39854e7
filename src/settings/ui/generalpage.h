#pragma once

#include "settings/ui/settingspage.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

// What belongs to the program as a whole: how many rows a job runs at once,
// the formats made beside the Output Format, whether a damaged source fails
// its row, and the ReplayGain values rips and conversions write, with which
// peak.
class GeneralPage : public SettingsPage {
    Q_OBJECT
public:
    explicit GeneralPage(QWidget* parent = nullptr);

private:
    QSpinBox* m_jobs;
    QCheckBox* m_requireComplete;
    QComboBox* m_ripGain;
    QComboBox* m_convertGain;
    QComboBox* m_gainPeak;
};
