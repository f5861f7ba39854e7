#include "settings/ui/cdreadingpage.h"

#include "settings/cdreadingkeys.h"
#include "settings/driveoffsetkeys.h"
#include "settings/settingsfile.h"
#include "settings/ui/settingscontrols.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// A box of radio buttons named `prefix` plus their number.
QGroupBox* buttonBox(const QString& title, const char* prefix, int firstNumber,
                     const QStringList& texts, QButtonGroup* group, QBoxLayout* layout,
                     QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setLayout(layout);
    for (int i = 0; i < texts.size(); ++i) {
        auto* button = new QRadioButton(texts[i], box);
        button->setObjectName(QLatin1String(prefix) + QString::number(firstNumber + i));
        group->addButton(button, i);
        layout->addWidget(button);
    }
    return box;
}

} // namespace

CdReadingPage::CdReadingPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_cdset"));
    m_modes = new QButtonGroup(this);
    QGroupBox* modeBox = buttonBox(
        QStringLiteral("Grab Mode"), "cd_g", 0,
        {QStringLiteral("Burst Mode"), QStringLiteral("Synch mode(Correct Jitter Errors)"),
         QStringLiteral("Secure Mode (Double Precision Error Correction)"),
         QStringLiteral("Paranoid Mode (Small Blocks Read, drive cache disable)")},
        m_modes, new QVBoxLayout, this);
    m_retries = SettingsControls::upDown("ud_retries", "edt_retries", CdReadingKeys::RetriesMin,
                                         CdReadingKeys::RetriesMax, this);
    m_actions = new QButtonGroup(this);
    QGroupBox* actionBox =
        buttonBox(QStringLiteral("Action On UnRecovery Read or Synch Error"), "cd_a", 1,
                  {QStringLiteral("Stop"), QStringLiteral("Silence"), QStringLiteral("Cut")},
                  m_actions, new QHBoxLayout, this);

    // The drive's read offset, which a rip must apply to match other rips.
    auto* offsetBox = new QGroupBox(QStringLiteral("Drive Read Offset"), this);
    offsetBox->setObjectName(QStringLiteral("gb_offset"));
    m_drive = new QLabel(offsetBox);
    m_drive->setObjectName(QStringLiteral("lbl_offsetdrive"));
    m_offset = new QSpinBox(offsetBox);
    m_offset->setObjectName(QStringLiteral("edt_offset"));
    m_offset->setRange(-DriveOffsetKeys::MaxOffset, DriveOffsetKeys::MaxOffset);
    m_offset->setSuffix(QStringLiteral(" samples"));
    m_findOffset = new QPushButton(QStringLiteral("Find the Offset"), offsetBox);
    m_findOffset->setObjectName(QStringLiteral("btn_findoffset"));
    m_findOffset->setToolTip(QStringLiteral(
        "Compares the disc in the drive with other people's rips in the AccurateRip database."));
    m_cancelOffset = new QPushButton(tr("Cancel"), offsetBox);
    m_cancelOffset->setObjectName(QStringLiteral("btn_canceloffset"));
    m_cancelOffset->hide();
    m_offsetProgress = new QProgressBar(offsetBox);
    m_offsetProgress->setObjectName(QStringLiteral("pb_offset"));
    m_offsetProgress->setRange(0, 100);
    m_offsetProgress->hide();
    m_offsetStatus = new QLabel(offsetBox);
    m_offsetStatus->setObjectName(QStringLiteral("lbl_offsetstatus"));
    m_offsetStatus->setWordWrap(true);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(new QLabel(QStringLiteral("Read offset:"), offsetBox));
    offsetRow->addWidget(m_offset);
    offsetRow->addWidget(m_findOffset);
    offsetRow->addWidget(m_cancelOffset);
    offsetRow->addStretch();
    auto* offsetLayout = new QVBoxLayout(offsetBox);
    offsetLayout->addWidget(m_drive);
    offsetLayout->addLayout(offsetRow);
    offsetLayout->addWidget(m_offsetProgress);
    offsetLayout->addWidget(m_offsetStatus);

    // What a rip makes of the disc beside its tracks.
    auto* discBox = new QGroupBox(tr("The Whole Disc"), this);
    discBox->setObjectName(QStringLiteral("gb_disc"));
    m_hiddenTrack = new QCheckBox(tr("Rip a hidden track (audio before track 1)"), discBox);
    m_hiddenTrack->setObjectName(QStringLiteral("ck_hiddentrack"));
    const QStringList cueChoices{tr("Never"), tr("For lossless outputs"), tr("For every output")};
    m_cueSheet = new QComboBox(discBox);
    m_cueSheet->setObjectName(QStringLiteral("cb_cuesheet"));
    m_cueSheet->addItems(cueChoices);
    m_deEmphasis = new QComboBox(discBox);
    m_deEmphasis->setObjectName(QStringLiteral("cb_deemphasis"));
    m_deEmphasis->addItems({tr("Off"), tr("For lossy outputs only"), tr("For every output")});
    m_deEmphasis->setToolTip(tr("Tracks mastered with pre-emphasis (flagged PRE) get the "
                                "50/15 \u00b5s de-emphasis filter; lossless files stay exact "
                                "unless every output is chosen."));
    m_discAsOneFile =
        new QCheckBox(tr("Rip to FLAC or WAV as one file of the whole disc"), discBox);
    m_discAsOneFile->setObjectName(QStringLiteral("ck_image"));
    auto* discForm = new QFormLayout(discBox);
    discForm->addRow(m_hiddenTrack);
    discForm->addRow(m_discAsOneFile);
    discForm->addRow(tr("Cue sheet and playlist:"), m_cueSheet);
    discForm->addRow(tr("De-emphasise:"), m_deEmphasis);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Retries on Read or Synch Error: "), m_retries);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modeBox);
    layout->addLayout(form);
    layout->addWidget(actionBox);
    layout->addWidget(offsetBox);
    layout->addWidget(discBox);
    layout->addStretch();
    connect(m_findOffset, &QPushButton::clicked, this, &CdReadingPage::findOffset);
    connect(m_cancelOffset, &QPushButton::clicked, this, [this] {
        cancelSearch();
        searchEnded(tr("The search was cancelled."));
    });

    bind({{m_modes, &m_pendingReadMode, CdReadingKeys::ModeForDialog, CdReadingKeys::ModeCount},
          {m_retries, CdReadingKeys::RetriesForDialog},
          {m_actions, &m_pendingErrorAction, CdReadingKeys::ErrorAction,
           CdReadingKeys::ErrorActionCount},
          {m_hiddenTrack, CdReadingKeys::HiddenTrack},
          {m_cueSheet, CdReadingKeys::CueSheet},
          {m_deEmphasis, CdReadingKeys::DeEmphasis},
          {m_discAsOneFile, CdReadingKeys::DiscAsOneFile}});
}

void CdReadingPage::findOffset() {
    if (!m_offsetAccess.find)
        return;
    m_findOffset->setEnabled(false);
    m_cancelOffset->show();
    m_offsetProgress->setValue(0);
    m_offsetProgress->show();
    m_offsetStatus->setText(QStringLiteral("Looking the disc up in the AccurateRip database..."));
    const int search = ++m_finding;
    QPointer<CdReadingPage> page(this);
    // The page may have been shown again, for another drive, meanwhile.
    const auto current = [page, search] { return page && search == page->m_finding; };
    m_cancel = m_offsetAccess.find(
        [page, current](std::optional<int> offset, const QString& text) {
            if (!current())
                return;
            page->m_cancel = nullptr;
            page->searchEnded(text);
            if (offset)
                page->m_offset->setValue(*offset);
        },
        [page, current](int percent, const QString& text) {
            if (!current())
                return;
            page->m_offsetProgress->setValue(percent);
            page->m_offsetStatus->setText(text);
        });
}

void CdReadingPage::cancelSearch() {
    ++m_finding;
    if (const DriveOffsetAccess::Cancel cancel = std::exchange(m_cancel, nullptr))
        cancel();
}

void CdReadingPage::searchEnded(const QString& text) {
    m_findOffset->setEnabled(!m_offsetKey.isEmpty());
    m_cancelOffset->hide();
    m_offsetProgress->hide();
    m_offsetStatus->setText(text);
}

void CdReadingPage::load(const SettingsFile& settings) {
    cancelSearch();
    m_cancelOffset->hide();
    m_offsetProgress->hide();
    m_offsetKey = m_offsetAccess.key ? m_offsetAccess.key() : QString();
    const bool drive = !m_offsetKey.isEmpty();
    m_drive->setText(drive ? QStringLiteral("Drive: %1").arg(m_offsetAccess.driveName())
                           : QStringLiteral("Disc images are read without an offset."));
    m_offset->setEnabled(drive);
    m_findOffset->setEnabled(drive && m_offsetAccess.find);
    m_offsetStatus->clear();
    m_offset->setValue(
        drive ? settings.ini().readInteger(QLatin1String(DriveOffsetKeys::Section), m_offsetKey, 0)
              : 0);
    SettingsPage::load(settings);
}

void CdReadingPage::save(SettingsFile& settings) const {
    if (!m_offsetKey.isEmpty())
        settings.ini().writeInteger(QLatin1String(DriveOffsetKeys::Section), m_offsetKey,
                                    m_offset->value());
    SettingsPage::save(settings);
}
