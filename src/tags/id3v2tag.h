#pragma once

#include "values/tagextras.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// The seven text values of an MP3 file's ID3v2 tag.
struct ID3StructV2 {
    QString title;   // TIT2
    QString artist;  // TPE1
    QString album;   // TALB
    QString year;    // TYER (TDRC in ID3v2.4, TYE in ID3v2.2)
    QString track;   // TRCK
    QString comment; // COMM
    QString genre;   // TCON

    bool operator==(const ID3StructV2& other) const;
};

// The ID3v2.3 tag that writeID3v2Tag puts in front of the audio: a 10-byte
// header, the seven frames TIT2 TPE1 TALB TRCK TYER TCON COMM (all written,
// empty ones too) and 10 bytes of padding. A value is written as ISO-8859-1
// when every character fits, else as UTF-16 with a byte order mark; it is cut
// to 255 bytes in that form, on a character boundary.
//
// extras adds, after those seven: a TXXX frame for each ReplayGain value
// present (REPLAYGAIN_TRACK_GAIN "-6.52 dB", REPLAYGAIN_TRACK_PEAK
// "0.988831", then the album pair), and an APIC frame with the cover as the
// front cover (picture type 3, no description, the type its bytes show). A
// cover that CoverCheck::checked refuses is left out; check it first to
// tell the user why.
QByteArray buildID3v2Tag(const ID3StructV2& tag, const TagExtras& extras = {});

// Writes the tag at the start of an MP3 file. The tag goes, with the file's
// audio, into a replacement that takes the file's place only when complete; an
// ID3v2 tag already at the start is replaced. A file that does not look like
// MP3 audio is refused (false) and left as it was. Raises TagError
// "Cannot open file <name>" when the file cannot be opened or rewritten.
bool writeID3v2Tag(const QString& fileName, const ID3StructV2& tag, const TagExtras& extras = {});

// The same rewrite from one device to another (the file's content to its
// replacement); false when the content is refused or cannot be written.
bool writeID3v2TagTo(QIODevice& source, QIODevice& destination, const ID3StructV2& tag,
                     const TagExtras& extras = {});

// The seven values of the file's ID3v2 tag (versions 2.2 to 2.4), or seven
// empty values. Never raises.
ID3StructV2 readID3v2Tag(const QString& fileName);
ID3StructV2 readID3v2TagFrom(QIODevice& device);
