#pragma once

#include "dialogs/folderplaces.h"

#include <QDialog>
#include <QList>
#include <QPersistentModelIndex>
#include <QSize>

class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

// The window that chooses a folder (for the output or for adding files) or,
// in its status layout, shows the report lines of a FreeDB lookup with a
// Retry button. The folder tree starts at the user's home; the user's places
// beside it reach the rest.
class FolderDialog : public QDialog {
    Q_OBJECT
public:
    enum class Layout { OutputFolder, AddFolder, FreeDbStatus };

    // With a settings file, the window keeps its size there between runs.
    explicit FolderDialog(QWidget* parent = nullptr, const QString& settingsPath = QString());

    // Lays the window out for one use and centres it over `over`.
    void configure(Layout layout, QWidget* over);
    Layout currentLayout() const { return m_layout; }

    // The folder chosen by the last Ok; empty after Cancel, Close or the close box.
    QString selectedFolder() const { return m_selectedFolder; }

    // Shows a folder in the tree, expanded to, selected and scrolled into
    // view, as a user's click would; a folder that does not exist shows its
    // nearest existing parent.
    void selectFolder(const QString& path);
    // The folder that Ok chooses, empty when none is.
    QString currentFolder() const;
    // Appends one report line to the status list and shows it at once.
    void appendLine(const QString& line);
    QStringList lines() const;

signals:
    void retryClicked();

public slots:
    // Cancel, Close, Escape and the close box: no choice.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseTypedOrSelectedFolder();
    void fillPlaces();
    void goToPlace(int row);
    void showFolderInTree(const QString& folder);
    QString treeRootFor(const QString& folder) const;
    void keepRevealedFolderInView();
    void folderSelectionChanged();
    void markPlaceOf(const QString& folder);
    void rememberSize();

    QString m_settingsPath;
    QListWidget* m_places;
    QTreeView* m_folderTree;
    QLineEdit* m_folderPathEdit;
    QPlainTextEdit* m_statusLines;
    QPushButton* m_okButton;
    QPushButton* m_retryButton;
    QPushButton* m_cancelButton;
    QFileSystemModel* m_model = nullptr;
    QList<FolderPlace> m_placeList;
    // The folder just revealed, kept selected and in view while its parents
    // load and sort, until the user moves on. A folder the model did not know
    // yet is dropped and added again when its parent reloads: the path finds
    // it again.
    QPersistentModelIndex m_revealing;
    QString m_revealingPath;
    void forgetRevealing();
    QString m_selectedFolder;
    QSize m_folderSize;
    Layout m_layout = Layout::OutputFolder;
};
