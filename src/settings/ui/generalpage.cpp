#include "settings/ui/generalpage.h"

#include "settings/mainchoices.h"
#include "settings/mainkeys.h"
#include "settings/ui/settingscontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

GeneralPage::GeneralPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_general"));
    auto* conversion = new QGroupBox(QStringLiteral("Conversion:"), this);
    m_jobs = new QSpinBox(conversion);
    m_jobs->setObjectName(QStringLiteral("se_jobs"));
    m_jobs->setRange(0, MainKeys::MaxJobs);
    // 0 is stored as such, so the choice follows the machine the file moves to.
    m_jobs->setSpecialValueText(QStringLiteral("One per core"));
    auto* hint = new QLabel(QStringLiteral("Files converted, or tracks encoded while the disc is "
                                           "read, at the same time. 1 does one after the other."),
                            conversion);
    hint->setWordWrap(true);
    m_requireComplete =
        new QCheckBox(tr("Fail a file whose source is damaged, rather than keep what could be "
                         "read"),
                      conversion);
    m_requireComplete->setObjectName(QStringLiteral("ck_require_complete"));
    auto* form = new QFormLayout(conversion);
    form->addRow(QStringLiteral("Files at once:"), m_jobs);
    form->addRow(hint);
    form->addRow(m_requireComplete);

    // Further formats from the same read: each block goes to every encoder.
    auto* formats = new QHBoxLayout;
    QList<QPair<QCheckBox*, QString>> alsoMake;
    for (OutputFormat format : ListedFormats) {
        auto* check = new QCheckBox(formatText(format), conversion);
        check->setObjectName(QStringLiteral("ck_also_") + formatText(format).toLower());
        formats->addWidget(check);
        alsoMake << qMakePair(check, formatText(format));
    }
    formats->addStretch();
    auto* alsoHint = new QLabel(tr("Each file is also made in the formats ticked, from the same "
                                   "read of the disc or file; with more than one format, each "
                                   "format's files go into a folder named after it."),
                                conversion);
    alsoHint->setWordWrap(true);
    form->addRow(tr("Also make:"), formats);
    form->addRow(alsoHint);

    auto* gain = new QGroupBox(QStringLiteral("ReplayGain:"), this);
    const QStringList modes{QStringLiteral("Off"), QStringLiteral("Track"),
                            QStringLiteral("Track and album")};
    m_ripGain = SettingsControls::list("cb_replaygain_rip", modes, gain);
    m_convertGain = SettingsControls::list("cb_replaygain_convert", modes, gain);
    auto* gainHint = new QLabel(QStringLiteral("Loudness measured as each file is written, so that "
                                               "players level tracks and albums alike."),
                                gain);
    gainHint->setWordWrap(true);
    m_gainPeak = new QComboBox(gain);
    m_gainPeak->setObjectName(QStringLiteral("cb_replaygain_peak"));
    m_gainPeak->addItem(tr("Sample peak"), QStringLiteral("sample"));
    m_gainPeak->addItem(tr("True peak"), QStringLiteral("true"));
    m_gainPeak->setToolTip(tr("The highest sample, as most taggers write it, or the highest "
                              "point between the samples as well, which takes longer to find."));
    auto* gainForm = new QFormLayout(gain);
    gainForm->addRow(QStringLiteral("CD rips:"), m_ripGain);
    gainForm->addRow(QStringLiteral("Conversions:"), m_convertGain);
    gainForm->addRow(tr("Peak:"), m_gainPeak);
    gainForm->addRow(gainHint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(conversion);
    layout->addWidget(gain);
    layout->addStretch();

    bind({{m_jobs, MainKeys::Jobs},
          {m_requireComplete, MainKeys::RequireComplete},
          {alsoMake, MainKeys::AlsoMake},
          {m_ripGain, MainKeys::ReplayGainRip},
          {m_convertGain, MainKeys::ReplayGainConvert},
          {m_gainPeak, MainKeys::ReplayGainPeak}});
}
