#pragma once

#include <QStringList>

class QComboBox;
class QSpinBox;
class QWidget;

// Building blocks of the settings pages: their lists and controls.
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

} // namespace SettingsControls
