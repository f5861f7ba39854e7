#pragma once

#include "settings/ui/settingspage.h"

class QCheckBox;
class QComboBox;

// MP3 expert switches: frames, blocks, reservoir, ATH and de-emphasis.
class Mp3ExpertPage : public SettingsPage {
    Q_OBJECT
public:
    explicit Mp3ExpertPage(QWidget* parent = nullptr);

private:
    QCheckBox* m_crc;
    QCheckBox* m_strictIso;
    QCheckBox* m_allowDiffBlocks;
    QCheckBox* m_shortBlocks;
    QCheckBox* m_bitReservoir;
    QComboBox* m_ath;
    QComboBox* m_deemphasis;
};
