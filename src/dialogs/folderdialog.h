#pragma once

#include <QDialog>

class QFileSystemModel;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

// The small window that chooses a folder (for the output or for adding
// files) or, in its status layout, shows the report lines of a FreeDB lookup
// with a Retry button.
class FolderDialog : public QDialog {
    Q_OBJECT
public:
    enum class Layout { OutputFolder, AddFolder, FreeDbStatus };

    explicit FolderDialog(QWidget* parent = nullptr);

    // Lays the window out for one use and centres it over `over`.
    void configure(Layout layout, QWidget* over);
    Layout currentLayout() const { return m_layout; }

    // The folder chosen by the last Ok; empty after Cancel, Close or the close box.
    QString selectedFolder;

    // Selects a folder in the tree, as a user's click would.
    void selectFolder(const QString& path);
    // The folder selected in the tree, empty when none is.
    QString currentFolder() const;
    // Appends one report line to the status list and shows it at once.
    void appendLine(const QString& line);
    QStringList lines() const;

    QTreeView* ShellTreeView1;
    QPlainTextEdit* Memo1;
    QPushButton* btn_ok;
    QPushButton* edt_retry;
    QPushButton* btn_cancel;

signals:
    void retryClicked();

public slots:
    // Cancel, Close, Escape and the close box: no choice.
    void reject() override;

private:
    void btn_okClick();
    void btn_cancelClick();

    QFileSystemModel* m_model;
    Layout m_layout = Layout::OutputFolder;
};
