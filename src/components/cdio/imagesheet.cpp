#include "components/cdio/imagesheet.h"

#include "platform/regularfile.h"
#include "values/untrustedtext.h"

#include <algorithm>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <utility>

namespace {

ImageSheet refused(const QString& why) {
    ImageSheet sheet;
    sheet.error = why;
    return sheet;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isNumber(const QByteArray& word) {
    if (word.isEmpty() || word.size() > 3)
        return false;
    for (char c : word)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The checks every text sheet passes: size, no NUL, short lines. Lines end
// at '\n' or '\r' alike, so that no line can hide a keyword from us that a
// reader splitting differently would see.
bool sheetLines(const QByteArray& text, QList<QByteArray>* lines, QString* error) {
    if (text.size() > ImageSheet::MaxSheetBytes) {
        *error =
            QStringLiteral("The sheet is larger than %1 bytes.").arg(ImageSheet::MaxSheetBytes);
        return false;
    }
    if (text.contains('\0')) {
        *error = QStringLiteral("The sheet holds a NUL byte; it is not a text file.");
        return false;
    }
    const QByteArray body = text.startsWith("\xEF\xBB\xBF") ? text.mid(3) : text;
    int number = 0;
    for (const QByteArray& line :
         QByteArray(body).replace("\r\n", "\n").replace('\r', '\n').split('\n')) {
        ++number;
        if (line.size() > ImageSheet::MaxLineBytes) {
            *error = QStringLiteral("Line %1 of the sheet is longer than %2 bytes.")
                         .arg(number)
                         .arg(ImageSheet::MaxLineBytes);
            return false;
        }
        *lines << line;
    }
    return true;
}

QByteArray firstWord(const QByteArray& line, int* end) {
    int start = 0;
    while (start < line.size() && isSpace(line[start]))
        ++start;
    int stop = start;
    while (stop < line.size() && !isSpace(line[stop]))
        ++stop;
    *end = stop;
    return line.mid(start, stop - start);
}

bool keyword(const QByteArray& word, const char* name) {
    return qstricmp(word.constData(), name) == 0;
}

// A .toc line as words: bare words, quoted strings (with cdrdao's backslash
// escapes) and braces; "//" starts a comment.
struct TocWord {
    QByteArray text;
    bool quoted = false;
    int begin = 0; // where it stands in its line, quotes included
    int end = 0;
};

// Where a data file's quoted name stands in a .toc sheet.
struct NamePlace {
    int line;
    int begin;
    int end;
};

bool tocWords(const QByteArray& line, QVector<TocWord>* words) {
    int i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (isSpace(c)) {
            ++i;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            return true;
        } else if (c == '{' || c == '}') {
            words->append({QByteArray(1, c), false, i, i + 1});
            ++i;
        } else if (c == '"') {
            TocWord word{{}, true, i, 0};
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    ++i;
                    int octal = 0;
                    int digits = 0;
                    while (digits < 3 && i < line.size() && line[i] >= '0' && line[i] <= '7')
                        octal = octal * 8 + (line[i++] - '0'), ++digits;
                    if (digits > 0) {
                        word.text += char(octal);
                        --i;
                        continue;
                    }
                }
                word.text += line[i];
            }
            if (i >= line.size())
                return false; // a string must end on its line
            ++i;
            word.end = i;
            words->append(word);
        } else {
            const int start = i;
            while (i < line.size() && !isSpace(line[i]) && line[i] != '"' && line[i] != '{' &&
                   line[i] != '}')
                ++i;
            words->append({line.mid(start, i - start), false, start, i});
        }
    }
    return true;
}

quint32 bigEndian32(const char* p) {
    const auto* b = reinterpret_cast<const uchar*>(p);
    return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
}

quint64 bigEndian64(const char* p) {
    return quint64(bigEndian32(p)) << 32 | bigEndian32(p + 4);
}

int fromBcd(uchar value) {
    const int high = value >> 4;
    const int low = value & 0x0f;
    return high > 9 || low > 9 ? -1 : high * 10 + low;
}

// A chunk's four-letter name, or its bytes in hexadecimal when they are no letters.
QString chunkName(const QByteArray& id) {
    for (char c : id)
        if (c < 0x20 || c > 0x7e)
            return QString::fromLatin1(id.toHex());
    return QString::fromLatin1(id);
}

constexpr int MaxDataFiles = 999;
constexpr int MaxNrgChunks = 256;

// A path for a message: a sheet may name a file with control characters.
QString shown(const QString& path) {
    return cleanUntrustedText(QDir::toNativeSeparators(path), 4096);
}

// A data file of the image: a regular file in its folder or below it, after
// links and ".." are resolved.
QString dataFileProblem(const QString& folder, const QString& canonicalFolder, const QString& name,
                        QString* canonical) {
    const QString path = QDir(folder).absoluteFilePath(name);
    const QString problem = RegularFile::problem(path);
    if (!problem.isEmpty())
        return problem;
    *canonical = QFileInfo(path).canonicalFilePath();
    if (canonicalFolder.isEmpty() || !canonical->startsWith(canonicalFolder + QLatin1Char('/')))
        return QStringLiteral("It names %1, which lies outside the image's folder; an image may "
                              "read only files in its folder or below it.")
            .arg(shown(name));
    return {};
}

// "mm:ss:ff" as frames; -1 when it is no position.
int msfFrames(const QByteArray& text) {
    const QList<QByteArray> parts = text.split(':');
    if (parts.size() != 3)
        return -1;
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (parts[i].isEmpty() || parts[i].size() > (i == 0 ? 3 : 2))
            return -1;
        for (char c : parts[i])
            if (c < '0' || c > '9')
                return -1;
        values[i] = parts[i].toInt();
    }
    if (values[1] >= 60 || values[2] >= CdToc::FramesPerSecond)
        return -1;
    return (values[0] * 60 + values[1]) * CdToc::FramesPerSecond + values[2];
}

// The value after a keyword: a quoted text (to its closing quote) or a word.
QByteArray valueAfter(const QByteArray& line, int end) {
    const QByteArray rest = line.mid(end).trimmed();
    if (rest.startsWith('"')) {
        const int close = rest.indexOf('"', 1);
        return rest.mid(1, close < 0 ? -1 : close - 1);
    }
    int stop = 0;
    return firstWord(rest, &stop);
}

QString sheetText(const QByteArray& value) {
    return cleanUntrustedText(QString::fromUtf8(value));
}

// A track's ISRC, or a note on why it is dropped.
void takeIsrc(ImageSheet& sheet, ImageSheet::Track& track, const QByteArray& value) {
    const QString isrc = QString::fromLatin1(value).toUpper();
    const QString problem = DiscLayout::isrcProblem(isrc);
    if (problem.isEmpty())
        track.isrc = isrc;
    else
        sheet.notes << QStringLiteral("The ISRC of track %1, \"%2\", is dropped: %3.")
                           .arg(track.number)
                           .arg(cleanUntrustedText(QString::fromLatin1(value), 40), problem);
}

void takeCatalog(ImageSheet& sheet, const QByteArray& value) {
    const QString catalog = QString::fromLatin1(value);
    const QString problem = DiscLayout::catalogProblem(catalog);
    if (problem.isEmpty())
        sheet.catalog = catalog;
    else
        sheet.notes << QStringLiteral("The catalog number \"%1\" is dropped: %2.")
                           .arg(cleanUntrustedText(catalog, 40), problem);
}

ImageSheet cueSheet(const QList<QByteArray>& lines) {
    constexpr int MaxTracks = ImageSheet::MaxTracks;
    ImageSheet sheet;
    bool motorola = false;
    // The last INDEX of the sheet in the current file: positions only go on.
    int lastFile = -1;
    int lastFrame = -1;
    // The INDEX 01 of the track before.
    int startFile = -1;
    int startFrame = -1;
    const auto trackWithout01 = [&sheet]() {
        if (sheet.tracks.isEmpty())
            return false;
        for (const ImageSheet::Index& index : sheet.tracks.last().indexes)
            if (index.number == 1)
                return false;
        return true;
    };
    for (const QByteArray& line : lines) {
        int end = 0;
        const QByteArray word = firstWord(line, &end);
        ImageSheet::Track* track = sheet.tracks.isEmpty() ? nullptr : &sheet.tracks.last();
        if (keyword(word, "FILE")) {
            const QByteArray rest = line.mid(end).trimmed();
            QByteArray name;
            QByteArray after;
            if (rest.startsWith('"')) {
                const int close = rest.indexOf('"', 1);
                if (close < 0)
                    return refused(
                        QStringLiteral("A FILE name in the sheet has no closing quote."));
                name = rest.mid(1, close - 1);
                after = rest.mid(close + 1).trimmed();
            } else {
                int nameEnd = 0;
                name = firstWord(rest, &nameEnd);
                after = rest.mid(nameEnd).trimmed();
            }
            if (name.isEmpty())
                return refused(QStringLiteral("A FILE line of the sheet names no file."));
            if (sheet.dataFiles.size() >= MaxTracks)
                return refused(
                    QStringLiteral("The sheet names more than %1 files.").arg(MaxTracks));
            sheet.dataFiles << QFile::decodeName(name);
            const QByteArray type = after.mid(after.lastIndexOf(' ') + 1).toUpper();
            sheet.fileTypes << cleanUntrustedText(QString::fromLatin1(type), 20);
            motorola = type == "MOTOROLA";
        } else if (keyword(word, "TRACK")) {
            if (trackWithout01())
                return refused(QStringLiteral("Track %1 of the sheet has no INDEX 01.")
                                   .arg(sheet.tracks.last().number));
            int numberEnd = 0;
            const QByteArray rest = line.mid(end);
            const QByteArray numberText = firstWord(rest, &numberEnd);
            const int number = isNumber(numberText) ? numberText.toInt() : -1;
            const int previous = sheet.tracks.isEmpty() ? 0 : sheet.tracks.last().number;
            if (number < 1 || number > MaxTracks)
                return refused(QStringLiteral("A TRACK line of the sheet has no number from 1 to "
                                              "%1.")
                                   .arg(MaxTracks));
            if (number <= previous)
                return refused(QStringLiteral("Track %1 follows track %2 in the sheet; tracks "
                                              "must come in order and at most %3 of them.")
                                   .arg(number)
                                   .arg(previous)
                                   .arg(MaxTracks));
            if (sheet.dataFiles.isEmpty())
                return refused(QStringLiteral("Track %1 comes before any FILE line.").arg(number));
            ImageSheet::Track added;
            added.number = number;
            added.bigEndian = motorola;
            int modeEnd = 0;
            added.audio = keyword(firstWord(rest.mid(numberEnd), &modeEnd), "AUDIO");
            sheet.tracks.append(added);
        } else if (keyword(word, "INDEX")) {
            if (!track)
                return refused(QStringLiteral("An INDEX line of the sheet comes before any "
                                              "TRACK."));
            int numberEnd = 0;
            const QByteArray rest = line.mid(end);
            const QByteArray numberText = firstWord(rest, &numberEnd);
            int positionEnd = 0;
            const int frame = msfFrames(firstWord(rest.mid(numberEnd), &positionEnd));
            const int number =
                isNumber(numberText) && numberText.size() <= 2 ? numberText.toInt() : -1;
            if (number < 0 || frame < 0)
                return refused(QStringLiteral("An INDEX line of track %1 has no number from 00 "
                                              "to 99 and position mm:ss:ff.")
                                   .arg(track->number));
            if (!track->indexes.isEmpty() && number <= track->indexes.last().number)
                return refused(QStringLiteral("INDEX %1 of track %2 follows INDEX %3; a "
                                              "track's indexes must come in order.")
                                   .arg(number, 2, 10, QLatin1Char('0'))
                                   .arg(track->number)
                                   .arg(track->indexes.last().number, 2, 10, QLatin1Char('0')));
            if (track->indexes.isEmpty() && number > 1)
                return refused(QStringLiteral("Track %1 starts with INDEX %2, not INDEX 00 or 01.")
                                   .arg(track->number)
                                   .arg(number, 2, 10, QLatin1Char('0')));
            const int file = int(sheet.dataFiles.size()) - 1;
            if (file == lastFile && frame < lastFrame)
                return refused(QStringLiteral("INDEX %1 of track %2 lies before the index ahead "
                                              "of it; the sheet's indexes go backwards.")
                                   .arg(number, 2, 10, QLatin1Char('0'))
                                   .arg(track->number));
            // The track before would have no audio of its own.
            if (track->indexes.isEmpty() && file == startFile && frame <= startFrame)
                return refused(number == 0 ? QStringLiteral("The gap before track %1 is as long "
                                                            "as the track before it.")
                                                 .arg(track->number)
                                           : QStringLiteral("Track %1 starts where the track "
                                                            "before it does.")
                                                 .arg(track->number));
            if (number == 1) {
                startFile = file;
                startFrame = frame;
            }
            lastFile = file;
            lastFrame = frame;
            track->indexes.append({number, file, frame});
        } else if (keyword(word, "PREGAP") || keyword(word, "POSTGAP")) {
            int positionEnd = 0;
            const int frames = msfFrames(firstWord(line.mid(end), &positionEnd));
            if (!track || frames < 0)
                return refused(QStringLiteral("A %1 line of the sheet has no track or no "
                                              "length mm:ss:ff.")
                                   .arg(QString::fromLatin1(word.toUpper())));
            // Silence after a track plays before the next one's INDEX 01 all
            // the same; a disc knows no difference.
            if (keyword(word, "PREGAP"))
                track->silence += frames;
            else
                sheet.notes << QStringLiteral("The POSTGAP of track %1 is read as silence "
                                              "before the next track.")
                                   .arg(track->number);
        } else if (keyword(word, "ISRC")) {
            if (track)
                takeIsrc(sheet, *track, valueAfter(line, end));
        } else if (keyword(word, "CATALOG")) {
            takeCatalog(sheet, valueAfter(line, end));
        } else if (keyword(word, "FLAGS")) {
            if (!track)
                continue;
            QStringList unknown;
            for (const QByteArray& flag : line.mid(end).simplified().split(' ')) {
                if (keyword(flag, "PRE"))
                    track->preEmphasis = true;
                else if (keyword(flag, "DCP"))
                    track->copyPermitted = true;
                else if (keyword(flag, "4CH"))
                    track->fourChannel = true;
                else if (!flag.isEmpty() && !keyword(flag, "SCMS"))
                    unknown << cleanUntrustedText(QString::fromLatin1(flag), 20);
            }
            if (!unknown.isEmpty())
                sheet.notes << QStringLiteral("The FLAGS of track %1 name %2, which no disc "
                                              "knows; dropped.")
                                   .arg(track->number)
                                   .arg(unknown.join(QLatin1Char(' ')));
        } else if (keyword(word, "TITLE") || keyword(word, "PERFORMER")) {
            const bool title = keyword(word, "TITLE");
            const QString text = sheetText(valueAfter(line, end));
            if (track)
                (title ? track->title : track->performer) = text;
            else
                (title ? sheet.title : sheet.performer) = text;
        }
    }
    if (sheet.tracks.isEmpty())
        return refused(QStringLiteral("The sheet has no TRACK line."));
    if (trackWithout01())
        return refused(QStringLiteral("Track %1 of the sheet has no INDEX 01.")
                           .arg(sheet.tracks.last().number));
    return sheet;
}

// A .toc length: "mm:ss:ff" or a count of samples; -1 when it is neither.
int tocFrames(const TocWord& word) {
    if (word.quoted)
        return -1;
    if (word.text.contains(':'))
        return msfFrames(word.text);
    if (word.text.isEmpty() || word.text.size() > 10)
        return -1;
    for (char c : word.text)
        if (c < '0' || c > '9')
            return -1;
    const qint64 samples = word.text.toLongLong();
    return samples % 588 == 0 && samples / 588 < (1 << 24) ? int(samples / 588) : -1;
}

ImageSheet tocSheet(const QList<QByteArray>& lines, QVector<NamePlace>* places) {
    constexpr int MaxTracks = ImageSheet::MaxTracks;
    ImageSheet sheet;
    int depth = 0;
    bool wantName = false;
    bool wantMode = false;
    bool negate = false; // a NO before a flag
    // The frames of the current track's data so far; -1 once a file of
    // unknown length has come.
    int trackFrames = 0;
    bool started = false; // START or PREGAP placed the track's INDEX 01
    int number = 0;
    const auto refuseAt = [&number](const QString& why) {
        return refused(QStringLiteral("Line %1 of the sheet %2").arg(number).arg(why));
    };
    for (const QByteArray& line : lines) {
        ++number;
        QVector<TocWord> words;
        if (!tocWords(line, &words))
            return refused(QStringLiteral("Line %1 of the sheet has a string without its closing "
                                          "quote.")
                               .arg(number));
        for (int w = 0; w < words.size(); ++w) {
            const TocWord& word = words[w];
            const TocWord* next = w + 1 < words.size() ? &words[w + 1] : nullptr;
            ImageSheet::Track* track = sheet.tracks.isEmpty() ? nullptr : &sheet.tracks.last();
            if (wantMode) {
                // libcdio divides by the block size of the mode: a TRACK
                // without one ends in a division by zero.
                static const QByteArrayList modes{"AUDIO",       "MODE0",          "MODE1",
                                                  "MODE1_RAW",   "MODE2",          "MODE2_FORM1",
                                                  "MODE2_FORM2", "MODE2_FORM_MIX", "MODE2_RAW"};
                if (word.quoted || !modes.contains(word.text))
                    return refused(QStringLiteral("Line %1 of the sheet has a TRACK without its "
                                                  "mode.")
                                       .arg(number));
                track->audio = word.text == "AUDIO";
                wantMode = false;
                continue;
            }
            if (wantName) {
                if (!word.quoted || word.text.isEmpty())
                    return refused(QStringLiteral("Line %1 of the sheet names its file without "
                                                  "quotes.")
                                       .arg(number));
                if (sheet.dataFiles.size() >= MaxDataFiles)
                    return refused(
                        QStringLiteral("The sheet names more than %1 files.").arg(MaxDataFiles));
                sheet.dataFiles << QFile::decodeName(word.text);
                if (places)
                    places->append({number - 1, word.begin, word.end});
                wantName = false;
                // The start in the file, then the length; without a length
                // the rest of the file, which the sheet alone cannot tell.
                const int length = w + 2 < words.size() ? tocFrames(words[w + 2]) : -1;
                trackFrames = trackFrames < 0 || length < 0 ? -1 : trackFrames + length;
                continue;
            }
            if (word.quoted)
                continue;
            const bool no = negate;
            negate = false;
            if (word.text == "{") {
                ++depth;
            } else if (word.text == "}") {
                if (--depth < 0)
                    return refused(QStringLiteral("Line %1 of the sheet closes a brace it never "
                                                  "opened.")
                                       .arg(number));
            } else if (keyword(word.text, "TRACK")) {
                if (sheet.tracks.size() >= MaxTracks)
                    return refused(
                        QStringLiteral("The sheet has more than %1 tracks.").arg(MaxTracks));
                ImageSheet::Track added;
                added.number = int(sheet.tracks.size()) + 1;
                added.indexes.append({1, -1, 0});
                sheet.tracks.append(added);
                wantMode = true;
                trackFrames = 0;
                started = false;
            } else if (keyword(word.text, "FILE") || keyword(word.text, "AUDIOFILE") ||
                       keyword(word.text, "DATAFILE")) {
                if (sheet.tracks.isEmpty())
                    return refused(QStringLiteral("Line %1 of the sheet names a file before any "
                                                  "TRACK.")
                                       .arg(number));
                wantName = true;
            } else if (depth > 0) {
                continue; // CD-TEXT blocks hold words of their own
            } else if (keyword(word.text, "NO")) {
                negate = true;
            } else if (keyword(word.text, "CATALOG") || keyword(word.text, "ISRC")) {
                if (!next || !next->quoted)
                    return refuseAt(QStringLiteral("gives %1 without its quoted value.")
                                        .arg(QString::fromLatin1(word.text)));
                if (keyword(word.text, "CATALOG"))
                    takeCatalog(sheet, next->text);
                else if (track)
                    takeIsrc(sheet, *track, next->text);
                ++w;
            } else if (!track) {
                continue;
            } else if (keyword(word.text, "PRE_EMPHASIS")) {
                track->preEmphasis = !no;
            } else if (keyword(word.text, "COPY")) {
                track->copyPermitted = !no;
            } else if (keyword(word.text, "FOUR_CHANNEL_AUDIO")) {
                track->fourChannel = true;
            } else if (keyword(word.text, "TWO_CHANNEL_AUDIO")) {
                track->fourChannel = false;
            } else if (keyword(word.text, "SILENCE") || keyword(word.text, "ZERO")) {
                const int length = next ? tocFrames(*next) : -1;
                trackFrames = trackFrames < 0 || length < 0 ? -1 : trackFrames + length;
                w += next && !next->quoted && !next->text.startsWith('{') ? 1 : 0;
            } else if (keyword(word.text, "PREGAP") || keyword(word.text, "START")) {
                const bool pregap = keyword(word.text, "PREGAP");
                const int given = next ? tocFrames(*next) : -1;
                if (given >= 0)
                    ++w;
                if (pregap && given < 0)
                    return refuseAt(QStringLiteral("has a PREGAP without its length."));
                if (started || track->indexes.size() > 1)
                    return refuseAt(QStringLiteral("places track %1's start a second time, or "
                                                   "after an INDEX.")
                                        .arg(track->number));
                // PREGAP is silence ahead of the track's data, which no file
                // holds; START marks where in the data so far the track begins.
                const int gap = pregap ? given : given >= 0 ? given : trackFrames;
                if (gap < 0)
                    return refuseAt(QStringLiteral("has a START after a file of unknown length."));
                if (!pregap && trackFrames >= 0 && gap > trackFrames)
                    return refuseAt(
                        QStringLiteral("starts track %1 past its data.").arg(track->number));
                if (pregap)
                    track->silence = gap;
                else if (gap > 0)
                    track->indexes.prepend({0, -1, -gap});
                started = true;
            } else if (keyword(word.text, "INDEX")) {
                const int at = next ? tocFrames(*next) : -1;
                if (at < 0)
                    return refuseAt(QStringLiteral("has an INDEX without its position."));
                ++w;
                if (at <= track->indexes.last().frame)
                    return refuseAt(QStringLiteral("has an INDEX of track %1 at or before the "
                                                   "one ahead of it; indexes go forward.")
                                        .arg(track->number));
                if (track->indexes.last().number >= 99)
                    return refuseAt(
                        QStringLiteral("gives track %1 more than 99 indexes.").arg(track->number));
                track->indexes.append({track->indexes.last().number + 1, -1, at});
            }
        }
        if (wantName)
            return refused(
                QStringLiteral("Line %1 of the sheet names its file without quotes.").arg(number));
        if (wantMode)
            return refused(
                QStringLiteral("Line %1 of the sheet has a TRACK without its mode.").arg(number));
    }
    if (depth != 0)
        return refused(QStringLiteral("A brace of the sheet is never closed."));
    if (sheet.tracks.isEmpty())
        return refused(QStringLiteral("The sheet has no TRACK."));
    return sheet;
}

} // namespace

ImageSheet ImageSheet::parseCue(const QByteArray& text) {
    QList<QByteArray> lines;
    QString error;
    return sheetLines(text, &lines, &error) ? cueSheet(lines) : refused(error);
}

ImageSheet ImageSheet::parseToc(const QByteArray& text) {
    QList<QByteArray> lines;
    QString error;
    return sheetLines(text, &lines, &error) ? tocSheet(lines, nullptr) : refused(error);
}

ImageSheet ImageSheet::parseNrg(const QByteArray& tail, qint64 fileSize) {
    const char* data = tail.constData();
    const qint64 tailStart = fileSize - tail.size();
    // The footer names where the chunk table starts: "NER5" and a 64-bit
    // offset (Nero 5.5 and later), or "NERO" and a 32-bit one.
    qint64 table = -1;
    qint64 tableEnd = 0;
    if (tail.size() >= 12 && tail.mid(tail.size() - 12, 4) == "NER5") {
        const quint64 offset = bigEndian64(data + tail.size() - 8);
        table = offset > quint64(fileSize) ? -1 : qint64(offset);
        tableEnd = fileSize - 12;
    } else if (tail.size() >= 8 && tail.mid(tail.size() - 8, 4) == "NERO") {
        table = bigEndian32(data + tail.size() - 4);
        tableEnd = fileSize - 8;
    } else {
        return refused(QStringLiteral("The file does not end in a Nero image footer."));
    }
    if (table < 0 || table >= tableEnd)
        return refused(QStringLiteral("The image's chunk table lies outside the file."));
    if (table < tailStart || fileSize - table > MaxNrgTableBytes)
        return refused(QStringLiteral("The image's chunk table is larger than %1 bytes.")
                           .arg(MaxNrgTableBytes));

    // Every count of tracks that the chunks give is bounded on its own; track
    // data must lie before the table.
    int cueTracks = 0;
    int cueChunks = 0;
    int cdTextChunks = 0;
    int daoTracks = 0;
    int etnTracks = 0;
    int sessionTracks = 0;
    struct NrgTrack {
        int control = 0;
        qint32 index0 = 0;
        qint32 index1 = 0;
        QByteArray isrc;
    };
    QHash<int, NrgTrack> nrgTracks;
    QByteArray nrgCatalog;
    qint64 pos = table;
    for (int chunks = 0;; ++chunks) {
        if (chunks >= MaxNrgChunks)
            return refused(QStringLiteral("The image has more than %1 chunks.").arg(MaxNrgChunks));
        if (tableEnd - pos < 8)
            return refused(QStringLiteral("The image's chunk table has no end."));
        const char* chunk = data + (pos - tailStart);
        const QByteArray id(chunk, 4);
        const qint64 size = bigEndian32(chunk + 4);
        const char* body = chunk + 8;
        if (size > tableEnd - pos - 8)
            return refused(QStringLiteral("The image's %1 chunk runs past the end of the file.")
                               .arg(chunkName(id)));
        const auto badChunk = [&id] {
            return refused(QStringLiteral("The image's %1 chunk is malformed.").arg(chunkName(id)));
        };
        if (id == "END!") {
            break;
        } else if (id == "CUES" || id == "CUEX") {
            // libcdio maps the disc from one cue chunk and stops on an
            // assertion at a second.
            if (cueChunks++ > 0)
                return refused(
                    QStringLiteral("The image has more than one %1 chunk.").arg(chunkName(id)));
            // Eight bytes an entry: address mode, track and index in BCD, and
            // a position. libcdio reads them as one lead-in entry (track 0),
            // an index 0 and index 1 pair for each track, and the lead-out
            // (track 0xAA); it stops on an assertion at anything else, and at
            // a CUEX lead-in anywhere but 150 frames before the disc.
            const qint64 entries = size / 8;
            if (size % 8 != 0 || entries < 4 || entries % 2 != 0 || body[1] != 0 ||
                uchar(body[size - 7]) != 0xaa ||
                (id == "CUEX" && bigEndian32(body + 4) != quint32(-150)))
                return badChunk();
            int previous = 0;
            for (qint64 e = 8; e < size - 8; e += 16) {
                const int track = fromBcd(uchar(body[e + 1]));
                if (track <= previous || track > MaxTracks || body[e + 9] != body[e + 1] ||
                    body[e + 2] != 0 || body[e + 10] != 1)
                    return badChunk();
                previous = track;
                ++cueTracks;
                // The Q sub-channel's control bits, and INDEX 00 and 01.
                NrgTrack& info = nrgTracks[track];
                info.control = uchar(body[e + 8]) >> 4;
                info.index0 = qint32(bigEndian32(body + e + 4));
                info.index1 = qint32(bigEndian32(body + e + 12));
            }
        } else if (id == "DAOI" || id == "DAOX") {
            // A 22-byte head (size, catalogue number, first and last track),
            // then one entry a track whose offsets are 32 or 64 bits.
            const bool wide = id == "DAOX";
            const int entry = wide ? 42 : 30;
            if (size < 22 || (size - 22) / entry > MaxTracks)
                return badChunk();
            const int first = uchar(body[20]);
            const int last = uchar(body[21]);
            const int count = last - first + 1;
            if (first < 1 || last > MaxTracks || count < 1 || 22 + qint64(count) * entry > size)
                return badChunk();
            const QByteArray mcn = QByteArray(body + 4, 14).left(13);
            if (mcn != QByteArray(13, '\0'))
                nrgCatalog = mcn;
            for (int t = 0; t < count; ++t) {
                const char* e = body + 22 + t * entry;
                const QByteArray isrc(e, 12);
                if (isrc != QByteArray(12, '\0'))
                    nrgTracks[first + t].isrc = isrc;
                // Pregap start, track start and track end.
                for (int k = 0; k < 3; ++k) {
                    const quint64 offset =
                        wide ? bigEndian64(e + 18 + 8 * k) : bigEndian32(e + 18 + 4 * k);
                    if (offset > quint64(table))
                        return badChunk();
                }
            }
            daoTracks += count;
        } else if (id == "ETNF" || id == "ETN2") {
            // One entry a track: where its data lies in the file and how long it is.
            const bool wide = id == "ETN2";
            const int entry = wide ? 32 : 20;
            if (size % entry != 0 || size / entry > MaxTracks)
                return badChunk();
            for (qint64 e = 0; e < size; e += entry) {
                const quint64 offset = wide ? bigEndian64(body + e) : bigEndian32(body + e);
                const quint64 length = wide ? bigEndian64(body + e + 8) : bigEndian32(body + e + 4);
                if (offset > quint64(table) || length > quint64(table) - offset)
                    return badChunk();
            }
            etnTracks += int(size / entry);
        } else if (id == "SINF") {
            if (size != 4)
                return badChunk();
            const quint32 tracks = bigEndian32(body);
            if (tracks > quint32(MaxTracks))
                return badChunk();
            sessionTracks += int(tracks);
        } else if (id == "CDTX") {
            // CD-TEXT in 18-byte packs; libcdio frees an empty one twice, and
            // reads text from one chunk only.
            if (size == 0 || size % 18 != 0 || cdTextChunks++ > 0)
                return badChunk();
        } else if (id == "MTYP") {
            if (size != 4)
                return badChunk();
        }
        if (cueTracks > MaxTracks || daoTracks > MaxTracks || etnTracks > MaxTracks ||
            sessionTracks > MaxTracks)
            return refused(QStringLiteral("The image has more than %1 tracks.").arg(MaxTracks));
        pos += 8 + size;
    }
    const int tracks = qMax(qMax(cueTracks, daoTracks), qMax(etnTracks, sessionTracks));
    if (tracks == 0)
        return refused(QStringLiteral("The image has no tracks."));
    ImageSheet sheet;
    for (int t = 1; t <= tracks; ++t) {
        Track track;
        track.number = t;
        track.indexes.append({1, -1, 0});
        const auto found = nrgTracks.constFind(t);
        if (found != nrgTracks.constEnd()) {
            track.audio = !(found->control & 0x4);
            track.preEmphasis = found->control & 0x1;
            track.copyPermitted = found->control & 0x2;
            track.fourChannel = found->control & 0x8;
            // Track 1's INDEX 00 before the disc's start is the lead-in, no gap.
            const qint64 gap =
                qint64(found->index1) - (t == 1 ? qMax(0, found->index0) : found->index0);
            if (gap > 0 && gap <= found->index1 + 150)
                track.indexes.prepend({0, -1, -int(gap)});
            if (!found->isrc.isEmpty())
                takeIsrc(sheet, track, found->isrc);
        }
        sheet.tracks.append(track);
    }
    if (!nrgCatalog.isEmpty())
        takeCatalog(sheet, nrgCatalog);
    return sheet;
}

ImageSheet ImageSheet::check(const QString& imagePath) {
    const QFileInfo info(imagePath);
    const QString suffix = info.suffix().toLower();
    const auto named = [&imagePath](ImageSheet sheet) {
        if (!sheet.ok())
            sheet.error = QStringLiteral("The disc image %1 is refused: %2")
                              .arg(shown(imagePath), sheet.error);
        return sheet;
    };
    if (suffix == QLatin1String("nrg")) {
        const RegularFile::Contents tail = RegularFile::readTail(imagePath, MaxNrgTableBytes);
        return named(tail.ok() ? parseNrg(tail.bytes, tail.size) : refused(tail.error));
    }
    const bool cue = suffix == QLatin1String("cue");
    if (!cue && suffix != QLatin1String("toc"))
        return named(refused(QStringLiteral("It is neither a .cue, a .toc nor an .nrg file.")));
    const RegularFile::Contents text = RegularFile::read(imagePath, MaxSheetBytes);
    if (!text.ok())
        return named(refused(text.error));
    QList<QByteArray> lines;
    QString error;
    if (!sheetLines(text.bytes, &lines, &error))
        return named(refused(error));
    QVector<NamePlace> places;
    ImageSheet sheet = cue ? cueSheet(lines) : tocSheet(lines, &places);
    if (!sheet.ok())
        return named(sheet);

    const QString folder = info.absolutePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    QStringList files = sheet.dataFiles;
    if (cue && !sheet.ownReader()) {
        // libcdio reads the .bin named like the sheet, whatever FILE says; the
        // files FILE names are checked too when they exist.
        files.erase(std::remove_if(files.begin(), files.end(),
                                   [&folder](const QString& name) {
                                       return !QFileInfo::exists(
                                           QDir(folder).absoluteFilePath(name));
                                   }),
                    files.end());
        files.prepend(info.fileName().chopped(suffix.size()) + QLatin1String("bin"));
    }
    QStringList canonical;
    for (const QString& name : std::as_const(files)) {
        QString path;
        const QString problem = dataFileProblem(folder, canonicalFolder, name, &path);
        if (!problem.isEmpty())
            return named(refused(problem));
        canonical << path;
    }
    if (cue)
        return sheet;

    // libcdio opens a .toc's files relative to the working folder, not the
    // sheet's. It gets a copy of the sheet that names each file by the path
    // checked here, in the lines checked here.
    for (int i = int(places.size()) - 1; i >= 0; --i) {
        const QByteArray path = QFile::encodeName(canonical[i]);
        for (char c : path)
            if (c == '"' || c == '\\' || uchar(c) < 0x20)
                return named(refused(QStringLiteral("The path of %1 holds a quote, a backslash or "
                                                    "a control character.")
                                         .arg(shown(canonical[i]))));
        QByteArray& line = lines[places[i].line];
        line.replace(places[i].begin, places[i].end - places[i].begin, '"' + path + '"');
        if (line.size() > MaxLineBytes)
            return named(refused(QStringLiteral("The path of %1 is too long for the sheet.")
                                     .arg(shown(canonical[i]))));
    }
    sheet.libraryToc = lines.join('\n') + '\n';
    return sheet;
}

DiscLayout ImageSheet::layoutOver(const DiscLayout& toc, const QVector<int>& fileFrames,
                                  QString* why) const {
    if (toc.tracks.size() != tracks.size()) {
        *why = QStringLiteral("The sheet has %1 tracks, the disc read from it %2.")
                   .arg(tracks.size())
                   .arg(toc.tracks.size());
        return {};
    }
    // Where an index of a cue sheet stands among all its files, when their
    // lengths are known.
    const auto across = [&fileFrames](const Index& index) -> qint64 {
        if (index.file < 0 || index.file > fileFrames.size())
            return -1;
        qint64 at = index.frame;
        for (int f = 0; f < index.file; ++f)
            at += fileFrames[f];
        return at;
    };
    DiscLayout layout = toc;
    layout.catalog = catalog;
    layout.notes = notes;
    for (int i = 0; i < tracks.size(); ++i) {
        const Track& track = tracks[i];
        LayoutTrack& out = layout.tracks[i];
        out.isrc = track.isrc;
        out.preEmphasis = track.preEmphasis;
        out.copyPermitted = track.copyPermitted;
        out.fourChannel = track.fourChannel;
        out.indexes.clear();
        out.pregap = track.silence;
        const auto start = std::find_if(track.indexes.begin(), track.indexes.end(),
                                        [](const Index& index) { return index.number == 1; });
        if (start == track.indexes.end())
            continue;
        for (const Index& index : track.indexes) {
            qint64 from = index.frame; // frames after INDEX 01
            if (index.file >= 0 && index.file == start->file) {
                from = index.frame - start->frame;
            } else if (index.file >= 0) {
                const qint64 a = across(index);
                const qint64 b = across(*start);
                if (a < 0 || b < 0) {
                    *why = QStringLiteral("The indexes of track %1 lie in two files of "
                                          "unknown length.")
                               .arg(track.number);
                    return {};
                }
                from = a - b;
            }
            if (index.number == 0)
                out.pregap += int(qBound(qint64(0), -from, qint64(1) << 24));
            else if (index.number > 1)
                out.indexes << int(qBound(qint64(0), from, qint64(1) << 24));
        }
        if (i == 0 && out.pregap > out.start) {
            *why = QStringLiteral("The sheet's gap before track 1 is longer than the audio "
                                  "before it.");
            return {};
        }
        // Whatever lies before track 1's INDEX 01 is its gap, as on a pressed disc.
        if (i == 0)
            out.pregap = out.start;
        if (i > 0 && out.pregap >= out.start - layout.tracks[i - 1].start) {
            *why = QStringLiteral("The gap before track %1 is as long as the track before it "
                                  "or longer.")
                       .arg(track.number);
            return {};
        }
        const int end = i + 1 < toc.tracks.size() ? toc.tracks[i + 1].start : toc.leadout;
        for (int index : std::as_const(out.indexes))
            if (index <= 0 || out.start + index >= end) {
                *why = QStringLiteral("An index of track %1 lies outside the track.")
                           .arg(track.number);
                return {};
            }
    }
    return layout;
}
