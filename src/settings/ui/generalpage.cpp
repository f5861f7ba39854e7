#include "settings/ui/generalpage.h"

#include "settings/mainkeys.h"
#include "settings/settingsfile.h"
#include "settings/ui/settingscontrols.h"

#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

GeneralPage::GeneralPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_general"));
    auto* conversion = new QGroupBox(QStringLiteral("Conversion:"), this);
    m_jobs = new QSpinBox(conversion);
    m_jobs->setObjectName(QStringLiteral("se_jobs"));
    m_jobs->setRange(0, MainKeys::MaxJobs);
    // 0 is stored as such, so the choice follows the machine the file moves to.
    m_jobs->setSpecialValueText(QStringLiteral("One per core"));
    auto* hint = new QLabel(
        QStringLiteral("Files converted at the same time. 1 converts one after the other."),
        conversion);
    hint->setWordWrap(true);
    auto* form = new QFormLayout(conversion);
    form->addRow(QStringLiteral("Files at once:"), m_jobs);
    form->addRow(hint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(conversion);
    layout->addStretch();
}

void GeneralPage::load(const SettingsFile& settings) {
    SettingsControls::load(m_jobs, settings, MainKeys::Jobs);
}

void GeneralPage::save(SettingsFile& settings) const {
    SettingsControls::save(m_jobs, settings, MainKeys::Jobs);
}

void GeneralPage::setDefaults() {
    m_jobs->setValue(MainKeys::Jobs.defaultValue);
}
