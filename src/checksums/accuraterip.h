#pragma once

#include <atomic>
#include <QByteArray>
#include <QString>
#include <QVector>

// One track of a disc's table of contents, as AccurateRip needs it.
struct ArTocTrack {
    int start = 0; // LSN, first frame, lead-in (150) NOT counted
    bool audio = true;
};

// The disc's identity in the AccurateRip database.
struct AccurateRipId {
    // A disc entry keeps its track count in one byte, and a CD holds at most 99 tracks.
    static constexpr int MaxTracks = 99;

    int audioTracks = 0;
    quint32 id1 = 0;
    quint32 id2 = 0;
    quint32 freedb = 0;

    bool isValid() const { return audioTracks > 0; }
    // "010-0012abcd-00a1b2c3-8a0b1c0a": audio tracks, id1, id2 and the FreeDB ID.
    QString text() const;
    // "d/c/b/dBAR-010-0012abcd-00a1b2c3-8a0b1c0a.bin", below the server's "/accuraterip/".
    QString relativePath() const;
    // "dBAR-010-0012abcd-00a1b2c3-8a0b1c0a.bin", the last part of relativePath().
    QString fileName() const;
    // tracks: every track of the disc in order, data tracks included; leadout:
    // the disc's lead-out. Only the audio tracks count, against the disc's own
    // lead-out, so an enhanced CD (data track last) and a mixed-mode CD (data
    // track first) need nothing special. A table that cannot be a disc's
    // (no audio track, more than 99 tracks, starts out of order or past the
    // lead-out) gives an invalid ID.
    static AccurateRipId fromToc(const QVector<ArTocTrack>& tracks, int leadout);

    bool operator==(const AccurateRipId& other) const {
        return audioTracks == other.audioTracks && id1 == other.id1 && id2 == other.id2 &&
               freedb == other.freedb;
    }
    bool operator!=(const AccurateRipId& other) const { return !(*this == other); }
};

// Checksums of one track, computed as its PCM passes, with no second read.
class ArTrackChecksum {
public:
    static constexpr int SamplesPerFrame = 588;
    static constexpr int BytesPerSample = 4;
    // The frame whose checksum the database keeps for finding a drive's offset.
    static constexpr int CheckFrame = 450;
    // Offsets findOffsets() tries, in samples either way.
    static constexpr int MaxOffset = 3000;
    // The frames that hold frame 450 under every offset up to MaxOffset,
    // which findOffsets() takes.
    static constexpr int OffsetWindowFirstFrame = 444;
    static constexpr int OffsetWindowFrames = 13;

    // totalSamples: the track's length in stereo samples (frames * 588).
    ArTrackChecksum(qint64 totalSamples, bool firstTrack, bool lastTrack);

    // 16-bit little-endian stereo PCM in any split (a call may even end mid-sample).
    void add(const char* pcm, qsizetype bytes);

    quint32 crc32() const { return ~m_crc; } // zlib's CRC-32 of all PCM bytes added
    quint32 v1() const { return quint32(m_productSum); }
    quint32 v2() const { return quint32(m_productSum + m_productHighSum); }
    // The checksum of frame 450 alone; 0 when the track is shorter than 451 frames.
    quint32 frame450() const;
    qint64 samples() const { return m_samples; } // whole samples added so far
    // Exactly the announced length arrived: without it the sums mean nothing.
    bool isComplete() const { return m_samples == m_total && m_partialBytes == 0; }

private:
    void addSamples(const uchar* pcm, qint64 count);

    qint64 m_total;
    qint64 m_firstCounted; // 1-based positions that enter v1 and v2
    qint64 m_lastCounted;
    qint64 m_samples = 0;
    quint64 m_productSum = 0;     // its low half is v1
    quint64 m_productHighSum = 0; // the high halves that v2 adds
    quint32 m_frame450 = 0;
    quint32 m_crc = 0xffffffffu;
    uchar m_partial[BytesPerSample] = {};
    int m_partialBytes = 0;
};

struct ArTrackEntry {
    quint8 confidence = 0;
    quint32 crc = 0;
    quint32 frame450 = 0;
};
struct ArChunk {
    int trackCount = 0;
    quint32 id1 = 0, id2 = 0, freedb = 0;
    QVector<ArTrackEntry> tracks;
};

// Parses a dBAR file. Empty result and *error set (a clear English sentence) when it is
// truncated, garbled, or belongs to another disc than id.
QVector<ArChunk> parseDbar(const QByteArray& data, const AccurateRipId& id, QString* error);

struct ArVerdict {
    enum Status { Unknown, Accurate, Mismatch, NotInDatabase, LookupFailed };
    Status status = Unknown;
    int confidence = 0; // for Accurate: the highest confidence among chunks that match
    bool v2 = false;    // matched through the v2 checksum
    QString reason;     // for LookupFailed: why
    // "accurate (confidence 12)", "mismatch", "not in the database", "not verified: <why>"
    QString text() const;
    static ArVerdict lookupFailed(const QString& why);
};

// track: 0-based index among the audio tracks. Entries that no rip vouches
// for (confidence 0) match nothing.
ArVerdict verifyTrack(const QVector<ArChunk>& chunks, int track, quint32 v1, quint32 v2);

// The offsets, in samples (-MaxOffset..+MaxOffset), at which the database's
// frame-450 checksum of the track (0-based among the audio tracks) appears in
// pcm: the track's 16-bit stereo PCM as read, from its 0-based sample
// firstSample on. The frames from OffsetWindowFirstFrame on, OffsetWindowFrames
// of them, cover every offset; a shorter buffer, those it
// holds. An offset d means the database's frame 450 is the read's samples
// 450 * 588 + d onwards: the database's track is the read with its first d
// samples dropped (a read that had already dropped c for its drive wants c + d).
// Entries of 0 (a silent frame) tell nothing and are left out. Ascending;
// more than one when the audio repeats itself (a constant value), so only a
// single match is an answer. Once stop is set, it ends early with what it found.
QVector<int> findOffsets(const QVector<ArChunk>& chunks, int track, const QByteArray& pcm,
                         qint64 firstSample, const std::atomic<bool>* stop = nullptr);
