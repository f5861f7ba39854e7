#pragma once

#include "checksums/trackcheck.h"

#include <optional>
#include <QByteArray>
#include <QString>
#include <QVector>

// The disc's identity at MusicBrainz: the disc ID (SHA-1 of the table of
// contents of its audio session, in MusicBrainz's Base64) and the table of
// contents as the fuzzy lookup takes it ("1 12 198592 150 17477 ...").
struct MbDiscId {
    QString id;
    QString toc;

    bool isValid() const { return !id.isEmpty(); }
    // From every track of the disc: the audio tracks from the first up to the
    // last audio one, ending where the audio session ends (before the data
    // track of an enhanced CD and its 11400 frames of gap).
    static MbDiscId fromLayout(const DiscLayout& layout);
};

// One release of the disc as MusicBrainz lists it, with the medium that holds it.
struct MbRelease {
    QString id; // the release's MBID, for its cover
    QString title;
    QString artist;
    QString year;
    QString country;
    QString label;
    QString barcode; // the release's UPC/EAN, digits only; empty when it has none
    int trackCount = 0;
    QVector<QString> trackTitles;  // of the medium, in order
    QVector<QString> trackArtists; // each track's own credit, the release's where it has none
};

// Reads a MusicBrainz JSON reply to a disc ID or TOC lookup. Only releases
// with a medium of trackCount tracks are kept (the medium carrying discId
// first, when given). Texts pass the rules for untrusted text. Empty, with
// *error set, for a reply that is no such document.
QVector<MbRelease> parseMbReleases(const QByteArray& json, const QString& discId, int trackCount,
                                   QString* error);

// How long a "503 Service Unavailable" asks to wait, from its Retry-After
// (seconds); none when it names no sane delay.
std::optional<int> retryAfterSeconds(const QByteArray& value);
