#pragma once

#include <QObject>

class DriveSession;
class FolderDialog;
class QWidget;

// Shows a drive session's FreeDB lookup: the folder window in its status
// layout, opened when the session asks for it, with every status line the
// session adds. Its Retry button is reported, not acted on.
class FreeDbStatusWindow : public QObject {
    Q_OBJECT
public:
    // The window belongs to `over`, over which it is centred.
    FreeDbStatusWindow(DriveSession& session, QWidget* over);

    FolderDialog* dialog() const { return m_dialog; }
    void hide();

signals:
    void retryClicked();

private:
    QWidget* m_over;
    FolderDialog* m_dialog;
};
