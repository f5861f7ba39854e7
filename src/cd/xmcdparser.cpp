#include "cd/xmcdparser.h"

#include "values/untrustedtext.h"

#include <QHash>
#include <QStringList>

namespace {

// Continued values are joined before cleaning; stop growing them long before
// memory matters.
constexpr int RawValueLimit = 4 * MaxUntrustedTextLength;

QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            out += QLatin1Char('\\') + next;
    }
    return out;
}

// "TTITLE12" gives 12; -1 for anything else.
int titleIndex(const QString& key) {
    if (!key.startsWith(QLatin1String("TTITLE")) || key.size() > 8 || key.size() == 6)
        return -1;
    bool ok = false;
    const int index = key.mid(6).toInt(&ok);
    return ok && index >= 0 ? index : -1;
}

bool isVarious(const QString& artist) {
    return artist.compare(QLatin1String("Various"), Qt::CaseInsensitive) == 0 ||
           artist.compare(QLatin1String("Various Artists"), Qt::CaseInsensitive) == 0;
}

// "Artist / Title" into its halves; false when there is no separator.
bool splitPair(const QString& text, QString* first, QString* second) {
    const int at = text.indexOf(QLatin1String(" / "));
    if (at < 0)
        return false;
    *first = cleanUntrustedText(text.left(at));
    *second = cleanUntrustedText(text.mid(at + 3));
    return true;
}

} // namespace

DiscRecord parseXmcdRecord(const QString& text, int maxTracks) {
    QHash<QString, QString> values;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toUpper();
        QString& value = values[key];
        if (value.size() < RawValueLimit)
            value += line.mid(eq + 1).left(RawValueLimit);
    }

    DiscRecord record;
    const QString dtitle = cleanUntrustedText(unescape(values.value(QStringLiteral("DTITLE"))));
    if (!splitPair(dtitle, &record.artist, &record.album)) {
        // Without a separator the disc title names the artist as well.
        record.artist = dtitle;
        record.album = dtitle;
    }
    record.year = cleanUntrustedText(unescape(values.value(QStringLiteral("DYEAR"))), 16);
    record.genre = cleanUntrustedText(unescape(values.value(QStringLiteral("DGENRE"))));

    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int index = titleIndex(it.key());
        if (index < 0 || index >= maxTracks)
            continue;
        if (record.titles.size() <= index)
            record.titles.resize(index + 1);
        record.titles[index] = cleanUntrustedText(unescape(it.value()));
    }

    // A sampler names each track "Artist / Title".
    bool allPaired = !record.titles.isEmpty();
    for (const QString& title : record.titles)
        allPaired = allPaired && title.contains(QLatin1String(" / "));
    if (allPaired || isVarious(record.artist)) {
        record.trackArtists.resize(record.titles.size());
        for (int i = 0; i < record.titles.size(); ++i) {
            QString artist, title;
            if (splitPair(record.titles[i], &artist, &title)) {
                record.trackArtists[i] = artist;
                record.titles[i] = title;
            }
        }
    }
    return record;
}
