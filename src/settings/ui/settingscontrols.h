#pragma once

#include "settings/settingkey.h"

#include <QStringList>

class ChoiceGroup;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QWidget;
class SettingsFile;

// Building blocks of the settings pages: their lists and how a control
// loads and saves its key.
namespace SettingsControls {

// "8000 Hz" .. "48000 Hz", "8 Kbps" .. "320 Kbps", "8 bps", "16 bps": the
// positions of the settings file's lookup tables.
QStringList sampleRateItems();
QStringList bitrateItems();
QStringList sampleWidthItems();
QStringList monoStereoItems();

// A drop-down list of fixed items.
QComboBox* list(const char* name, const QStringList& items, QWidget* parent);
// An up-down with its read-only edit: the spin box is named `upDownName`, its
// text field `editName`.
QSpinBox* upDown(const char* upDownName, const char* editName, int low, int high, QWidget* parent);

// A stored position outside the list shows the key's default.
void load(QComboBox* list, const SettingsFile& settings, const IntKey& key);
// -1 when nothing is selected.
void save(const QComboBox* list, SettingsFile& settings, const IntKey& key);
// A stored position beyond the last item shows the last, a negative one the default.
void load(ChoiceGroup* group, const SettingsFile& settings, const IntKey& key);
void save(const ChoiceGroup* group, SettingsFile& settings, const IntKey& key);
// A stored value outside the control's range shows the nearest end of it.
void load(QSpinBox* spin, const SettingsFile& settings, const IntKey& key);
void save(const QSpinBox* spin, SettingsFile& settings, const IntKey& key);
void load(QCheckBox* check, const SettingsFile& settings, const BoolKey& key);
void save(const QCheckBox* check, SettingsFile& settings, const BoolKey& key);

} // namespace SettingsControls
