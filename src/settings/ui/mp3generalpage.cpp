#include "settings/ui/mp3generalpage.h"

#include "settings/mp3keys.h"
#include "settings/ui/settingscontrols.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace SettingsControls;

Mp3GeneralPage::Mp3GeneralPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_mp3general"));
    m_frequency = list("cb_mp3_frequency", sampleRateItems(), this);
    m_bitrate = list("cb_mp3_bitrate", bitrateItems(), this);
    m_channel =
        list("cb_mp3_channel",
             {QStringLiteral("Mono"), QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"),
              QStringLiteral("Forced Joint Stereo"), QStringLiteral("Dual Channels")},
             this);
    m_quality = upDown("ud_mp3_quality", "edt_mp3_quality", 0, Mp3Keys::QualityCount - 1, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Frequency: "), m_frequency);
    form->addRow(QStringLiteral("Bitrate: "), m_bitrate);
    form->addRow(QStringLiteral("Channel: "), m_channel);
    form->addRow(QStringLiteral("Quality: "), m_quality);

    auto* comment = new QGroupBox(QStringLiteral("Comment:  "), this);
    auto* lines = new QVBoxLayout(comment);
    for (const char* line : {"8000Hz or 8Kbps - poor quality, small file.",
                             "48000Hz or 320Kbps - good quality, big file.",
                             "Quality: 0 - best quality, low convert speed.",
                             "Quality: 9 - low quality, fast convert speed. "})
        lines->addWidget(new QLabel(QLatin1String(line), comment));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(comment);
    layout->addStretch();

    bind({{m_bitrate, Mp3Keys::Bitrate},
          {m_channel, Mp3Keys::Channel},
          {m_frequency, Mp3Keys::Frequency},
          {m_quality, Mp3Keys::Quality}});
}
