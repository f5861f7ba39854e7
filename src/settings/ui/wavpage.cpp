#include "settings/ui/wavpage.h"

#include "settings/settingsfile.h"
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
    m_mode = new ChoiceGroup(QStringLiteral("Mode:"),
                             {QStringLiteral("CD quality WAV format."),
                              QStringLiteral("Best good quality WAV format."),
                              QStringLiteral("Custom WAV format.")},
                             1, this);
    m_mode->setObjectName(QStringLiteral("rb_cdmode"));
    auto* general = new QGroupBox(QStringLiteral("General Options:"), this);
    m_frequency = list("cb_wav_frequency", sampleRateItems(), general);
    m_bit = list("cb_wav_bit", sampleWidthItems(), general);
    m_channel = list("cb_wav_channel", monoStereoItems(), general);
    auto* form = new QFormLayout(general);
    form->addRow(QStringLiteral("Frequency:"), m_frequency);
    form->addRow(QStringLiteral("Bit Per Sample"), m_bit);
    form->addRow(QStringLiteral("Channel"), m_channel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_mode);
    layout->addWidget(general);
    layout->addStretch();

    connect(m_mode, &ChoiceGroup::clicked, this, &WavPage::updateEnabling);
    updateEnabling();
}

void WavPage::updateEnabling() {
    const bool custom = m_mode->index() == CustomMode;
    m_frequency->setEnabled(custom);
    m_bit->setEnabled(custom);
    m_channel->setEnabled(custom);
}

void WavPage::load(const SettingsFile& settings) {
    SettingsControls::load(m_mode, settings, WavKeys::Mode);
    SettingsControls::load(m_bit, settings, WavKeys::Bit);
    SettingsControls::load(m_channel, settings, WavKeys::Channel);
    SettingsControls::load(m_frequency, settings, WavKeys::Frequency);
    updateEnabling();
}

void WavPage::save(SettingsFile& settings) const {
    SettingsControls::save(m_mode, settings, WavKeys::Mode);
    SettingsControls::save(m_bit, settings, WavKeys::Bit);
    SettingsControls::save(m_channel, settings, WavKeys::Channel);
    SettingsControls::save(m_frequency, settings, WavKeys::Frequency);
}

void WavPage::setDefaults() {
    m_mode->setIndex(WavKeys::Mode.defaultValue);
    m_bit->setCurrentIndex(WavKeys::Bit.defaultValue);
    m_channel->setCurrentIndex(WavKeys::Channel.defaultValue);
    m_frequency->setCurrentIndex(DefaultFrequency);
    updateEnabling();
}
