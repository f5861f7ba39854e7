#include "cd/ui/freedbstatuswindow.h"

#include "cd/drivesession.h"
#include "dialogs/folderdialog.h"

FreeDbStatusWindow::FreeDbStatusWindow(DriveSession& session, QWidget* over)
    : QObject(over), m_over(over), m_dialog(new FolderDialog(over)) {
    m_dialog->setObjectName(QStringLiteral("FreeDbWindow"));
    connect(&session, &DriveSession::statusWindowOpened, this, [this] {
        m_dialog->configure(FolderDialog::Layout::FreeDbStatus, m_over);
        m_dialog->show();
    });
    connect(&session, &DriveSession::statusLineAdded, m_dialog, &FolderDialog::appendLine);
    connect(m_dialog, &FolderDialog::retryClicked, this, &FreeDbStatusWindow::retryClicked);
}

void FreeDbStatusWindow::hide() {
    m_dialog->hide();
}
