#include "settings/ui/settingscontrols.h"

#include "settings/lookuptables.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace SettingsControls {

QStringList sampleRateItems() {
    QStringList items;
    for (int hz : LookupTables::SampleRateTable)
        items << QStringLiteral("%1 Hz").arg(hz);
    return items;
}

QStringList bitrateItems() {
    QStringList items;
    for (int kbps : LookupTables::BitrateTable)
        items << QStringLiteral("%1 Kbps").arg(kbps);
    return items;
}

QStringList sampleWidthItems() {
    QStringList items;
    for (int bits : LookupTables::SampleWidthTable)
        items << QStringLiteral("%1 bps").arg(bits);
    return items;
}

QStringList monoStereoItems() {
    return {QStringLiteral("Mono"), QStringLiteral("Stereo")};
}

QComboBox* list(const char* name, const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    return box;
}

QSpinBox* upDown(const char* upDownName, const char* editName, int low, int high, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(upDownName));
    spin->setRange(low, high);
    // The arrows change the value; the text cannot be typed over.
    QLineEdit* edit = spin->findChild<QLineEdit*>();
    edit->setObjectName(QLatin1String(editName));
    edit->setReadOnly(true);
    return spin;
}

} // namespace SettingsControls
