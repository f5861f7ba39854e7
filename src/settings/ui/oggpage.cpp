#include "settings/ui/oggpage.h"

#include "settings/oggkeys.h"
#include "settings/settingsfile.h"
#include "settings/ui/digitkeyfilter.h"
#include "settings/ui/settingscontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace SettingsControls;

OggPage::OggPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_ogg"));
    auto* general = new QGroupBox(QStringLiteral("General"), this);
    m_frequency = list("cb_ogg_fre", sampleRateItems(), general);
    m_channel = list("cb_ogg_channel", monoStereoItems(), general);
    m_bitrate = list("cb_ogg_bitrate", bitrateItems(), general);
    auto* generalForm = new QFormLayout(general);
    generalForm->addRow(QStringLiteral("Frequency: "), m_frequency);
    generalForm->addRow(QStringLiteral("Channel: "), m_channel);
    generalForm->addRow(QStringLiteral("Bitrate: "), m_bitrate);

    m_vbr = new QCheckBox(QStringLiteral("VBR"), this);
    m_vbr->setObjectName(QStringLiteral("ck_oggvbr"));
    m_qualityMode = new QCheckBox(QStringLiteral("Quality"), this);
    m_qualityMode->setObjectName(QStringLiteral("ck_oggquality"));
    auto* modes = new QHBoxLayout;
    modes->addWidget(m_vbr);
    modes->addWidget(m_qualityMode);
    modes->addStretch();

    auto* variable = new QGroupBox(QStringLiteral("VBR/Quality:"), this);
    m_minBitrate = list("cb_ogg_minbit", bitrateItems(), variable);
    m_maxBitrate = list("cb_ogg_maxbit", bitrateItems(), variable);
    m_quality = new QSpinBox(variable);
    m_quality->setObjectName(QStringLiteral("ud_ogg_quality"));
    m_quality->setRange(0, OggKeys::QualityMax);
    QLineEdit* qualityEdit = m_quality->findChild<QLineEdit*>();
    qualityEdit->setObjectName(QStringLiteral("edt_ogg_quality"));
    qualityEdit->setMaxLength(5);
    DigitKeyFilter::install(m_quality); // the spin box takes the keys for its edit
    auto* variableForm = new QFormLayout(variable);
    variableForm->addRow(QStringLiteral("Min Bitrate: "), m_minBitrate);
    variableForm->addRow(QStringLiteral("Max Bitrate: "), m_maxBitrate);
    variableForm->addRow(QStringLiteral("Quality: "), m_quality);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addLayout(modes);
    layout->addWidget(variable);
    layout->addStretch();

    connect(m_vbr, &QCheckBox::toggled, this, &OggPage::updateEnabling);
    connect(m_qualityMode, &QCheckBox::toggled, this, &OggPage::updateEnabling);
    updateEnabling();
}

void OggPage::updateEnabling() {
    const bool vbr = m_vbr->isChecked();
    const bool quality = m_qualityMode->isChecked();
    m_qualityMode->setEnabled(!vbr);
    m_minBitrate->setEnabled(vbr);
    m_maxBitrate->setEnabled(vbr);
    m_vbr->setEnabled(!quality);
    m_quality->setEnabled(quality);
}

void OggPage::load(const SettingsFile& settings) {
    SettingsControls::load(m_channel, settings, OggKeys::Channel);
    SettingsControls::load(m_frequency, settings, OggKeys::Frequency);
    SettingsControls::load(m_bitrate, settings, OggKeys::Bitrate);
    SettingsControls::load(m_maxBitrate, settings, OggKeys::MaxBitrate);
    SettingsControls::load(m_minBitrate, settings, OggKeys::MinBitrate);
    SettingsControls::load(m_quality, settings, OggKeys::Quality);
    SettingsControls::load(m_vbr, settings, OggKeys::Vbr);
    SettingsControls::load(m_qualityMode, settings, OggKeys::QualityMode);
    updateEnabling();
}

void OggPage::save(SettingsFile& settings) const {
    SettingsControls::save(m_channel, settings, OggKeys::Channel);
    SettingsControls::save(m_frequency, settings, OggKeys::Frequency);
    SettingsControls::save(m_bitrate, settings, OggKeys::Bitrate);
    SettingsControls::save(m_maxBitrate, settings, OggKeys::MaxBitrate);
    SettingsControls::save(m_minBitrate, settings, OggKeys::MinBitrate);
    SettingsControls::save(m_quality, settings, OggKeys::Quality);
    SettingsControls::save(m_vbr, settings, OggKeys::Vbr);
    SettingsControls::save(m_qualityMode, settings, OggKeys::QualityMode);
}

void OggPage::setDefaults() {
    m_channel->setCurrentIndex(OggKeys::Channel.defaultValue);
    m_frequency->setCurrentIndex(OggKeys::Frequency.defaultValue);
    m_bitrate->setCurrentIndex(OggKeys::Bitrate.defaultValue);
    m_maxBitrate->setCurrentIndex(OggKeys::MaxBitrate.defaultValue);
    m_minBitrate->setCurrentIndex(OggKeys::MinBitrate.defaultValue);
    m_quality->setValue(OggKeys::Quality.defaultValue);
    m_vbr->setChecked(OggKeys::Vbr.defaultValue);
    m_qualityMode->setChecked(OggKeys::QualityMode.defaultValue);
    updateEnabling();
}
