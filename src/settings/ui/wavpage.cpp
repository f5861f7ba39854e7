#include "settings/ui/wavpage.h"

#include "settings/ui/choicegroup.h"
#include "settings/ui/settingscontrols.h"
#include "settings/wavkeys.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

using namespace SettingsControls;

namespace {
constexpr int CustomMode = 2;
// Default offers 48000 Hz for the custom format, where an empty file means 44100 Hz.
constexpr int DefaultFrequency = 8;
} // namespace

WavPage::WavPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_wav"));
    m_mode = new ChoiceGroup(
        QStringLiteral("Mode:"),
        {QStringLiteral("CD quality WAV format."), QStringLiteral("Best good quality WAV format."),
         QStringLiteral("Custom WAV format."), tr("Same format as the source.")},
        1, this);
    m_mode->setObjectName(QStringLiteral("rb_cdmode"));
    auto* general = new QGroupBox(QStringLiteral("General Options:"), this);
    m_frequency = list("cb_wav_frequency", sampleRateItems(), general);
    m_bitsPerSample = list("cb_wav_bit", sampleWidthItems(), general);
    m_channel = list("cb_wav_channel", monoStereoItems(), general);
    auto* form = new QFormLayout(general);
    form->addRow(QStringLiteral("Frequency:"), m_frequency);
    form->addRow(QStringLiteral("Bit Per Sample"), m_bitsPerSample);
    form->addRow(QStringLiteral("Channel"), m_channel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_mode);
    layout->addWidget(general);
    layout->addStretch();

    bind({{m_mode, WavKeys::Mode},
          {m_bitsPerSample, WavKeys::Bit},
          {m_channel, WavKeys::Channel},
          {m_frequency, WavKeys::Frequency, DefaultFrequency}});

    connect(m_mode, &ChoiceGroup::clicked, this, &WavPage::updateEnabling);
    updateEnabling();
}

void WavPage::updateEnabling() {
    const bool custom = m_mode->index() == CustomMode;
    m_frequency->setEnabled(custom);
    m_bitsPerSample->setEnabled(custom);
    m_channel->setEnabled(custom);
}
