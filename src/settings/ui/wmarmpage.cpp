#include "settings/ui/wmarmpage.h"

#include "settings/rmkeys.h"
#include "settings/settingsfile.h"
#include "settings/ui/settingscontrols.h"
#include "settings/wmakeys.h"

#include <QComboBox>
#include <QVBoxLayout>

WmaRmPage::WmaRmPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_wma"));
    auto* wmaBox = new QGroupBox(QStringLiteral("WMA Format"), this);
    m_wma = SettingsControls::list("cb_wma", wmaProfileNames(), wmaBox);
    m_wma->setEditable(true);
    m_wma->setInsertPolicy(QComboBox::NoInsert);
    (new QVBoxLayout(wmaBox))->addWidget(m_wma);
    auto* rmBox = new QGroupBox(QStringLiteral("RM Format:"), this);
    m_rmCodecs = SettingsControls::list("cmbRMCodecs", {}, rmBox);
    (new QVBoxLayout(rmBox))->addWidget(m_rmCodecs);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wmaBox);
    layout->addWidget(rmBox);
    layout->addStretch();
}

void WmaRmPage::setRmCodecNames(const QStringList& names) {
    const int position = m_rmCodecs->currentIndex();
    m_rmCodecs->clear();
    m_rmCodecs->addItems(names);
    m_rmCodecs->setCurrentIndex(position < names.size() ? position : -1);
}

void WmaRmPage::load(const SettingsFile& settings) {
    SettingsControls::load(m_wma, settings, WmaKeys::Format);
    SettingsControls::load(m_rmCodecs, settings, RmKeys::Format);
}

void WmaRmPage::save(SettingsFile& settings) const {
    // The text may have been typed: it stands for the profile only when it
    // names one (positions 20 and 22 share a text, so the selection decides).
    const QString text = m_wma->currentText();
    int profile = m_wma->currentIndex();
    if (profile < 0 || m_wma->itemText(profile) != text)
        profile = m_wma->findText(text, Qt::MatchExactly);
    settings.write(WmaKeys::Format, profile);
    SettingsControls::save(m_rmCodecs, settings, RmKeys::Format);
}

void WmaRmPage::setDefaults() {
    m_wma->setCurrentIndex(WmaKeys::Format.defaultValue);
    m_rmCodecs->setCurrentIndex(m_rmCodecs->count() > 0 ? RmKeys::Format.defaultValue : -1);
}
