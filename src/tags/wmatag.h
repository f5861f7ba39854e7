#pragma once

#include "values/tagextras.h"

#include <QString>

class QIODevice;

// The attributes of a WMA file that Orvelle reads and writes. Each text holds
// at most as many UTF-8 bytes as its field is wide (less one for the
// terminator of the stored form); fittedToFields() cuts longer texts.
struct WmaTag {
    bool valid = false; // after a successful read
    QString year;       // "WM/Year", 127 bytes
    quint16 track = 0;  // "WM/trackNumber" (read: "WM/Track" when that gives 0)
    QString artist;     // "Author", 127 bytes
    QString title;      // "Title", 127 bytes
    QString album;      // "WM/AlbumTitle", 127 bytes
    QString comment;    // "Description", 254 bytes
    QString genre;      // "WM/Genre", 31 bytes

    bool operator==(const WmaTag& other) const;
};

// The tag with every text cut to its field's width, on a character boundary.
WmaTag fittedToFields(WmaTag tag);

// The file's attributes; an all-empty record (Valid 0) for a file that cannot
// be opened or is not a well-formed ASF file. Never raises.
WmaTag readWmaTag(const QString& fileName);
WmaTag readWmaTagFrom(QIODevice& device);

// The picture of the file's WM/Picture attribute, wherever the file keeps it
// (FFmpeg finds one only where it is under 64 KB); empty when there is none
// or it is damaged. Never raises.
QByteArray readWmaPictureFrom(QIODevice& device);

// Sets Author, Title, WM/AlbumTitle, WM/Year, Description and WM/Genre (empty
// texts too) and WM/trackNumber. The file is rewritten into a replacement that
// takes its place only when complete. False, with the file left as it was,
// when it cannot be opened or is not a well-formed ASF file. Never raises.
//
// extras adds the ReplayGain values present as the text attributes
// REPLAYGAIN_TRACK_GAIN ("-6.52 dB"), REPLAYGAIN_TRACK_PEAK ("0.988831") and
// the album pair, and the cover as WM/Picture (front cover, the type its
// bytes show), in the Metadata Library when it is over 64 KB. A cover that
// CoverCheck::checked refuses is left out; check it first to tell the user
// why. Values extras does not hold stay as the file had them.
bool writeWmaTag(const QString& fileName, const WmaTag& tag, const TagExtras& extras = {});
bool writeWmaTagTo(QIODevice& source, QIODevice& destination, const WmaTag& tag,
                   const TagExtras& extras = {});
