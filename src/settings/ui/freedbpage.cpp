#include "settings/ui/freedbpage.h"

#include "platform/inifile.h"
#include "settings/freedbkeys.h"
#include "settings/ui/choicegroup.h"
#include "settings/ui/digitkeyfilter.h"
#include "settings/ui/settingscontrols.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
// Texts longer than the settings file keeps would come back cut.
QLineEdit* textEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(IniFile::MaxTextLength);
    return edit;
}
} // namespace

FreedbPage::FreedbPage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_freedb"));
    m_site = SettingsControls::list("cb_freedbsite", freedbServers(), this);
    m_port = textEdit("edt_port", this);
    DigitKeyFilter::install(m_port);
    m_timeout = textEdit("edt_timeout", this);
    DigitKeyFilter::install(m_timeout);
    m_proxy = textEdit("edt_proxy", this);
    m_source =
        new ChoiceGroup(QStringLiteral("Album Information source:"), freedbSources(), 1, this);
    m_source->setObjectName(QStringLiteral("rg_freedbserver"));
    m_databases = SettingsControls::list("cb_database", lookupDatabases(), this);

    auto* timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(m_timeout);
    timeoutRow->addWidget(new QLabel(QStringLiteral("MS "), this));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Look up in:  "), m_databases);
    form->addRow(QStringLiteral("Site URL:  "), m_site);
    form->addRow(QStringLiteral("Port:  "), m_port);
    form->addRow(QStringLiteral("Timeout:  "), timeoutRow);
    form->addRow(QStringLiteral("Proxy:"), m_proxy);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_source);
    layout->addStretch();

    bind({{m_site, FreedbKeys::Site},
          {m_source, FreedbKeys::Source},
          {m_port, FreedbKeys::port},
          {m_timeout, FreedbKeys::Timeout},
          {m_proxy, FreedbKeys::proxy},
          {m_databases, FreedbKeys::Databases}});
}
