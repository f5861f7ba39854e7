#include "settings/ui/mp3presetspage.h"

#include "settings/mp3keys.h"
#include "settings/ui/choicegroup.h"

#include <QCheckBox>
#include <QVBoxLayout>

Mp3PresetsPage::Mp3PresetsPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_presets"));
    m_presetOn = new QCheckBox(QStringLiteral("Preset"), this);
    m_presetOn->setObjectName(QStringLiteral("ck_preset"));
    m_presets =
        new ChoiceGroup(QString(),
                        {QStringLiteral("Phone"), QStringLiteral("SW"), QStringLiteral("AM"),
                         QStringLiteral("FM"), QStringLiteral("Voice"), QStringLiteral("Radio"),
                         QStringLiteral("Type"), QStringLiteral("HiFi"), QStringLiteral("CD"),
                         QStringLiteral("Studio"), QStringLiteral("R3Mix")},
                        4, this);
    m_presets->setObjectName(QStringLiteral("rg_prest"));
    m_altPresetOn = new QCheckBox(QStringLiteral("Alt-Preset"), this);
    m_altPresetOn->setObjectName(QStringLiteral("ck_alt"));
    m_altPresets = new ChoiceGroup(QString(),
                                   {QStringLiteral("Fast Standard"), QStringLiteral("Standard"),
                                    QStringLiteral("Fast Extreme"), QStringLiteral("Extrene"),
                                    QStringLiteral("Insane")},
                                   2, this);
    m_altPresets->setObjectName(QStringLiteral("rg_alt"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_presetOn);
    layout->addWidget(m_presets);
    layout->addWidget(m_altPresetOn);
    layout->addWidget(m_altPresets);
    layout->addStretch();

    bind({{m_presetOn, Mp3Keys::UsePreset},
          {m_altPresetOn, Mp3Keys::UseAltPreset},
          {m_presets, Mp3Keys::Preset},
          {m_altPresets, Mp3Keys::AltPreset}});

    connect(m_presetOn, &QCheckBox::toggled, this, &Mp3PresetsPage::updateEnabling);
    connect(m_altPresetOn, &QCheckBox::toggled, this, &Mp3PresetsPage::updateEnabling);
    updateEnabling();
}

void Mp3PresetsPage::updateEnabling() {
    const bool preset = m_presetOn->isChecked();
    const bool alt = m_altPresetOn->isChecked();
    m_presets->setEnabled(preset);
    m_altPresets->setEnabled(alt);
    m_altPresetOn->setEnabled(!preset);
    m_presetOn->setEnabled(!alt);
}
