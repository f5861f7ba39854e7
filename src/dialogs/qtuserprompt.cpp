#include "dialogs/qtuserprompt.h"

#include "dialogs/folderdialog.h"
#include "settings/mainoptions.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QString title() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Orvelle") : name;
}
} // namespace

QtUserPrompt::~QtUserPrompt() {
    // A parentless folder window is ours; one with a parent goes with it.
    if (m_folders && !m_folders->parent())
        delete m_folders;
}

void QtUserPrompt::information(const QString& text) {
    QMessageBox::information(m_parent, title(), text, QMessageBox::Ok);
}

bool QtUserPrompt::question(const QString& text, Default button) {
    return QMessageBox::question(m_parent, title(), text, QMessageBox::Yes | QMessageBox::No,
                                 button == Default::Yes ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

QStringList QtUserPrompt::openFiles(const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileNames(m_parent, caption, QString(), filter);
}

QString QtUserPrompt::chooseFolder(FolderLayout layout, const QString& startFolder) {
    if (!m_folders)
        m_folders = new FolderDialog(m_parent, m_settingsPath);
    const bool adding = layout == FolderLayout::AddFolder;
    m_folders->configure(
        adding ? FolderDialog::Layout::AddFolder : FolderDialog::Layout::OutputFolder, m_parent);
    // The output folder as the window's box has it now, typed or not.
    if (!adding && !startFolder.trimmed().isEmpty())
        m_outputFolder = startFolder.trimmed();
    if (!adding && m_outputFolder.isEmpty())
        m_outputFolder = MainOptions::load(SettingsFile(m_settingsPath)).outputPath;
    // Nothing added yet: the tree stays on the folder it showed last.
    m_folders->selectFolder(adding ? m_addFolder : m_outputFolder);
    m_folders->exec();
    const QString chosen = m_folders->selectedFolder();
    if (!chosen.isEmpty())
        (adding ? m_addFolder : m_outputFolder) = chosen;
    return chosen;
}
