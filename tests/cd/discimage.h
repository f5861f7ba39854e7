#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Writes a BIN/CUE disc image as cdrdao and CD burning programs make them:
// one .bin with every sector, a .cue beside it with inline CD-TEXT. Each audio
// frame holds a tone plus its own frame number, so that a frame read from the
// wrong place never matches.
class DiscImage {
public:
    // What the audio frames hold. Marked is the default above; the others
    // are what a library could misjudge: byte order guessed from noise or
    // near-silence, a steady period taken for drive jitter.
    enum class Content { Marked, Noise, Tone, SilenceWithClick, Square, Constant, MusicLike };

    struct Track {
        int frames = 0;
        int pregap = 0; // INDEX 00 frames before the track starts
        bool data = false;
        QString title;
        QString performer;
        QString isrc = {};
        bool preEmphasis = false;
        QVector<int> indexes = {}; // INDEX 02, ... in frames after INDEX 01
    };

    QString album;
    QString artist;
    QString catalog;
    QVector<Track> tracks;
    Content content = Content::Marked;
    int pattern = 1;        // of the noise
    bool motorola = false;  // the .bin holds big-endian samples, as the sheet says
    int leadingSilence = 0; // the disc's first frames are digital silence

    // Writes <folder>/<name>.bin and .cue; returns the .cue path.
    QString write(const QString& folder, const QString& name) const;
    // Puts this disc in place of image <name> in one step, as a poller must
    // see a swap: a new sheet is renamed over <name>.cue. libcdio takes the
    // .bin beside the sheet, so the two discs must hold the same frames (the
    // same length of audio, split into other tracks). Returns the .cue path,
    // or nothing when the frames differ.
    QString swapInto(const QString& folder, const QString& name) const;

    // The bytes of track i (0-based) as a table of contents sees the track:
    // from its INDEX 01 to the next track's INDEX 01.
    QByteArray trackBytes(int track) const;
    // The track's start in frames from the start of the disc.
    int trackStart(int track) const;
    int totalFrames() const;

    static QByteArray audioFrame(int absoluteFrame);
    // One frame of the chosen content, little-endian.
    QByteArray frame(int absoluteFrame) const;
    static QByteArray dataFrame(int sector);

private:
    QByteArray bin() const;
};

// A minimal WAV file's PCM, or an empty array when path holds no RIFF/WAVE.
QByteArray wavData(const QString& path);
