#include "cli/console.h"

#include <cstdio>

namespace {

void write(FILE* stream, const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString percent(int hundredths) {
    return QStringLiteral("%1.%2%")
        .arg(hundredths / 100)
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

// A name cut to keep the progress line on one line of a narrow terminal.
QString shortName(const QString& name) {
    constexpr int Longest = 24;
    return name.size() <= Longest ? name : name.left(Longest - 3) + QStringLiteral("...");
}

} // namespace

Console::Console(bool quiet, bool progress) : m_quiet(quiet), m_progress(progress && !quiet) {}

void Console::out(const QString& line) {
    clearProgress();
    write(stdout, line);
    drawProgress();
}

void Console::err(const QString& line) {
    clearProgress();
    write(stderr, line);
    drawProgress();
}

void Console::ok(const QString& source, const QString& output, const QString& note) {
    if (m_quiet)
        return;
    const QString line = QStringLiteral("OK %1 -> %2").arg(source, output);
    out(note.isEmpty() ? line : QStringLiteral("%1 [%2]").arg(line, note));
}

void Console::stopped(const QString& source, const QString& output) {
    if (!m_quiet)
        out(QStringLiteral("STOPPED %1 -> %2").arg(source, output));
}

void Console::failed(const QString& source, const QString& reason) {
    err(QStringLiteral("FAILED %1: %2").arg(source, reason));
}

void Console::note(const QString& text) {
    if (!m_quiet)
        err(text);
}

void Console::result(const QString& line) {
    out(line);
}

void Console::summary(int converted, int failed, int stopped, int notStarted) {
    m_running.clear();
    clearProgress();
    if (m_quiet)
        return;
    QString line = QStringLiteral("%1 converted, %2 failed").arg(converted).arg(failed);
    if (stopped > 0 || notStarted > 0)
        line += QStringLiteral(", %1 stopped, %2 not started").arg(stopped).arg(notStarted);
    write(stderr, line + QLatin1Char('.'));
}

void Console::rowStarted(int row, const QString& name) {
    m_running.insert(row, {shortName(name), 0});
    clearProgress();
    drawProgress();
}

void Console::rowProgress(int row, int hundredths) {
    auto found = m_running.find(row);
    if (found == m_running.end() || found->hundredths == hundredths)
        return;
    found->hundredths = hundredths;
    clearProgress();
    drawProgress();
}

void Console::rowEnded(int row) {
    if (m_running.remove(row) > 0)
        ++m_ended;
    clearProgress();
    drawProgress();
}

void Console::clearProgress() {
    if (!m_drawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_drawn = false;
}

void Console::drawProgress() {
    if (!m_progress || m_running.isEmpty())
        return;
    QString line = QStringLiteral("[%1/%2]").arg(m_ended).arg(m_total);
    for (const Running& running : m_running)
        line += QStringLiteral("  %1 %2").arg(running.name, percent(running.hundredths));
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_drawn = true;
}
