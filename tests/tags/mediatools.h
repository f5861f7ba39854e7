#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A test with a folder of its own for the files it makes.
class TagFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

// Seven tag values with characters from several scripts, for every format.
template <typename Tag> Tag sampleTag() {
    Tag tag;
    tag.title = QStringLiteral("Título");
    tag.artist = QStringLiteral("Артист");
    tag.album = QStringLiteral("Album 日本");
    tag.year = QStringLiteral("1999");
    tag.comment = QStringLiteral("a comment");
    tag.genre = QStringLiteral("Rock");
    return tag;
}
// The sample as an outside reader lists it: title to genre joined by '|', track 7.
inline QString sampleFields() {
    return QStringLiteral("Título|Артист|Album 日本|1999|7|a comment|Rock");
}

// Outside programs that make test media and check what the tag units wrote.
namespace MediaTools {

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result run(const QString& program, const QStringList& arguments);

// One second of a tone, made by ffmpeg: "mp3" (no tag of its own), "ogg"
// (Vorbis), "wma" (WMA v2), "opus" (Ogg Opus), "oga" (FLAC in Ogg), "wav".
// extraArguments go before the output name (for instance -metadata).
QString makeMedia(const QString& path, const QString& kind, const QStringList& extraArguments = {});

// The decoded sound of a file, as 16-bit PCM.
QByteArray decodedPcm(const QString& path);

// The tags that ffprobe sees (format and stream tags, names lower-cased).
QMap<QString, QString> ffprobeTags(const QString& path);

// Runs a Python script with mutagen; the file name is sys.argv[1]. Returns its output.
Result mutagen(const QString& script, const QString& path);

// Title, artist, album, year, track, comment and genre as TagLib reads them,
// joined by '|'.
QString tagLibFields(const QString& path);

// A file's permission bits.
unsigned Mode(const QString& path);
void setMode(const QString& path, unsigned mode);

// The offset of the n-th Ogg page (counted from 0), or -1.
int oggPageOffset(const QByteArray& bytes, int n);

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

} // namespace MediaTools
