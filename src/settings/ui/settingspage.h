#pragma once

#include "settings/settingkey.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <QGroupBox>
#include <QList>
#include <QPair>
#include <vector>

class ChoiceGroup;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class SettingsFile;

// One page of the settings dialog: its controls and the keys they edit. Each
// page lists every control with its key once, in its constructor; loading,
// saving and the defaults all walk that one table.
class SettingsPage : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

    // Sets the controls from the file; a stored value outside what a control
    // can show loads as the nearest valid choice or the key's default.
    virtual void load(const SettingsFile& settings);
    // Writes the page's keys in the order of its table; raises IniWriteError
    // when the file refuses a write.
    virtual void save(SettingsFile& settings) const;
    // The dialog's default values, in the controls only.
    void resetToDefaults();

protected:
    // One control and the key it edits; the control's type says how.
    class Binding {
    public:
        // A stored position outside the list shows the key's default; an empty
        // list saves -1. An editable list saves the item its text names, -1
        // for none. `resetTo` is the dialog's default where it is not the key's.
        Binding(QComboBox* list, const IntKey& key, std::optional<int> resetTo = {});
        // A list whose items carry the text stored for them as their data; a
        // stored text no item has (in any case) shows the key's default.
        Binding(QComboBox* list, const TextKey& key);
        // A stored position beyond the last item shows the last, a negative
        // one the default.
        Binding(ChoiceGroup* group, const IntKey& key);
        // A stored value outside the control's range shows the nearest end of it.
        Binding(QSpinBox* spin, const IntKey& key);
        Binding(QCheckBox* check, const BoolKey& key);
        Binding(QLineEdit* edit, const TextKey& key);
        // Check boxes that each stand for a name in a list such as
        // "FLAC,OPUS": the checked ones' names are stored, in the boxes'
        // order; a stored name no box has (in any case) is passed over.
        Binding(const QList<QPair<QCheckBox*, QString>>& checks, const TextKey& key);
        // Radio buttons whose choice is held in `pending`: a click sets it,
        // the file stores it, and a stored value outside `count` positions
        // loads as the key's default.
        Binding(QButtonGroup* buttons, int* pending, const IntKey& key, int count);

    private:
        friend class SettingsPage;
        std::function<void(const SettingsFile&)> m_load;
        std::function<void(SettingsFile&)> m_save;
        std::function<void()> m_reset;
    };

    // The page's table, in the order of the settings file's key table.
    void bind(std::initializer_list<Binding> table) { m_bindings.assign(table); }

    // The rules that follow the values (which control is greyed out); run
    // after every load and reset.
    virtual void updateEnabling() {}

private:
    std::vector<Binding> m_bindings;
};
