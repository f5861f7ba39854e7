#include "settings/ui/mp3expertpage.h"

#include "settings/mp3keys.h"
#include "settings/settingsfile.h"
#include "settings/ui/settingscontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

using namespace SettingsControls;

namespace {
QCheckBox* check(const char* name, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QLatin1String(text), parent);
    box->setObjectName(QLatin1String(name));
    return box;
}
} // namespace

Mp3ExpertPage::Mp3ExpertPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_expert"));
    m_crc = check("ck_crc", "include CRC -Checksums", this);
    m_comply = check("ck_comply", "comply as much as possible to ISO MPEG spec", this);
    m_allow = check("ck_allow", "allow block types to differ between channels", this);
    m_short = check("ck_short", "short blocks", this);
    m_bit = check("ck_bit", "bit reservoir", this);
    m_ath = list("cb_ath",
                 {QStringLiteral("default"), QStringLiteral("only"), QStringLiteral("disabled"),
                  QStringLiteral("only for short blocks")},
                 this);
    m_deemphasis = list("cb_de",
                        {QStringLiteral("default"), QStringLiteral("0/15 microseconds"),
                         QStringLiteral("citt j.17")},
                        this);

    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* box : {m_crc, m_comply, m_allow, m_short, m_bit})
        layout->addWidget(box);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ATH Control:"), m_ath);
    form->addRow(QStringLiteral("De-emphasis :"), m_deemphasis);
    layout->addLayout(form);
    layout->addStretch();
}

void Mp3ExpertPage::load(const SettingsFile& settings) {
    SettingsControls::load(m_bit, settings, Mp3Keys::BitReservoir);
    SettingsControls::load(m_short, settings, Mp3Keys::ShortBlocks);
    SettingsControls::load(m_allow, settings, Mp3Keys::AllowDiffBlocks);
    SettingsControls::load(m_comply, settings, Mp3Keys::StrictIso);
    SettingsControls::load(m_crc, settings, Mp3Keys::Crc);
    SettingsControls::load(m_ath, settings, Mp3Keys::Ath);
    SettingsControls::load(m_deemphasis, settings, Mp3Keys::Deemphasis);
}

void Mp3ExpertPage::save(SettingsFile& settings) const {
    SettingsControls::save(m_bit, settings, Mp3Keys::BitReservoir);
    SettingsControls::save(m_short, settings, Mp3Keys::ShortBlocks);
    SettingsControls::save(m_allow, settings, Mp3Keys::AllowDiffBlocks);
    SettingsControls::save(m_comply, settings, Mp3Keys::StrictIso);
    SettingsControls::save(m_crc, settings, Mp3Keys::Crc);
    SettingsControls::save(m_ath, settings, Mp3Keys::Ath);
    SettingsControls::save(m_deemphasis, settings, Mp3Keys::Deemphasis);
}

void Mp3ExpertPage::setDefaults() {
    m_bit->setChecked(Mp3Keys::BitReservoir.defaultValue);
    m_short->setChecked(Mp3Keys::ShortBlocks.defaultValue);
    m_allow->setChecked(Mp3Keys::AllowDiffBlocks.defaultValue);
    m_comply->setChecked(Mp3Keys::StrictIso.defaultValue);
    m_crc->setChecked(Mp3Keys::Crc.defaultValue);
    m_ath->setCurrentIndex(Mp3Keys::Ath.defaultValue);
    m_deemphasis->setCurrentIndex(Mp3Keys::Deemphasis.defaultValue);
}
