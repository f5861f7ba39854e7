#include "platform/ui/qtuserprompt.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QString title() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Orvelle") : name;
}
} // namespace

void QtUserPrompt::Information(const QString& text) {
    QMessageBox::information(m_parent, title(), text, QMessageBox::Ok);
}

bool QtUserPrompt::Question(const QString& text) {
    return QMessageBox::question(m_parent, title(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

QStringList QtUserPrompt::OpenFiles(const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileNames(m_parent, caption, QString(), filter);
}

int QtUserPrompt::Exec(QDialog& dialog) {
    return dialog.exec();
}
