#pragma once

#include "checksums/disclayout.h"
#include "components/cdio/cddrivelist.h"
#include "components/discreader.h"
#include "values/cdtoc.h"

#include <memory>
#include <QString>
#include <QVector>

// libcdio's handle; its headers stay in the .cpp files.
typedef struct _CdIo CdIo_t;
class SheetImage;

struct CdTrack {
    int start = 0;  // first frame (LSN)
    int frames = 0; // length in CD frames
    bool audio = true;
    // The source delivers big-endian samples (a cue sheet's MOTOROLA file);
    // drives and BINARY images deliver little-endian ones.
    bool bigEndian = false;
    QString title; // CD-TEXT, cleaned; empty when the disc has none
    QString artist;
};

// What readDisc learns: the table of contents and the disc's CD-TEXT.
struct DiscContents {
    QVector<CdTrack> tracks;
    int leadout = 0;
    QString album;  // CD-TEXT title of the disc
    QString artist; // CD-TEXT performer of the disc
    // The table of contents grown by the gaps, indexes, ISRCs, flags and
    // catalog number, read with the text.
    DiscLayout layout;

    bool isEmpty() const { return tracks.isEmpty(); }
    CdToc toc() const;
    // The range as a reader takes it, in the byte order of the track it
    // starts in (of track 1 for the audio before it).
    CdTrack trackOf(const RipRange& range) const;
};

struct DriveIdentity {
    QString vendor;
    QString product;
    QString revision;
};

// One opened drive or disc image. Each thread that reads opens its own; every
// call holds the library's lock (CdioLock), so threads take turns.
class CdDisc {
public:
    static constexpr int FrameBytes = 2352;

    // Null when the drive or image cannot be opened at all (a missing image,
    // a device that vanished). An empty drive opens and holds no tracks.
    static std::unique_ptr<CdDisc> open(const CdDrive& drive);
    ~CdDisc();
    CdDisc(const CdDisc&) = delete;
    CdDisc& operator=(const CdDisc&) = delete;

    const CdDrive& drive() const { return m_drive; }
    // Null for a cue sheet over audio files, which Orvelle reads itself and
    // which is read exactly as it is, without paranoia.
    CdIo_t* handle() const { return m_cdio; }

    // Empty when there is no disc or its table of contents makes no sense.
    // Without text only the table of contents is read, which is quicker.
    DiscContents contents(bool withText = true) const;
    DriveIdentity identity() const;
    DriveVolume volume() const;
    // The same for contents just read from this disc.
    DriveVolume volume(const DiscContents& contents) const;
    // count frames from lsn, straight from the drive, into buffer.
    bool readAudio(int lsn, int count, char* buffer) const;

private:
    CdDisc(CdDrive drive, CdIo_t* cdio, std::unique_ptr<SheetImage> image = {});

    CdDrive m_drive;
    CdIo_t* m_cdio;
    std::unique_ptr<SheetImage> m_image;
};
