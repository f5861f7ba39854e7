#pragma once

#include "settings/ui/settingspage.h"

class ChoiceGroup;
class QComboBox;
class QLineEdit;

// Where and how track names are looked up.
class FreedbPage : public SettingsPage {
    Q_OBJECT
public:
    explicit FreedbPage(QWidget* parent = nullptr);

private:
    QComboBox* m_site;
    QLineEdit* m_port;
    QLineEdit* m_timeout;
    QLineEdit* m_proxy;
    ChoiceGroup* m_source;
    QComboBox* m_databases; // MusicBrainz, FreeDB or both
};
