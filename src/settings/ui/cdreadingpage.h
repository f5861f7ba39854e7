#pragma once

#include "settings/ui/settingspage.h"

class QButtonGroup;
class QSpinBox;

// How the CD is read: grab mode, retries and what to do on a read error.
class CdReadingPage : public SettingsPage {
    Q_OBJECT
public:
    explicit CdReadingPage(QWidget* parent = nullptr);

    void load(const SettingsFile& settings) override;
    void save(SettingsFile& settings) const override;
    void setDefaults() override;

    // The chosen grab mode (0 burst .. 3 paranoid) and error action (0 stop,
    // 1 silence, 2 cut), as the radio buttons were last clicked.
    int PendingReadMode = 0;
    int PendingErrorAction = 0;

private:
    void showPending();

    QButtonGroup* m_modes;
    QSpinBox* m_retries;
    QButtonGroup* m_actions;
};
