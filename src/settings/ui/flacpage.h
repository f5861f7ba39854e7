#pragma once

#include "settings/ui/settingspage.h"

class QComboBox;

// FLAC output: the compression level. Verification, the seek table, the
// audio's MD5 and the room for tags are always written.
class FlacPage : public SettingsPage {
    Q_OBJECT
public:
    explicit FlacPage(QWidget* parent = nullptr);

private:
    QComboBox* m_level;
};
