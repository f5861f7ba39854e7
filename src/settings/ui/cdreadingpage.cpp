#include "settings/ui/cdreadingpage.h"

#include "settings/cdreadingkeys.h"
#include "settings/settingsfile.h"
#include "settings/ui/settingscontrols.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
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

void check(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
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

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Retries on Read or Synch Error: "), m_retries);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modeBox);
    layout->addLayout(form);
    layout->addWidget(actionBox);
    layout->addStretch();

    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) { PendingReadMode = id; });
    connect(m_actions, &QButtonGroup::idClicked, this, [this](int id) { PendingErrorAction = id; });
}

void CdReadingPage::showPending() {
    check(m_modes, PendingReadMode);
    check(m_actions, PendingErrorAction);
}

void CdReadingPage::load(const SettingsFile& settings) {
    PendingReadMode = settings.readPosition(CdReadingKeys::ModeForDialog, CdReadingKeys::ModeCount);
    SettingsControls::load(m_retries, settings, CdReadingKeys::RetriesForDialog);
    PendingErrorAction =
        settings.readPosition(CdReadingKeys::ErrorAction, CdReadingKeys::ErrorActionCount);
    showPending();
}

void CdReadingPage::save(SettingsFile& settings) const {
    settings.write(CdReadingKeys::ModeForDialog, PendingReadMode);
    SettingsControls::save(m_retries, settings, CdReadingKeys::RetriesForDialog);
    settings.write(CdReadingKeys::ErrorAction, PendingErrorAction);
}

void CdReadingPage::setDefaults() {
    PendingReadMode = CdReadingKeys::ModeForDialog.defaultValue;
    m_retries->setValue(CdReadingKeys::RetriesForDialog.defaultValue);
    PendingErrorAction = CdReadingKeys::ErrorAction.defaultValue;
    showPending();
}
