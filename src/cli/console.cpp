#include "cli/console.h"

#include <algorithm>
#include <cstdio>
#include <QVector>

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

// Characters that end a line, move the cursor, start a terminal escape or turn
// the text's direction around: a name holding one could fake a line of output.
bool isUnsafe(char32_t c) {
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029)
        return true;
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069) || (c >= 0xd800 && c <= 0xdfff);
}

QVector<char32_t> codePoints(const QString& text) {
    QVector<char32_t> points;
    points.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            points.append(QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else {
            points.append(c.unicode()); // a lone surrogate stays unsafe
        }
    }
    return points;
}

bool hasUnsafe(const QVector<char32_t>& points) {
    return std::any_of(points.begin(), points.end(), isUnsafe);
}

// An unsafe character as the shell writes it inside $'...': the usual letter
// escapes, else each of its UTF-8 bytes in octal.
QString escaped(char32_t c) {
    switch (c) {
    case '\a':
        return QStringLiteral("\\a");
    case '\b':
        return QStringLiteral("\\b");
    case '\t':
        return QStringLiteral("\\t");
    case '\n':
        return QStringLiteral("\\n");
    case '\v':
        return QStringLiteral("\\v");
    case '\f':
        return QStringLiteral("\\f");
    case '\r':
        return QStringLiteral("\\r");
    default:
        break;
    }
    // A lone surrogate has no UTF-8 of its own; it shows as the replacement character.
    const QByteArray bytes = (c >= 0xd800 && c <= 0xdfff) ? QByteArrayLiteral("\xEF\xBF\xBD")
                                                          : QString::fromUcs4(&c, 1).toUtf8();
    QString out;
    for (const char byte : bytes)
        out += QStringLiteral("\\%1").arg(uint(static_cast<unsigned char>(byte)), 3, 8,
                                          QLatin1Char('0'));
    return out;
}

// A name as ls shows it: unchanged when it is harmless, else quoted for the
// shell with each unsafe character escaped ('evil'$'\n''OK fake.wav'), so
// that it stays on its line and can be pasted back.
QString shownName(const QString& name) {
    const QVector<char32_t> points = codePoints(name);
    if (!hasUnsafe(points))
        return name;
    enum { Bare, Quoted, Escaped } state = Bare;
    QString out;
    for (const char32_t c : points) {
        if (isUnsafe(c)) {
            if (state != Escaped)
                out += state == Quoted ? QStringLiteral("'$'") : QStringLiteral("$'");
            state = Escaped;
            out += escaped(c);
        } else if (c == '\'') {
            if (state != Bare)
                out += QLatin1Char('\'');
            state = Bare;
            out += QStringLiteral("\\'");
        } else {
            if (state == Escaped)
                out += QLatin1Char('\'');
            if (state != Quoted)
                out += QLatin1Char('\'');
            state = Quoted;
            out += QString::fromUcs4(&c, 1);
        }
    }
    if (state != Bare)
        out += QLatin1Char('\'');
    return out;
}

// The program's own text keeps its words; an unsafe character that a quoted
// name or a server brought into it is shown as an escape. `keep` is let
// through: the tab between the columns of a result line.
QString shownText(const QString& text, char32_t keep = 0) {
    const QVector<char32_t> points = codePoints(text);
    if (!hasUnsafe(points))
        return text;
    QString out;
    for (const char32_t c : points)
        out += isUnsafe(c) && c != keep ? escaped(c) : QString::fromUcs4(&c, 1);
    return out;
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

void Console::ok(const QString& source, const QString& output, const QString& note,
                 const QString& damage) {
    if (m_quiet)
        return;
    QString line = QStringLiteral("OK %1 -> %2").arg(shownName(source), shownName(output));
    if (!note.isEmpty())
        line += QStringLiteral(" [%1]").arg(shownText(note));
    if (!damage.isEmpty())
        line += QStringLiteral(" [source damaged: %1]").arg(shownText(damage));
    out(line);
}

void Console::stopped(const QString& source, const QString& output) {
    if (m_quiet)
        return;
    if (output.isEmpty())
        out(QStringLiteral("STOPPED %1: the unfinished file was removed").arg(shownName(source)));
    else
        out(QStringLiteral("STOPPED %1 -> %2").arg(shownName(source), shownName(output)));
}

void Console::failed(const QString& source, const QString& reason) {
    err(QStringLiteral("FAILED %1: %2").arg(shownName(source), shownText(reason)));
}

void Console::note(const QString& text) {
    if (!m_quiet)
        err(shownText(text));
}

void Console::result(const QString& line) {
    out(shownText(line, '\t'));
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
    m_running.insert(row, {shownName(shortName(name)), 0});
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

void Console::setStatus(const QString& text) {
    if (text == m_status)
        return;
    clearProgress();
    m_status = text;
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
    if (!m_progress || (m_running.isEmpty() && m_status.isEmpty()))
        return;
    QString line = m_status;
    if (line.isEmpty()) {
        line = QStringLiteral("[%1/%2]").arg(m_ended).arg(m_total);
        for (const Running& running : m_running)
            line += QStringLiteral("  %1 %2").arg(running.name, percent(running.hundredths));
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_drawn = true;
}
