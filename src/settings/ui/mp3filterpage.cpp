#include "settings/ui/mp3filterpage.h"

#include "settings/mp3keys.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int FilterMaxHz = 48000;

QSpinBox* spinEdit(const char* name, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(0, FilterMaxHz);
    return spin;
}

// One filter's box: the switch with the frequency, then the width.
QGroupBox* filterBox(const QString& title, QCheckBox* on, QSpinBox* frequency, QLabel* caption,
                     QSpinBox* width, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    on->setParent(box);
    frequency->setParent(box);
    caption->setParent(box);
    width->setParent(box);
    auto* grid = new QGridLayout(box);
    grid->addWidget(on, 0, 0);
    grid->addWidget(frequency, 0, 1);
    grid->addWidget(caption, 1, 0);
    grid->addWidget(width, 1, 1);
    grid->setColumnStretch(0, 1);
    return box;
}

} // namespace

Mp3FilterPage::Mp3FilterPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_filter"));
    m_highpassOn = new QCheckBox(QStringLiteral("Highpass filtering frequency (in Hz):"));
    m_highpassOn->setObjectName(QStringLiteral("chHFilt"));
    m_highpassFrequency = spinEdit("udHFiltF", this);
    m_highpassWidthCaption = new QLabel(QStringLiteral("Width of Highpass filter (in Hz):"));
    m_highpassWidthCaption->setObjectName(QStringLiteral("lbHFiltW"));
    m_highpassWidth = spinEdit("udHFiltW", this);
    m_lowpassOn = new QCheckBox(QStringLiteral("Lowpass filtering frequency (in Hz):"));
    m_lowpassOn->setObjectName(QStringLiteral("chLFilt"));
    m_lowpassFrequency = spinEdit("udLFiltF", this);
    m_lowpassWidthCaption = new QLabel(QStringLiteral("Width of Lowpass filter (in Hz):"));
    m_lowpassWidthCaption->setObjectName(QStringLiteral("lbLFiltW"));
    m_lowpassWidth = spinEdit("udLFiltW", this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filterBox(QStringLiteral("HighPass Filter"), m_highpassOn,
                                m_highpassFrequency, m_highpassWidthCaption, m_highpassWidth,
                                this));
    layout->addWidget(filterBox(QStringLiteral("LowPass Filter"), m_lowpassOn, m_lowpassFrequency,
                                m_lowpassWidthCaption, m_lowpassWidth, this));
    layout->addStretch();

    bind({{m_highpassOn, Mp3Keys::HighpassOn},
          {m_lowpassOn, Mp3Keys::LowpassOn},
          {m_highpassFrequency, Mp3Keys::HighpassFrequency},
          {m_highpassWidth, Mp3Keys::HighpassWidth},
          {m_lowpassFrequency, Mp3Keys::LowpassFrequency},
          {m_lowpassWidth, Mp3Keys::LowpassWidth}});

    connect(m_highpassOn, &QCheckBox::toggled, this, &Mp3FilterPage::updateEnabling);
    connect(m_lowpassOn, &QCheckBox::toggled, this, &Mp3FilterPage::updateEnabling);
    updateEnabling();
}

void Mp3FilterPage::updateEnabling() {
    const bool highpass = m_highpassOn->isChecked();
    m_highpassFrequency->setEnabled(highpass);
    m_highpassWidthCaption->setEnabled(highpass);
    m_highpassWidth->setEnabled(highpass);
    const bool lowpass = m_lowpassOn->isChecked();
    m_lowpassFrequency->setEnabled(lowpass);
    m_lowpassWidthCaption->setEnabled(lowpass);
    m_lowpassWidth->setEnabled(lowpass);
}
