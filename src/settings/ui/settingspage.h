#pragma once

#include <QGroupBox>

class SettingsFile;

// One page of the settings dialog: its controls and the keys they edit.
class SettingsPage : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

    // Sets the controls from the file; a stored value outside what a control
    // can show loads as the nearest valid choice or the key's default.
    virtual void load(const SettingsFile& settings) = 0;
    // Writes the page's keys in the order of the settings file's key table;
    // raises IniWriteError when the file refuses a write.
    virtual void save(SettingsFile& settings) const = 0;
    // The dialog's default values, in the controls only.
    virtual void setDefaults() = 0;
};
