#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Test media: generated PCM, files made by the FFmpeg command-line tool, and
// what ffprobe and ffmpeg make of the files Orvelle writes.
namespace MediaTools {

// Interleaved 16-bit PCM: a sine of `hz` at half scale in every channel.
QByteArray tone(int sampleRate, int channels, double seconds, double hz);
// Interleaved 16-bit PCM of pseudo-random samples over the full range; the
// same pattern number gives the same samples.
QByteArray noise(int frames, int channels, unsigned pattern = 1);

// Runs "ffmpeg -y -loglevel error <arguments>"; false when it fails.
bool ffmpeg(const QStringList& arguments);
// The file decoded by ffmpeg to 16-bit PCM (at the file's own rate and channels
// unless given), or to another raw format ("s32le", "f32le").
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

} // namespace MediaTools
