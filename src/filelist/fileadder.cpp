#include "filelist/fileadder.h"

#include "filelist/folderentries.h"
#include "platform/shell.h"
#include "platform/userprompt.h"

#include <algorithm>
#include <QCoreApplication>

namespace RefusalTexts {

QString unsupportedFilesText(const QStringList& reasons) {
    constexpr int MaxListed = 15;
    QString text = AudioNotSupported + QStringLiteral("\n");
    for (int i = 0; i < std::min<int>(reasons.size(), MaxListed); ++i)
        text += QStringLiteral("\n") + reasons[i];
    if (reasons.size() > MaxListed)
        text += QStringLiteral("\n") + QCoreApplication::translate("FileAdder", "…and %n more.",
                                                                   nullptr,
                                                                   int(reasons.size() - MaxListed));
    return text;
}

} // namespace RefusalTexts

FileAdder::FileAdder(UserPrompt& prompt, Shell& shell, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_shell(shell),
      m_acceptance(std::make_unique<FileAcceptance>()),
      m_target([] { return QStringLiteral("MP3"); }),
      m_helpFile(QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/help/Orvelle.html"))) {}

FileAdder::~FileAdder() = default;

void FileAdder::setAcceptance(std::unique_ptr<FileAcceptance> acceptance) {
    if (acceptance)
        m_acceptance = std::move(acceptance);
}

void FileAdder::setTargetSource(std::function<QString()> target) {
    if (target)
        m_target = std::move(target);
}

void FileAdder::setHelpFile(const QUrl& helpFile) {
    m_helpFile = helpFile;
}

void FileAdder::addFiles(const QStringList& files) {
    enqueue(files);
}

void FileAdder::addFolder(const QString& folder, bool recursive) {
    enqueue(folderEntries(folder, recursive));
}

void FileAdder::addDropped(const QStringList& paths) {
    enqueue(expandDroppedPaths(paths));
}

void FileAdder::enqueue(const QStringList& files) {
    if (files.isEmpty())
        return;
    m_queue.insert(m_queue.end(), files.cbegin(), files.cend());
    m_running = true;
    scheduleStep();
}

void FileAdder::scheduleStep() {
    // While a file is being tested (its box may be open) the next step waits for it.
    if (m_stepScheduled || m_testing)
        return;
    m_stepScheduled = true;
    QMetaObject::invokeMethod(this, &FileAdder::step, Qt::QueuedConnection);
}

void FileAdder::step() {
    m_stepScheduled = false;
    if (m_testing)
        return;
    if (!m_queue.empty())
        testNext();
    if (m_queue.empty())
        finishIfDone();
    else
        scheduleStep();
}

void FileAdder::runToEnd() {
    while (!m_queue.empty() && !m_testing)
        testNext();
    finishIfDone();
}

void FileAdder::cancel() {
    m_queue.clear();
    if (!m_testing)
        finishIfDone();
}

void FileAdder::finishIfDone() {
    if (!m_running || m_testing || !m_queue.empty())
        return;
    showUnsupported();
    // Paths dropped while the box was open make the batch go on.
    if (!m_queue.empty()) {
        scheduleStep();
        return;
    }
    m_running = false;
    emit finished();
}

void FileAdder::showUnsupported() {
    if (m_unsupported.isEmpty())
        return;
    const QString text = RefusalTexts::unsupportedFilesText(m_unsupported);
    m_unsupported.clear();
    m_testing = true; // the box is modal: nothing is tested while it is open
    m_prompt.information(text);
    m_testing = false;
}

void FileAdder::testNext() {
    const QString path = m_queue.front();
    m_queue.pop_front();
    struct Testing {
        bool& flag;
        explicit Testing(bool& f) : flag(f) { flag = true; }
        ~Testing() { flag = false; }
    } testing(m_testing);
    const FileAcceptance::Outcome outcome = m_acceptance->test(path, m_target());
    if (outcome.accepted())
        emit rowAccepted(outcome.row);
    else
        refuse(path, outcome);
}

void FileAdder::refuse(const QString& path, const FileAcceptance::Outcome& outcome) {
    using Refusal = FileAcceptance::Refusal;
    QString anchor;
    switch (outcome.refusal) {
    case Refusal::Audio: {
        // The readers' reasons name their file; one that does not gets its path.
        QString line = outcome.reason.isEmpty() ? path : outcome.reason;
        if (!line.contains(path))
            line = path + QStringLiteral(": ") + line;
        m_unsupported << line;
        break;
    }
    case Refusal::Wma:
        if (m_prompt.question(RefusalTexts::WmaQuestion))
            anchor = RefusalTexts::AudioCodecsAnchor;
        break;
    case Refusal::Video:
        if (m_prompt.question(RefusalTexts::VideoQuestion))
            anchor = RefusalTexts::VideoCodecsAnchor;
        break;
    case Refusal::None:
        return;
    }
    if (!anchor.isEmpty()) {
        QUrl page = m_helpFile;
        page.setFragment(anchor);
        m_shell.openUrl(page);
    }
    emit fileRefused(path, outcome.reason);
}
