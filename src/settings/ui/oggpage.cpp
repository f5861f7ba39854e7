#include "settings/ui/oggpage.h"

#include "settings/oggkeys.h"
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

    bind({{m_channel, OggKeys::Channel},
          {m_frequency, OggKeys::Frequency},
          {m_bitrate, OggKeys::Bitrate},
          {m_maxBitrate, OggKeys::MaxBitrate},
          {m_minBitrate, OggKeys::MinBitrate},
          {m_quality, OggKeys::Quality},
          {m_vbr, OggKeys::Vbr},
          {m_qualityMode, OggKeys::QualityMode}});

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
