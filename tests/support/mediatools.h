#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Test media: generated PCM, files made by the FFmpeg command-line tool, and
// what ffprobe, ffmpeg, TagLib and mutagen make of the files Orvelle writes.
namespace MediaTools {

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a program to its end (a failure of the test when it cannot start).
Result run(const QString& program, const QStringList& arguments);

// Interleaved 16-bit PCM: a sine of `hz` at half scale in every channel.
QByteArray tone(int sampleRate, int channels, double seconds, double hz);
// Interleaved 16-bit PCM of pseudo-random samples over the full range; the
// same pattern number gives the same samples.
QByteArray noise(int frames, int channels, unsigned pattern = 1);

// Runs "ffmpeg -y -loglevel error <arguments>"; false when it fails.
bool ffmpeg(const QStringList& arguments);
// The file decoded by ffmpeg to 16-bit PCM (at the file's own rate and channels
// unless given), or to another raw format ("s32le", "f32le"); a file that
// ffmpeg cannot decode fails the test.
QByteArray decode(const QString& path, int sampleRate = 0, int channels = 0,
                  const QString& rawFormat = QStringLiteral("s16le"));

struct Probe {
    bool ok = false;
    QString format;
    QString codec;
    int sampleRate = 0;
    int channels = 0;
    double duration = 0; // seconds, of the stream, else of the container
    qint64 bitRate = 0;  // of the stream, else of the container
    QString channelLayout;
    int bits = 0; // the stream's own sample depth, where it has one
};
Probe probe(const QString& path);

// The frequency with the most energy in the first channel, 50 Hz to half the
// rate (at most 8 kHz), to about 1 Hz.
double dominantFrequency(const QByteArray& pcm, int sampleRate, int channels);

// One second of a tone, made by ffmpeg: "mp3" (no tag of its own), "ogg"
// (Vorbis), "wma" (WMA v2), "opus" (Ogg Opus), "oga" (FLAC in Ogg), "wav".
// extraArguments go before the output name (for instance -metadata).
QString makeMedia(const QString& path, const QString& kind, const QStringList& extraArguments = {});

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
