#include "control/filelistcontrol.h"

#include "control/maincontroller.h"
#include "filelist/filekinds.h"
#include "filelist/formatswitch.h"
#include "platform/userprompt.h"

#include <QDir>
#include <QMimeData>

QStringList commandLinePaths(const QStringList& arguments, const QString& workingFolder) {
    QStringList paths;
    const QDir base(workingFolder);
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        paths << QDir::cleanPath(base.absoluteFilePath(path));
    }
    return paths;
}

QStringList droppedPaths(const QMimeData* data) {
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

FileListControl::FileListControl(MainController& controller, UserPrompt& prompt, Shell& shell,
                                 const QUrl& helpFile)
    : m_controller(controller), m_prompt(prompt), m_adder(prompt, shell, this) {
    m_adder.setHelpFile(helpFile);
    m_adder.setTargetSource([this] { return formatText(m_controller.state().lastFormat); });
    connect(&m_adder, &FileAdder::rowAccepted, this, &FileListControl::appendRow);
    connect(&m_adder, &FileAdder::finished, this,
            [this] { m_controller.run([this] { selectFirstRowIfNone(); }); });
}

bool FileListControl::allowed() {
    switch (guardListCommand(FunctionMode(m_controller.options().function),
                             m_controller.state().jobRunning)) {
    case ListCommandGuard::RefuseSilently:
        return false;
    case ListCommandGuard::ShowConverterMessage:
        m_prompt.information(ConverterFunctionMessage);
        return false;
    case ListCommandGuard::Run:
        break;
    }
    return true;
}

void FileListControl::addFiles() {
    if (!allowed())
        return;
    const QStringList files =
        m_prompt.openFiles(QStringLiteral("Add File"), openDialogFilterText());
    if (!files.isEmpty())
        m_adder.addFiles(files);
}

void FileListControl::addFolder() {
    if (!allowed())
        return;
    const QString folder = m_prompt.chooseFolder(UserPrompt::FolderLayout::AddFolder);
    if (!folder.isEmpty())
        m_adder.addFolder(folder);
}

void FileListControl::addDropped(const QStringList& paths) {
    if (!paths.isEmpty() && allowed())
        m_adder.addDropped(paths);
}

void FileListControl::addPaths(const QStringList& paths) {
    if (paths.isEmpty() || m_controller.state().jobRunning)
        return;
    if (m_controller.options().function != Converter)
        m_controller.chooseFunction(Converter);
    m_adder.addDropped(paths);
}

void FileListControl::appendRow(const RowValues& row) {
    // A file whose test was under way when the list changed function has no
    // place among the CD's tracks.
    if (m_controller.options().function != Converter)
        return;
    m_controller.rows().append(RowModel::rowOf(row));
}

void FileListControl::selectFirstRowIfNone() {
    if (m_controller.rows().count() == 0 || !m_controller.selectedRows().isEmpty())
        return;
    m_controller.selectRows({0});
    m_controller.state().currentRow = 0;
    m_controller.showRowTags();
}

void FileListControl::removeSelectedRows() {
    if (!allowed())
        return;
    const QList<int> selected = m_controller.selectedRows();
    if (selected.isEmpty())
        return;
    m_controller.rows().removeRows(selected);
    const AfterRemoval after =
        rowsRemoved(m_controller.rows().count(), !m_controller.selectedRows().isEmpty(),
                    m_controller.state().currentRow);
    m_controller.state().currentRow = after.currentRow;
    if (after.selectFirstRow) {
        m_controller.selectRows({0});
        m_controller.showRowTags();
    }
}

void FileListControl::clearRows() {
    if (!allowed())
        return;
    m_adder.cancel();
    m_controller.rows().clear();
    m_controller.state().currentRow = -1;
}
