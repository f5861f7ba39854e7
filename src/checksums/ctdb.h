#pragma once

#include "checksums/disclayout.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The disc as the CUETools database (CTDB) sums it: the audio from the first
// audio track's INDEX 01 to the end of the last audio track, a gap counted
// at the end of the track before it. Positions count stereo samples from
// that start. The sums leave out ten frames at the start and ten to nineteen
// at the end, so that what they cover is a whole number of strides of ten
// frames; a whole-disc sum matches another pressing of the disc within one
// stride either way.
class CtdbDisc {
public:
    static constexpr qint64 SamplesPerFrame = 588;
    static constexpr qint64 StrideSamples = 10 * SamplesPerFrame;
    static constexpr int MaxPressingOffset = int(StrideSamples);
    static constexpr int BytesPerSample = 4;

    // Invalid (no tracks) for a layout without audio, or one too short to sum.
    static CtdbDisc fromLayout(const DiscLayout& layout);
    // The disc a table of contents in the database's form describes
    // (ctdbToc()); invalid when the text is none.
    static CtdbDisc fromToc(const QString& toc);
    // The table of contents as the database is asked with it: the start of
    // each track in frames, a data track's with a leading "-", then the
    // lead-out, all joined by ":".
    static QString tocText(const DiscLayout& layout);

    bool isValid() const { return !m_starts.isEmpty(); }
    int trackCount() const { return int(m_starts.size()); }
    qint64 samples() const { return m_samples; }
    qint64 trackStart(int track) const { return m_starts.value(track); }
    qint64 trackEnd(int track) const;
    // The stretch the whole-disc sum covers, and the part of it in a track:
    // what the track's sum covers.
    qint64 coveredStart() const { return StrideSamples; }
    qint64 coveredEnd() const;
    qint64 coveredStart(int track) const;
    qint64 coveredEnd(int track) const;
    // The lengths of the audio tracks in frames: two discs alike in these
    // have sums that can be compared.
    QVector<int> trackFrames() const;

    bool operator==(const CtdbDisc& other) const {
        return m_starts == other.m_starts && m_samples == other.m_samples;
    }

private:
    QVector<qint64> m_starts; // in samples from the first audio track's INDEX 01
    qint64 m_samples = 0;
};

// What one audio track adds to the disc's sums.
struct CtdbTrackSums {
    bool complete = false; // the whole track passed
    quint32 crc = 0;       // CRC-32 of what the track's sum covers
    // The audio of the track within the two stretches the pressing search
    // slides the disc's covered stretch across: one stride either side of
    // its start and of its end.
    QByteArray head;
    QByteArray tail;
};

// The disc's sums, from those of every audio track.
struct CtdbDiscSums {
    bool complete = false; // every track passed whole
    quint32 crc = 0;       // CRC-32 of the covered stretch
    QByteArray head;       // samples [0, 2 strides) of the disc's audio
    QByteArray tail;       // one stride either side of the covered stretch's end

    static CtdbDiscSums of(const CtdbDisc& disc, const QVector<CtdbTrackSums>& tracks);
};

// Sums one audio track of a disc as its PCM passes (16-bit little-endian
// stereo, in any split).
class CtdbTrackChecksum {
public:
    CtdbTrackChecksum(const CtdbDisc& disc, int track);
    void add(const char* pcm, qsizetype bytes);
    CtdbTrackSums sums() const;

private:
    // Byte positions within the track.
    qint64 m_length = 0;
    qint64 m_coveredStart = 0, m_coveredEnd = 0;
    qint64 m_headStart = 0, m_headEnd = 0;
    qint64 m_tailStart = 0, m_tailEnd = 0;
    qint64 m_position = 0;
    quint32 m_reg = ~0u;
    QByteArray m_head, m_tail;
};

// The shifts d (-MaxPressingOffset..+MaxPressingOffset samples) at which the
// disc's covered stretch moved by d samples has one of the whole-disc CRCs
// wanted: there the database's disc is this one with its first d samples
// dropped. Ascending; more than one when the audio repeats itself (silence),
// so only a single shift is an answer. None for sums that are not complete.
QVector<int> ctdbPressingOffsets(const CtdbDisc& disc, const CtdbDiscSums& sums,
                                 const QVector<quint32>& crcs);

// One pressing of the disc in the database: what its rips agree on.
struct CtdbEntry {
    quint32 crc = 0; // of the covered stretch
    int confidence = 0;
    QVector<quint32> trackCrcs; // one per audio track
};

// Reads the database's XML reply for disc. Entries of another disc (other
// track lengths, which a fuzzy lookup may add) are left out. Empty, with
// *error set (a clear English sentence), when the reply is no CTDB reply, is
// too large or too deeply nested, or names only other discs; empty without
// an error when the database knows no rip of the disc.
QVector<CtdbEntry> parseCtdbReply(const QByteArray& xml, const CtdbDisc& disc, QString* error);

struct CtdbVerdict {
    enum Status { Unknown, Accurate, Mismatch, NotInDatabase, LookupFailed };
    Status status = Unknown;
    int confidence = 0; // for Accurate: the rips that agree
    int total = 0;      // the rips of the disc the database holds
    // For Accurate: the shift at which the disc matched another pressing, in samples.
    int pressingOffset = 0;
    QString reason; // for LookupFailed: why

    // "accurate in CTDB (confidence 5 of 7)", "accurate in CTDB with a
    // pressing offset of +123 samples (confidence 5 of 7)", "mismatch in
    // CTDB", "not in CTDB", "not verified in CTDB: <why>"
    QString text() const;
    static CtdbVerdict lookupFailed(const QString& why);
};

struct CtdbResult {
    CtdbVerdict disc;
    QVector<CtdbVerdict> tracks; // one per audio track
};

// Judges the tracks (one sums value per audio track; a track not ripped is
// not complete) and, when every track passed, the disc, against the entries.
// A disc that matches one pressing only at a single shift makes every track
// accurate at that shift.
CtdbResult verifyCtdb(const QVector<CtdbEntry>& entries, const CtdbDisc& disc,
                      const QVector<CtdbTrackSums>& tracks);
