#include "cd/cddbreply.h"

#include "cd/xmcdparser.h"

#include <QStringDecoder>
#include <QStringList>

namespace {

QStringList replyLines(const QByteArray& body) {
    QStringList lines = decodeCddbText(body).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

// QChar::isDigit and isLetter accept every script; the protocol wants ASCII.
bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isAsciiLetterOrDigit(QChar c) {
    return isAsciiDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

int replyCode(const QString& firstLine) {
    if (firstLine.size() < 3)
        return -1;
    if (firstLine.size() > 3 && firstLine.at(3) != QLatin1Char(' '))
        return -1;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (!isAsciiDigit(firstLine.at(i)))
            return -1;
        code = code * 10 + (firstLine.at(i).unicode() - '0');
    }
    return code;
}

bool isWord(const QString& text) {
    if (text.isEmpty() || text.size() > 32)
        return false;
    for (const QChar c : text)
        if (!isAsciiLetterOrDigit(c))
            return false;
    return true;
}

bool isDiscId(const QString& text) {
    if (text.size() != 8)
        return false;
    for (const QChar c : text)
        if (!QStringLiteral("0123456789abcdefABCDEF").contains(c))
            return false;
    return true;
}

// "categ discid dtitle": the first two words are what a later read needs.
CddbMatch matchFrom(const QString& line) {
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    CddbMatch match;
    if (words.size() < 2 || !isWord(words[0]) || !isDiscId(words[1]))
        return match;
    match.outcome = CddbOutcome::Found;
    match.category = words[0].toLower();
    match.discId = words[1].toLower();
    return match;
}

// Index of the line holding only ".", or -1 when the list was cut off.
int listEnd(const QStringList& lines, int from) {
    for (int i = from; i < lines.size(); ++i)
        if (lines[i] == QLatin1String("."))
            return i;
    return -1;
}

} // namespace

QString decodeCddbText(const QByteArray& body) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(body);
}

CddbMatch parseCddbQueryReply(const QByteArray& body) {
    const QStringList lines = replyLines(body);
    CddbMatch none;
    switch (replyCode(lines.value(0))) {
    case 200:
        return matchFrom(lines[0].mid(4));
    case 210:
    case 211: {
        const int end = listEnd(lines, 1);
        if (end < 0)
            return none;
        if (end == 1) {
            none.outcome = CddbOutcome::NotFound;
            return none;
        }
        return matchFrom(lines[1]);
    }
    case 202:
    case 403:
        none.outcome = CddbOutcome::NotFound;
        return none;
    default:
        return none;
    }
}

CddbEntry parseCddbReadReply(const QByteArray& body, int trackCount) {
    const QStringList lines = replyLines(body);
    CddbEntry entry;
    const int code = replyCode(lines.value(0));
    if (code == 401) {
        entry.outcome = CddbOutcome::NotFound;
        return entry;
    }
    if (code != 210)
        return entry;
    const int end = listEnd(lines, 1);
    if (end < 0)
        return entry;
    entry.record = parseXmcdRecord(lines.mid(1, end - 1).join(QLatin1Char('\n')), trackCount);
    entry.outcome = entry.record.isEmpty() ? CddbOutcome::NotFound : CddbOutcome::Found;
    return entry;
}
