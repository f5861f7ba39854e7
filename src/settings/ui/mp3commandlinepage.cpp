#include "settings/ui/mp3commandlinepage.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

Mp3CommandLinePage::Mp3CommandLinePage(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("gb_command"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("txtCommLine"));
    m_text->setPlaceholderText(QStringLiteral("-V 2 --vbr-new -q 2"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
}

QString Mp3CommandLinePage::commandLine() const {
    return m_text->toPlainText();
}
