#include "settings/ui/mp3presetspage.h"

#include "settings/mp3keys.h"
#include "settings/settingsfile.h"
#include "settings/ui/choicegroup.h"
#include "settings/ui/settingscontrols.h"

#include <QCheckBox>
#include <QVBoxLayout>

Mp3PresetsPage::Mp3PresetsPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_presets"));
    m_preset = new QCheckBox(QStringLiteral("Preset"), this);
    m_preset->setObjectName(QStringLiteral("ck_preset"));
    m_presets =
        new ChoiceGroup(QString(),
                        {QStringLiteral("Phone"), QStringLiteral("SW"), QStringLiteral("AM"),
                         QStringLiteral("FM"), QStringLiteral("Voice"), QStringLiteral("Radio"),
                         QStringLiteral("Type"), QStringLiteral("HiFi"), QStringLiteral("CD"),
                         QStringLiteral("Studio"), QStringLiteral("R3Mix")},
                        4, this);
    m_presets->setObjectName(QStringLiteral("rg_prest"));
    m_alt = new QCheckBox(QStringLiteral("Alt-Preset"), this);
    m_alt->setObjectName(QStringLiteral("ck_alt"));
    m_altPresets = new ChoiceGroup(QString(),
                                   {QStringLiteral("Fast Standard"), QStringLiteral("Standard"),
                                    QStringLiteral("Fast Extreme"), QStringLiteral("Extrene"),
                                    QStringLiteral("Insane")},
                                   2, this);
    m_altPresets->setObjectName(QStringLiteral("rg_alt"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_preset);
    layout->addWidget(m_presets);
    layout->addWidget(m_alt);
    layout->addWidget(m_altPresets);
    layout->addStretch();

    connect(m_preset, &QCheckBox::toggled, this, &Mp3PresetsPage::updateEnabling);
    connect(m_alt, &QCheckBox::toggled, this, &Mp3PresetsPage::updateEnabling);
    updateEnabling();
}

void Mp3PresetsPage::updateEnabling() {
    const bool preset = m_preset->isChecked();
    const bool alt = m_alt->isChecked();
    m_presets->setEnabled(preset);
    m_altPresets->setEnabled(alt);
    m_alt->setEnabled(!preset);
    m_preset->setEnabled(!alt);
}

void Mp3PresetsPage::load(const SettingsFile& settings) {
    SettingsControls::load(m_preset, settings, Mp3Keys::UsePreset);
    SettingsControls::load(m_alt, settings, Mp3Keys::UseAltPreset);
    SettingsControls::load(m_presets, settings, Mp3Keys::Preset);
    SettingsControls::load(m_altPresets, settings, Mp3Keys::AltPreset);
    updateEnabling();
}

void Mp3PresetsPage::save(SettingsFile& settings) const {
    SettingsControls::save(m_preset, settings, Mp3Keys::UsePreset);
    SettingsControls::save(m_alt, settings, Mp3Keys::UseAltPreset);
    SettingsControls::save(m_presets, settings, Mp3Keys::Preset);
    SettingsControls::save(m_altPresets, settings, Mp3Keys::AltPreset);
}

void Mp3PresetsPage::setDefaults() {
    m_preset->setChecked(Mp3Keys::UsePreset.defaultValue);
    m_alt->setChecked(Mp3Keys::UseAltPreset.defaultValue);
    m_presets->setIndex(Mp3Keys::Preset.defaultValue);
    m_altPresets->setIndex(Mp3Keys::AltPreset.defaultValue);
    updateEnabling();
}
