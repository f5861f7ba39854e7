#include "settings/ui/opuspage.h"

#include "settings/opuskeys.h"
#include "settings/ui/digitkeyfilter.h"
#include "settings/ui/settingscontrols.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

OpusPage::OpusPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_opus"));
    auto* general = new QGroupBox(QStringLiteral("General"), this);
    m_bitrate = new QSpinBox(general);
    m_bitrate->setObjectName(QStringLiteral("se_opus_bitrate"));
    m_bitrate->setRange(OpusKeys::BitrateMin, OpusKeys::BitrateMax);
    m_bitrate->setSuffix(QStringLiteral(" kbit/s"));
    m_bitrate->findChild<QLineEdit*>()->setObjectName(QStringLiteral("edt_opus_bitrate"));
    DigitKeyFilter::install(m_bitrate);
    m_mode = SettingsControls::list(
        "cb_opus_mode",
        {QStringLiteral("VBR"), QStringLiteral("Constrained VBR"), QStringLiteral("CBR")}, general);
    m_complexity = SettingsControls::upDown("ud_opus_complexity", "edt_opus_complexity", 0,
                                            OpusKeys::ComplexityMax, general);
    auto* hint = new QLabel(QStringLiteral("44.1 kHz sound is resampled to 48 kHz, as Opus "
                                           "plays it. A lower complexity encodes faster."),
                            general);
    hint->setWordWrap(true);
    auto* form = new QFormLayout(general);
    form->addRow(QStringLiteral("Bitrate: "), m_bitrate);
    form->addRow(QStringLiteral("Mode: "), m_mode);
    form->addRow(QStringLiteral("Complexity: "), m_complexity);
    form->addRow(hint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addStretch();

    bind({{m_bitrate, OpusKeys::Bitrate},
          {m_mode, OpusKeys::Mode},
          {m_complexity, OpusKeys::Complexity}});
}
