#include "platform/ui/desktopshell.h"

#include <QDesktopServices>
#include <QProcess>

void DesktopShell::OpenUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void DesktopShell::OpenFolder(const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DesktopShell::StartDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}
