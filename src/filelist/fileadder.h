#pragma once

#include "filelist/fileacceptance.h"
#include "filelist/rowvalues.h"

#include <deque>
#include <functional>
#include <memory>
#include <QObject>
#include <QStringList>
#include <QUrl>

class Shell;
class UserPrompt;

namespace RefusalTexts {
inline const QString AudioNotSupported = QStringLiteral("This Audio file is not supported!");
inline const QString WmaQuestion = QStringLiteral(
    "This file can not be supported, this problem may be solved by download and install free "
    "audio encode. Will you download it?");
inline const QString VideoQuestion = QStringLiteral(
    "This file can not be supported, this problem may be solved by download and install free "
    "video encode. Will you download it?");
// The manual's sections on adding decoders, opened when the user answers Yes.
inline const QString AudioCodecsAnchor = QStringLiteral("audio-codecs");
inline const QString VideoCodecsAnchor = QStringLiteral("video-codecs");

// The one box for a batch's unsupported files: the program's own sentence, then
// each file with its reason, as the command line gives them; a long list ends
// in how many more there are.
QString unsupportedFilesText(const QStringList& reasons);
} // namespace RefusalTexts

// Adds a batch of files to the converter's list: each is tested (FileAcceptance)
// in order, an accepted one is handed out with rowAccepted, and the batch goes
// on with the next file. Unsupported files are listed in one box when the
// batch is done; a file that may only lack a decoder brings its question at once.
//
// start() works through the batch one file per turn of the event loop, so the
// window repaints between files. A box is modal; the next file is only taken
// once it has been answered, so boxes never stack, even when more paths arrive
// while one is shown (they join the end of the batch).
class FileAdder : public QObject {
    Q_OBJECT
public:
    FileAdder(UserPrompt& prompt, Shell& shell, QObject* parent = nullptr);
    ~FileAdder() override;

    // The readers that test the files; FFmpeg's by default.
    void setAcceptance(std::unique_ptr<FileAcceptance> acceptance);
    // The text of the output format selected now, asked for each new row.
    void setTargetSource(std::function<QString()> target);
    // The manual (help/Orvelle.html beside the program by default).
    void setHelpFile(const QUrl& helpFile);

    // Add File: the chosen files, tried as audio or, by isVideoFile, as video.
    void addFiles(const QStringList& files);
    // Add Folder: the folder's folderEntries.
    void addFolder(const QString& folder, bool recursive = false);
    // Files and folders dropped onto the list, as Add File and Add Folder take them.
    void addDropped(const QStringList& paths);

    // Works through what is queued now, without the event loop (command line, benchmark).
    void runToEnd();
    // Drops the files not tested yet; the file being tested is finished.
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void rowAccepted(const RowValues& row);
    // As the file is refused (a question: once it is answered).
    void fileRefused(const QString& path, const QString& reason);
    // The batch is done: every queued file was tested, or it was cancelled.
    void finished();

private:
    void enqueue(const QStringList& files);
    void scheduleStep();
    void step();
    void testNext();
    void refuse(const QString& path, const FileAcceptance::Outcome& outcome);
    void finishIfDone();
    void showUnsupported();

    UserPrompt& m_prompt;
    Shell& m_shell;
    std::unique_ptr<FileAcceptance> m_acceptance;
    std::function<QString()> m_target;
    QUrl m_helpFile;
    std::deque<QString> m_queue;
    QStringList m_unsupported; // the batch's reasons, for its one box
    bool m_running = false;
    bool m_stepScheduled = false;
    bool m_testing = false;
};
