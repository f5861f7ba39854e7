#include "platform/ui/desktopshell.h"

#include <QDesktopServices>
#include <QProcess>

void DesktopShell::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void DesktopShell::openFolder(const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DesktopShell::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}
