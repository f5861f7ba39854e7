#include "dialogs/folderdialog.h"

#include "settings/mainkeys.h"
#include "settings/settingsfile.h"

#include <algorithm>
#include <QBoxLayout>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTreeView>

namespace {
constexpr int MinimumWidth = 420;
constexpr int MinimumHeight = 300;
// The FreeDB report needs no room for a tree.
constexpr int StatusWidth = 460;
constexpr int StatusHeight = 300;
constexpr int PlacesMinimumWidth = 120;
constexpr int PlacesMaximumWidth = 200;

bool isInside(const QString& folder, const QString& dir) {
    return folder == dir ||
           folder.startsWith(dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/'));
}

// A typed "~/Music" or "Music" means the one in home, as in a shell. Spaces
// stay: a folder name may begin or end with one.
QString absoluteFolder(const QString& text) {
    QString path = text;
    if (path.isEmpty())
        return QString();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path.replace(0, 1, QDir::homePath());
    return QDir::cleanPath(QDir(QDir::homePath()).absoluteFilePath(path));
}

// The size the folder layouts open at from a stored "WIDTHxHEIGHT"; anything
// else, or a size below the window's minimum, gives the default.
QSize sizeFromText(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,5})x(\\d{1,5})\\s*$"));
    QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || match.captured(1).toInt() < MinimumWidth ||
        match.captured(2).toInt() < MinimumHeight)
        match = pattern.match(QLatin1String(MainKeys::FolderWindowSize.defaultValue));
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

QIcon placeIcon(const FolderPlace& place, const QStyle& style) {
    switch (place.kind) {
    case FolderPlace::Kind::Home:
        return QIcon::fromTheme(QStringLiteral("user-home"),
                                style.standardIcon(QStyle::SP_DirHomeIcon));
    case FolderPlace::Kind::Drive:
        return QIcon::fromTheme(QStringLiteral("drive-removable-media"),
                                style.standardIcon(QStyle::SP_DriveHDIcon));
    case FolderPlace::Kind::FileSystem:
        return QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                style.standardIcon(QStyle::SP_DriveHDIcon));
    case FolderPlace::Kind::UserFolder:
        if (place.path == QStandardPaths::writableLocation(QStandardPaths::MusicLocation))
            return QIcon::fromTheme(QStringLiteral("folder-music"),
                                    style.standardIcon(QStyle::SP_DirIcon));
        break;
    case FolderPlace::Kind::Bookmark:
        break;
    }
    return QIcon::fromTheme(QStringLiteral("folder"), style.standardIcon(QStyle::SP_DirIcon));
}
} // namespace

FolderDialog::FolderDialog(QWidget* parent, const QString& settingsPath)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_settingsPath(settingsPath), m_places(new QListWidget(this)),
      m_folderTree(new QTreeView(this)), m_folderPathEdit(new QLineEdit(this)),
      m_statusLines(new QPlainTextEdit(this)),
      m_okButton(new QPushButton(QStringLiteral("Ok"), this)),
      m_retryButton(new QPushButton(QStringLiteral("Retry"), this)),
      m_cancelButton(new QPushButton(QStringLiteral("Cancel"), this)),
      m_model(new QFileSystemModel(this)) {
    setObjectName(QStringLiteral("fm_dir"));
    setMinimumSize(MinimumWidth, MinimumHeight);
    setSizeGripEnabled(true);
    const QString stored = m_settingsPath.isEmpty()
                               ? QString()
                               : SettingsFile(m_settingsPath).read(MainKeys::FolderWindowSize);
    m_folderSize = sizeFromText(stored);
    if (const QScreen* shown = screen())
        m_folderSize = m_folderSize.boundedTo(shown->availableGeometry().size());
    resize(m_folderSize);

    m_places->setObjectName(QStringLiteral("placesList"));
    m_places->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    m_places->setIconSize(QSize(iconSize, iconSize));

    // The tree is rooted when it is first used, so that the FreeDB report
    // window, which never shows it, reads no folders.
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    // Qt's file icon provider falls back to the style's icons where the
    // desktop has no icon theme; the model's own shows none there.
    static QFileIconProvider icons;
    m_model->setIconProvider(&icons);
    m_folderTree->setObjectName(QStringLiteral("ShellTreeView1"));
    // Connected before the view is, so that this runs before the view moves
    // its selection off a row that goes.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& folder, int first, int last) {
                if (m_revealing.isValid() && m_revealing.parent() == folder &&
                    m_revealing.row() >= first && m_revealing.row() <= last)
                    m_revealing = QPersistentModelIndex();
            });
    m_folderTree->setModel(m_model);
    m_folderTree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_folderTree->hideColumn(column);
    m_folderTree->setUniformRowHeights(true);

    m_folderPathEdit->setObjectName(QStringLiteral("folderPathEdit"));
    m_folderPathEdit->setPlaceholderText(QStringLiteral("Folder"));

    m_statusLines->setObjectName(QStringLiteral("Memo1"));
    m_statusLines->setReadOnly(true);
    m_statusLines->hide();

    m_okButton->setObjectName(QStringLiteral("btn_ok"));
    m_okButton->setDefault(true);
    m_retryButton->setObjectName(QStringLiteral("edt_retry"));
    m_retryButton->hide();
    m_cancelButton->setObjectName(QStringLiteral("btn_cancel"));

    setTabOrder(m_folderTree, m_folderPathEdit);
    setTabOrder(m_folderPathEdit, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    setTabOrder(m_cancelButton, m_places);

    auto* folders = new QHBoxLayout;
    folders->addWidget(m_places);
    folders->addWidget(m_folderTree, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_retryButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folders, 1);
    layout->addWidget(m_statusLines, 1);
    layout->addWidget(m_folderPathEdit);
    layout->addLayout(buttons);

    connect(m_places, &QListWidget::currentRowChanged, this, &FolderDialog::goToPlace);
    connect(m_places, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { goToPlace(m_places->row(item)); });
    connect(m_folderTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FolderDialog::folderSelectionChanged);
    // Parents of a folder being revealed load and sort after it is selected,
    // which moves it; each step scrolls it back into view.
    connect(m_model, &QFileSystemModel::directoryLoaded, this,
            &FolderDialog::keepRevealedFolderInView);
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            &FolderDialog::keepRevealedFolderInView);
    connect(m_model, &QAbstractItemModel::layoutChanged, this,
            &FolderDialog::keepRevealedFolderInView);
    connect(m_folderTree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { forgetRevealing(); });
    connect(m_okButton, &QPushButton::clicked, this, &FolderDialog::chooseTypedOrSelectedFolder);
    connect(m_cancelButton, &QPushButton::clicked, this, &FolderDialog::reject);
    connect(m_retryButton, &QPushButton::clicked, this, &FolderDialog::retryClicked);
}

void FolderDialog::configure(Layout layout, QWidget* over) {
    const bool status = layout == Layout::FreeDbStatus;
    const bool wasStatus = m_layout == Layout::FreeDbStatus;
    m_layout = layout;
    switch (layout) {
    case Layout::OutputFolder:
        setWindowTitle(QStringLiteral("Output Directory"));
        break;
    case Layout::AddFolder:
        setWindowTitle(QStringLiteral("Add File Directory"));
        break;
    case Layout::FreeDbStatus:
        setWindowTitle(QStringLiteral("FreeDB info"));
        m_statusLines->clear();
        break;
    }
    m_places->setVisible(!status);
    m_folderTree->setVisible(!status);
    m_folderPathEdit->setVisible(!status);
    m_statusLines->setVisible(status);
    m_okButton->setVisible(!status);
    m_retryButton->setVisible(status);
    // The hidden folder row would keep its share of the height as an empty
    // area above the status lines.
    if (auto* box = qobject_cast<QBoxLayout*>(this->layout()))
        box->setStretch(0, status ? 0 : 1);
    m_cancelButton->setText(status ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    setModal(!status);
    if (status != wasStatus)
        resize(status ? QSize(StatusWidth, StatusHeight) : m_folderSize);
    // Read again each time: a drive plugged in since shows up.
    if (!status)
        fillPlaces();
    if (over) {
        const QRect frame = over->frameGeometry();
        // Truncated toward zero, as the window has always been placed.
        move(frame.left() + (frame.width() - width()) / 2,
             frame.top() + (frame.height() - height()) / 2);
    }
}

void FolderDialog::fillPlaces() {
    m_placeList = userFolderPlaces();
    const QSignalBlocker blocker(m_places);
    m_places->clear();
    for (const FolderPlace& place : m_placeList) {
        auto* item = new QListWidgetItem(placeIcon(place, *style()), place.label, m_places);
        item->setToolTip(place.path);
    }
    const int frame = 2 * m_places->frameWidth() + 8;
    m_places->setFixedWidth(
        std::clamp(m_places->sizeHintForColumn(0) + frame, PlacesMinimumWidth, PlacesMaximumWidth));
    markPlaceOf(currentFolder());
}

void FolderDialog::goToPlace(int row) {
    if (row < 0 || row >= m_placeList.size() || currentFolder() == m_placeList[row].path)
        return;
    selectFolder(m_placeList[row].path);
}

void FolderDialog::selectFolder(const QString& path) {
    QString folder = absoluteFolder(path);
    if (folder.isEmpty()) {
        // A first showing with nothing to show opens at home.
        if (m_folderTree->rootIndex().isValid())
            return;
        folder = QDir::cleanPath(QDir::homePath());
    }
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return;
        folder = parent;
    }
    if (m_placeList.isEmpty())
        fillPlaces();
    showFolderInTree(folder);
}

// Home holds what a user keeps; a folder elsewhere is shown under the drive
// or bookmark that holds it, else under the file system's root.
QString FolderDialog::treeRootFor(const QString& folder) const {
    const QString home = QDir::cleanPath(QDir::homePath());
    if (isInside(folder, home))
        return home;
    QString root = QStringLiteral("/");
    for (const FolderPlace& place : m_placeList)
        if (place.path.size() > root.size() && isInside(folder, place.path))
            root = place.path;
    return root;
}

void FolderDialog::showFolderInTree(const QString& folder) {
    const QString root = treeRootFor(folder);
    if (QDir::cleanPath(m_model->rootPath()) != root || !m_folderTree->rootIndex().isValid()) {
        m_model->setRootPath(root);
        m_folderTree->setRootIndex(m_model->index(root));
    }
    const QModelIndex rootIndex = m_folderTree->rootIndex();
    if (m_model->canFetchMore(rootIndex))
        m_model->fetchMore(rootIndex);
    if (folder == root) {
        forgetRevealing();
        m_folderTree->setCurrentIndex(QModelIndex());
        m_folderTree->clearSelection();
        m_folderTree->scrollToTop();
    } else {
        const QModelIndex index = m_model->index(folder);
        // The folder opens too, so that a sub-folder of it is one click away.
        for (QModelIndex open = index; open.isValid() && open != rootIndex; open = open.parent()) {
            if (m_model->canFetchMore(open))
                m_model->fetchMore(open);
            m_folderTree->expand(open);
        }
        m_revealing = index;
        m_revealingPath = folder;
        m_folderTree->setCurrentIndex(index);
        keepRevealedFolderInView();
    }
    m_folderPathEdit->setText(folder);
    markPlaceOf(folder);
}

void FolderDialog::forgetRevealing() {
    m_revealing = QPersistentModelIndex();
    m_revealingPath.clear();
}

void FolderDialog::keepRevealedFolderInView() {
    if (!m_revealing.isValid() && !m_revealingPath.isEmpty()) {
        const QModelIndex again = m_model->index(m_revealingPath);
        if (again.isValid()) {
            m_revealing = again;
            m_folderTree->setCurrentIndex(again);
        }
    }
    if (m_revealing.isValid())
        m_folderTree->scrollTo(m_revealing, QAbstractItemView::PositionAtCenter);
}

void FolderDialog::folderSelectionChanged() {
    const QModelIndexList selected = m_folderTree->selectionModel()->selectedIndexes();
    const QModelIndex index = selected.isEmpty() ? QModelIndex() : selected.first();
    // The revealed row is going in a reload: the view's move to a neighbour
    // is not the user's choice.
    if (!m_revealing.isValid() && !m_revealingPath.isEmpty())
        return;
    if (index != m_revealing)
        forgetRevealing();
    const QString folder = index.isValid() ? m_model->filePath(index) : QString();
    m_folderPathEdit->setText(folder);
    markPlaceOf(folder);
}

// The place that holds the folder most closely is marked, as "you are here".
void FolderDialog::markPlaceOf(const QString& folder) {
    int best = -1;
    for (int row = 0; row < m_placeList.size(); ++row)
        if (!folder.isEmpty() && isInside(folder, m_placeList[row].path) &&
            (best < 0 || m_placeList[row].path.size() > m_placeList[best].path.size()))
            best = row;
    const QSignalBlocker blocker(m_places);
    m_places->setCurrentRow(best);
}

QString FolderDialog::currentFolder() const {
    return absoluteFolder(m_folderPathEdit->text());
}

void FolderDialog::appendLine(const QString& line) {
    m_statusLines->appendPlainText(line);
    m_statusLines->verticalScrollBar()->setValue(m_statusLines->verticalScrollBar()->maximum());
}

QStringList FolderDialog::lines() const {
    const QString text = m_statusLines->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void FolderDialog::chooseTypedOrSelectedFolder() {
    const QString folder = currentFolder();
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        // A mistyped folder is the user's to correct, not an empty choice.
        m_folderPathEdit->setFocus();
        m_folderPathEdit->selectAll();
        return;
    }
    m_selectedFolder = folder;
    accept();
}

void FolderDialog::reject() {
    // The close box counts as Cancel too, so a caller never sees an older choice.
    m_selectedFolder.clear();
    QDialog::reject();
}

void FolderDialog::done(int result) {
    forgetRevealing();
    if (m_layout != Layout::FreeDbStatus)
        rememberSize();
    QDialog::done(result);
}

void FolderDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_layout != Layout::FreeDbStatus)
        m_folderTree->setFocus();
    // Before the first showing the tree had no size to scroll in.
    keepRevealedFolderInView();
}

void FolderDialog::rememberSize() {
    if (size() == m_folderSize)
        return;
    m_folderSize = size();
    if (m_settingsPath.isEmpty())
        return;
    try {
        SettingsFile(m_settingsPath)
            .write(MainKeys::FolderWindowSize,
                   QStringLiteral("%1x%2").arg(m_folderSize.width()).arg(m_folderSize.height()));
    } catch (const IniWriteError&) {
        // Only the size is lost; the next run opens at the default.
    }
}
