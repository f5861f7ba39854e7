#pragma once

#include "settings/ui/settingspage.h"

class QSpinBox;

// What belongs to the program as a whole: how many rows a conversion runs at once.
class GeneralPage : public SettingsPage {
    Q_OBJECT
public:
    explicit GeneralPage(QWidget* parent = nullptr);

    void load(const SettingsFile& settings) override;
    void save(SettingsFile& settings) const override;
    void setDefaults() override;

private:
    QSpinBox* m_jobs;
};
