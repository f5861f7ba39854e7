#include "dialogs/folderdialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

namespace {
constexpr int ClientWidth = 287;
constexpr int ClientHeight = 254;
} // namespace

FolderDialog::FolderDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      ShellTreeView1(new QTreeView(this)), Memo1(new QPlainTextEdit(this)),
      btn_ok(new QPushButton(QStringLiteral("Ok"), this)),
      edt_retry(new QPushButton(QStringLiteral("Retry"), this)),
      btn_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_model(new QFileSystemModel(this)) {
    setObjectName(QStringLiteral("fm_dir"));
    setFixedSize(ClientWidth, ClientHeight);
    setMinimumWidth(150);

    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QStringLiteral("/"));
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setModel(m_model);
    ShellTreeView1->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    ShellTreeView1->setRootIsDecorated(true);
    ShellTreeView1->setGeometry(8, 8, ClientWidth - 16, ClientHeight - 52);
    selectFolder(QDir::homePath());
    ShellTreeView1->clearSelection();
    ShellTreeView1->setCurrentIndex(QModelIndex());

    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setGeometry(ShellTreeView1->geometry());
    Memo1->hide();

    const int buttonTop = ClientHeight - 36;
    btn_ok->setObjectName(QStringLiteral("btn_ok"));
    btn_ok->setGeometry(28, buttonTop, 90, 26);
    edt_retry->setObjectName(QStringLiteral("edt_retry"));
    edt_retry->setGeometry(btn_ok->geometry());
    edt_retry->hide();
    btn_cancel->setObjectName(QStringLiteral("btn_cancel"));
    btn_cancel->setGeometry(ClientWidth - 118, buttonTop, 90, 26);

    connect(btn_ok, &QPushButton::clicked, this, &FolderDialog::btn_okClick);
    connect(btn_cancel, &QPushButton::clicked, this, &FolderDialog::btn_cancelClick);
    connect(edt_retry, &QPushButton::clicked, this, &FolderDialog::retryClicked);
}

void FolderDialog::configure(Layout layout, QWidget* over) {
    m_layout = layout;
    const bool status = layout == Layout::FreeDbStatus;
    switch (layout) {
    case Layout::OutputFolder:
        setWindowTitle(QStringLiteral("Output Directory"));
        break;
    case Layout::AddFolder:
        setWindowTitle(QStringLiteral("Add File Directory"));
        break;
    case Layout::FreeDbStatus:
        setWindowTitle(QStringLiteral("FreeDB info"));
        Memo1->clear();
        break;
    }
    ShellTreeView1->setVisible(!status);
    Memo1->setVisible(status);
    btn_ok->setVisible(!status);
    edt_retry->setVisible(status);
    btn_cancel->setText(status ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    setModal(!status);
    if (over) {
        const QRect frame = over->frameGeometry();
        // Truncated toward zero, as the window has always been placed.
        move(frame.left() + (frame.width() - width()) / 2,
             frame.top() + (frame.height() - height()) / 2);
    }
}

void FolderDialog::selectFolder(const QString& path) {
    const QModelIndex index = m_model->index(QDir::cleanPath(path));
    if (!index.isValid())
        return;
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
}

QString FolderDialog::currentFolder() const {
    const QModelIndexList selected = ShellTreeView1->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return QString();
    return m_model->filePath(selected.first());
}

void FolderDialog::appendLine(const QString& line) {
    Memo1->appendPlainText(line);
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

QStringList FolderDialog::lines() const {
    const QString text = Memo1->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void FolderDialog::btn_okClick() {
    selectedFolder = currentFolder();
    accept();
}

void FolderDialog::btn_cancelClick() {
    reject();
}

void FolderDialog::reject() {
    // The close box counts as Cancel too, so a caller never sees an older choice.
    selectedFolder.clear();
    QDialog::reject();
}
