#include "settings/ui/wmarmpage.h"

#include "settings/rmkeys.h"
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

    // The WMA text may be typed over: it saves the profile it names.
    bind({{m_wma, WmaKeys::Format}, {m_rmCodecs, RmKeys::Format}});
}

void WmaRmPage::setRmCodecNames(const QStringList& names) {
    const int position = m_rmCodecs->currentIndex();
    m_rmCodecs->clear();
    m_rmCodecs->addItems(names);
    m_rmCodecs->setCurrentIndex(position < names.size() ? position : -1);
}
