#include "components/cdio/cddisc.h"

#include "components/cdio/cdiolock.h"
#include "components/cdio/imagesheet.h"
#include "components/cdio/sheetimage.h"
#include "components/subchannel.h"
#include "platform/regularfile.h"
#include "values/untrustedtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/mmc_ll_cmds.h>

namespace {

// Frames between the audio session and the data session of a CD-Extra disc
// (lead-out, lead-in and pregap), which belong to no track.
constexpr int SessionGapFrames = 11400;

QString cdText(const cdtext_t* text, cdtext_field_t field, track_t track) {
    const char* value = text ? cdtext_get_const(text, field, track) : nullptr;
    return value ? cleanUntrustedText(QString::fromUtf8(value)) : QString();
}

QString hardwareText(const char* text) {
    return cleanUntrustedText(QString::fromLatin1(text, int(qstrnlen(text, 64))), 64);
}

// The tracks (by number) whose data file a cue sheet declares as MOTOROLA,
// that is big-endian. libcdio reads every file as it is, so the byte order
// must come from the sheet, never from guessing at the music.
QVector<int> bigEndianCueTracks(const QString& sheet) {
    const RegularFile::Contents text = RegularFile::read(sheet, ImageSheet::MaxSheetBytes);
    QVector<int> tracks;
    for (const ImageSheet::Track& track : ImageSheet::parseCue(text.bytes).tracks)
        if (track.bigEndian)
            tracks << track.number;
    return tracks;
}

// The drive's formatted Q sub-channel, read with each sector (READ CD). A
// drive that refuses the command, or a Q that is no position (ADR 1), gives
// nothing. The caller holds the library's lock.
class QSubchannel : public SubchannelReader {
public:
    explicit QSubchannel(CdIo_t* cdio) : m_cdio(cdio) {}

    std::optional<QPosition> qPosition(int lsn) override {
        uchar buffer[CdDisc::FrameBytes + 16] = {};
        if (m_refused ||
            mmc_read_cd(m_cdio, buffer, lsn, 1 /* CD-DA */, false, false, 0, true, false, 0,
                        2 /* formatted Q */, sizeof buffer, 1) != DRIVER_OP_SUCCESS) {
            m_refused = true; // a drive without the command is not asked again
            return std::nullopt;
        }
        const uchar* q = buffer + CdDisc::FrameBytes;
        const auto bcd = [](uchar value) {
            return (value >> 4) > 9 || (value & 0xf) > 9 ? -1 : (value >> 4) * 10 + (value & 0xf);
        };
        if ((q[0] & 0x0f) != 1 || bcd(q[1]) < 1 || bcd(q[2]) < 0)
            return std::nullopt;
        return QPosition{bcd(q[1]), bcd(q[2])};
    }

private:
    CdIo_t* m_cdio;
    bool m_refused = false;
};

// What the drive reports beside the table of contents: the catalog number,
// each track's ISRC and the flags of its sub-channel. A drive answers
// garbage as often as nothing, so a value of the wrong shape is dropped.
void discValues(CdIo_t* cdio, track_t first, DiscLayout* layout) {
    const auto text = [](char* value) {
        const QString out = value ? QString::fromLatin1(value).trimmed() : QString();
        cdio_free(value);
        return out;
    };
    const QString catalog = text(cdio_get_mcn(cdio));
    if (DiscLayout::catalogProblem(catalog).isEmpty())
        layout->catalog = catalog;
    for (int i = 0; i < layout->tracks.size(); ++i) {
        LayoutTrack& track = layout->tracks[i];
        const auto number = track_t(first + i);
        if (track.audio) {
            const QString isrc = text(cdio_get_track_isrc(cdio, number));
            if (DiscLayout::isrcProblem(isrc).isEmpty())
                track.isrc = isrc;
        }
        track.preEmphasis = cdio_get_track_preemphasis(cdio, number) == CDIO_TRACK_FLAG_TRUE;
        track.copyPermitted = cdio_get_track_copy_permit(cdio, number) == CDIO_TRACK_FLAG_TRUE;
        track.fourChannel = cdio_get_track_channels(cdio, number) == 4;
    }
    // Gaps need the Q sub-channel read around each track's start.
    QSubchannel q(cdio);
    *layout = withGaps(*layout, q);
}

} // namespace

CdToc DiscContents::toc() const {
    QVector<int> starts;
    for (const CdTrack& track : tracks)
        starts << track.start;
    return CdToc(starts, leadout);
}

CdTrack DiscContents::trackOf(const RipRange& range) const {
    CdTrack track;
    track.start = range.first;
    track.frames = range.frames;
    for (const CdTrack& holder : tracks)
        if (holder.start <= range.first || &holder == &tracks.first())
            track.bigEndian = holder.bigEndian;
    return track;
}

std::unique_ptr<CdDisc> CdDisc::open(const CdDrive& drive) {
    const CdioLock lock;
    const QByteArray path = QFile::encodeName(drive.path);
    CdIo_t* cdio = nullptr;
    if (!drive.isImage) {
        cdio = cdio_open(path.constData(), DRIVER_DEVICE);
    } else {
        // The image drivers are chosen by extension, as the user named the file.
        const QString suffix = QFileInfo(drive.path).suffix().toLower();
        if (!QFileInfo::exists(drive.path))
            return nullptr;
        // libcdio trusts the sheet and opens whatever it names; it gets only
        // images that Orvelle has read and bounded first. ImageSheet::check
        // tells a caller why an image was refused.
        const ImageSheet sheet = ImageSheet::check(drive.path);
        if (!sheet.ok())
            return nullptr;
        if (suffix == QLatin1String("cue") && sheet.ownReader()) {
            QString error;
            std::unique_ptr<SheetImage> image = SheetImage::open(drive.path, sheet, &error);
            if (!image)
                return nullptr;
            return std::unique_ptr<CdDisc>(new CdDisc(drive, nullptr, std::move(image)));
        } else if (suffix == QLatin1String("cue")) {
            cdio = cdio_open_cue(path.constData());
        } else if (suffix == QLatin1String("toc")) {
            // A private copy of the checked sheet, read once while it opens.
            QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/orvelle-XXXXXX.toc"));
            if (!copy.open() || copy.write(sheet.libraryToc) != sheet.libraryToc.size() ||
                !copy.flush())
                return nullptr;
            cdio = cdio_open_cdrdao(QFile::encodeName(copy.fileName()).constData());
        } else if (suffix == QLatin1String("nrg")) {
            cdio = cdio_open_nrg(path.constData());
        }
    }
    if (!cdio)
        return nullptr;
    return std::unique_ptr<CdDisc>(new CdDisc(drive, cdio));
}

CdDisc::CdDisc(CdDrive drive, CdIo_t* cdio, std::unique_ptr<SheetImage> image)
    : m_drive(std::move(drive)), m_cdio(cdio), m_image(std::move(image)) {}

CdDisc::~CdDisc() {
    const CdioLock lock;
    if (m_cdio)
        cdio_destroy(m_cdio);
}

DiscContents CdDisc::contents(bool withText) const {
    if (m_image) {
        // The layout was read with the sheet, once.
        DiscContents disc;
        const DiscLayout& layout = m_image->layout();
        const ImageSheet& sheet = m_image->sheet();
        for (int i = 0; i < layout.tracks.size(); ++i) {
            CdTrack track;
            track.start = layout.tracks[i].start;
            track.frames =
                (i + 1 < layout.tracks.size() ? layout.tracks[i + 1].start : layout.leadout) -
                track.start;
            track.audio = layout.tracks[i].audio;
            if (withText) {
                track.title = sheet.tracks[i].title;
                track.artist = sheet.tracks[i].performer;
            }
            disc.tracks << track;
        }
        disc.leadout = layout.leadout;
        if (withText) {
            disc.album = sheet.title;
            disc.artist = sheet.performer;
            disc.layout = layout;
        }
        return disc;
    }
    const CdioLock lock;
    DiscContents disc;
    const track_t first = cdio_get_first_track_num(m_cdio);
    const track_t count = cdio_get_num_tracks(m_cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 ||
        int(first) + int(count) - 1 > CDIO_CD_MAX_TRACKS)
        return {};
    const lsn_t leadout = cdio_get_track_lsn(m_cdio, CDIO_CDROM_LEADOUT_TRACK);
    lsn_t lastSession = 0;
    if (cdio_get_last_session(m_cdio, &lastSession) != DRIVER_OP_SUCCESS)
        lastSession = 0;

    const QVector<int> bigEndian =
        m_drive.isImage && QFileInfo(m_drive.path).suffix().toLower() == QLatin1String("cue")
            ? bigEndianCueTracks(m_drive.path)
            : QVector<int>();
    for (track_t t = first; t < first + count; ++t) {
        CdTrack track;
        track.start = cdio_get_track_lsn(m_cdio, t);
        track.audio = cdio_get_track_format(m_cdio, t) == TRACK_FORMAT_AUDIO;
        track.bigEndian = bigEndian.contains(int(t));
        disc.tracks << track;
    }
    // A table whose tracks do not follow each other is no disc we can read.
    for (int i = 0; i < disc.tracks.size(); ++i) {
        const int next = i + 1 < disc.tracks.size() ? disc.tracks[i + 1].start : leadout;
        if (disc.tracks[i].start == CDIO_INVALID_LSN || disc.tracks[i].start < 0 ||
            next <= disc.tracks[i].start)
            return {};
        disc.tracks[i].frames = next - disc.tracks[i].start;
        const bool dataSessionFollows = i + 1 < disc.tracks.size() && disc.tracks[i].audio &&
                                        !disc.tracks[i + 1].audio && lastSession > 0 &&
                                        next == lastSession;
        if (dataSessionFollows && disc.tracks[i].frames > SessionGapFrames)
            disc.tracks[i].frames -= SessionGapFrames;
    }
    disc.leadout = leadout;
    if (!withText)
        return disc;

    for (const CdTrack& track : disc.tracks)
        disc.layout.tracks << LayoutTrack{track.start, track.audio};
    disc.layout.leadout = leadout;
    if (m_drive.isImage) {
        // The sheet is Orvelle's to read: libcdio keeps no gaps or indexes of it.
        ImageSheet sheet = ImageSheet::check(m_drive.path);
        // libcdio reads no silence for a PREGAP: the track starts where its
        // data does, and the disc has no gap there.
        for (ImageSheet::Track& track : sheet.tracks)
            if (track.silence > 0) {
                sheet.notes << QStringLiteral("The PREGAP of track %1 is silence that is not "
                                              "part of this image's audio; no gap is kept.")
                                   .arg(track.number);
                track.silence = 0;
            }
        QString error;
        const DiscLayout layout =
            sheet.ok() ? sheet.layoutOver(disc.layout, {}, &error) : DiscLayout();
        if (!layout.isEmpty())
            disc.layout = layout;
        else
            disc.layout.notes << QStringLiteral("Gaps and indexes left out: %1")
                                     .arg(sheet.ok() ? error : sheet.error);
    } else {
        discValues(m_cdio, first, &disc.layout);
    }

    const cdtext_t* text = cdio_get_cdtext(m_cdio);
    disc.album = cdText(text, CDTEXT_FIELD_TITLE, 0);
    disc.artist = cdText(text, CDTEXT_FIELD_PERFORMER, 0);
    for (int i = 0; i < disc.tracks.size(); ++i) {
        const auto number = track_t(first + i);
        disc.tracks[i].title = cdText(text, CDTEXT_FIELD_TITLE, number);
        disc.tracks[i].artist = cdText(text, CDTEXT_FIELD_PERFORMER, number);
    }
    return disc;
}

DriveIdentity CdDisc::identity() const {
    if (m_drive.isImage) {
        if (m_image)
            return {QStringLiteral("Disc image"), QStringLiteral("CUE"), QStringLiteral("Orvelle")};
        const QString suffix = QFileInfo(m_drive.path).suffix().toUpper();
        // An image has no firmware; the revision is that of the library reading it.
        return {QStringLiteral("Disc image"), suffix,
                QStringLiteral(CDIO_VERSION).section(QLatin1Char(' '), 0, 0)};
    }
    const CdioLock lock;
    cdio_hwinfo_t info{};
    if (!cdio_get_hwinfo(m_cdio, &info))
        return {};
    return {hardwareText(info.psz_vendor), hardwareText(info.psz_model),
            hardwareText(info.psz_revision)};
}

DriveVolume CdDisc::volume() const {
    return volume(contents(false));
}

DriveVolume CdDisc::volume(const DiscContents& disc) const {
    if (disc.isEmpty())
        return {};
    for (const CdTrack& track : disc.tracks) {
        if (track.audio || m_image)
            continue;
        // A data track carries the disc's name in its ISO 9660 primary
        // volume descriptor, sector 16 of the track.
        char sector[CDIO_CD_FRAMESIZE] = {};
        const CdioLock lock;
        if (cdio_read_data_sectors(m_cdio, sector, track.start + 16, CDIO_CD_FRAMESIZE, 1) !=
                DRIVER_OP_SUCCESS ||
            sector[0] != 1 || qstrncmp(sector + 1, "CD001", 5) != 0)
            return {};
        return {true, cleanUntrustedText(QString::fromLatin1(sector + 40, 32), 32)};
    }
    return {true, QStringLiteral("Audio CD")};
}

bool CdDisc::readAudio(int lsn, int count, char* buffer) const {
    if (m_image)
        return count > 0 && m_image->read(lsn, count, buffer);
    const CdioLock lock;
    return count > 0 && cdio_read_audio_sectors(m_cdio, buffer, lsn, count) == DRIVER_OP_SUCCESS;
}
