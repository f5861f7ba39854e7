#include "settings/ui/freedbpage.h"

#include "platform/inifile.h"
#include "settings/freedbkeys.h"
#include "settings/settingsfile.h"
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
}

void FreedbPage::load(const SettingsFile& settings) {
    SettingsControls::load(m_site, settings, FreedbKeys::Site);
    SettingsControls::load(m_source, settings, FreedbKeys::Source);
    m_port->setText(settings.read(FreedbKeys::port));
    m_timeout->setText(settings.read(FreedbKeys::Timeout));
    m_proxy->setText(settings.read(FreedbKeys::proxy));
    SettingsControls::load(m_databases, settings, FreedbKeys::Databases);
}

void FreedbPage::save(SettingsFile& settings) const {
    SettingsControls::save(m_site, settings, FreedbKeys::Site);
    SettingsControls::save(m_source, settings, FreedbKeys::Source);
    settings.write(FreedbKeys::port, m_port->text());
    settings.write(FreedbKeys::Timeout, m_timeout->text());
    settings.write(FreedbKeys::proxy, m_proxy->text());
    SettingsControls::save(m_databases, settings, FreedbKeys::Databases);
}

void FreedbPage::setDefaults() {
    m_site->setCurrentIndex(FreedbKeys::Site.defaultValue);
    m_source->setIndex(FreedbKeys::Source.defaultValue);
    m_port->setText(QLatin1String(FreedbKeys::port.defaultValue));
    m_timeout->setText(QLatin1String(FreedbKeys::Timeout.defaultValue));
    m_proxy->setText(QLatin1String(FreedbKeys::proxy.defaultValue));
    m_databases->setCurrentIndex(FreedbKeys::Databases.defaultValue);
}
