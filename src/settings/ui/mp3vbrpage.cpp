#include "settings/ui/mp3vbrpage.h"

#include "settings/mp3keys.h"
#include "settings/ui/settingscontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace SettingsControls;

Mp3VbrPage::Mp3VbrPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_mp3vbr"));
    m_method = list("cb_mp3vbrcm",
                    {QStringLiteral("None"), QStringLiteral("Default"), QStringLiteral("Old"),
                     QStringLiteral("New"), QStringLiteral("MTRH")},
                    this);
    auto* target = new QGroupBox(QStringLiteral("VBR Bitrate/Quality: "), this);
    m_bitrate = list("cb_mp3_vbr", bitrateItems(), target);
    m_quality = upDown("ud_mp3_vbr", "edt_mp3_vbr", 0, Mp3Keys::QualityCount - 1, target);
    auto* targetForm = new QFormLayout(target);
    targetForm->addRow(QStringLiteral("VBR Bitrate: "), m_bitrate);
    targetForm->addRow(QStringLiteral("VBR Quality: "), m_quality);

    auto* advanced = new QGroupBox(QStringLiteral("Advanced"), this);
    m_header = new QCheckBox(QStringLiteral("Write VBR Header"), advanced);
    m_header->setObjectName(QStringLiteral("ck_mp3_VBR"));
    m_enforceMin = new QCheckBox(QStringLiteral("Strictly enforce minimum bitrate"), advanced);
    m_enforceMin->setObjectName(QStringLiteral("ck_mp3_semb"));
    auto* advancedLayout = new QVBoxLayout(advanced);
    advancedLayout->addWidget(m_header);
    advancedLayout->addWidget(m_enforceMin);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Coding Method:"), m_method);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(target);
    layout->addWidget(advanced);
    layout->addStretch();

    bind({{m_method, Mp3Keys::CodingMethod},
          {m_bitrate, Mp3Keys::VbrBitrate},
          {m_quality, Mp3Keys::VbrQuality},
          {m_header, Mp3Keys::VbrHeader},
          {m_enforceMin, Mp3Keys::EnforceMinBitrate}});

    connect(m_method, &QComboBox::currentIndexChanged, this, &Mp3VbrPage::updateEnabling);
    updateEnabling();
}

void Mp3VbrPage::updateEnabling() {
    const bool vbr = m_method->currentIndex() != 0;
    for (QWidget* control : {static_cast<QWidget*>(m_bitrate), static_cast<QWidget*>(m_quality),
                             static_cast<QWidget*>(m_header), static_cast<QWidget*>(m_enforceMin)})
        control->setEnabled(vbr);
}
