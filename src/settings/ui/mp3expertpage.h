#pragma once

#include "settings/ui/settingspage.h"

class QCheckBox;
class QComboBox;

// MP3 expert switches: frames, blocks, reservoir, ATH and de-emphasis.
class Mp3ExpertPage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3ExpertPage(QWidget* parent = nullptr);

    void load(const SettingsFile& settings) override;
    void save(SettingsFile& settings) const override;
    void setDefaults() override;

private:
    QCheckBox* m_crc;
    QCheckBox* m_comply;
    QCheckBox* m_allow;
    QCheckBox* m_short;
    QCheckBox* m_bit;
    QComboBox* m_ath;
    QComboBox* m_deemphasis;
};
