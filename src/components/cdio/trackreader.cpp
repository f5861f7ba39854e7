#include "components/cdio/trackreader.h"

#include "components/cdio/cdiolock.h"
#include "settings/cdreadingkeys.h"

#include <cstring>
#include <QSet>
#include <QtEndian>

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

namespace {

constexpr int BurstBlockFrames = 26;
constexpr int ParanoidBlockFrames = 8;
// While frames keep failing, look again whether the disc is still there
// once a second of audio.
constexpr int GoneCheckInterval = 75;

} // namespace

ReadSettings ReadSettings::sanitized(int mode, int retries, int errorAction) {
    ReadSettings settings;
    if (mode >= Burst && mode <= Paranoid)
        settings.mode = mode;
    settings.retries = qBound(CdReadingKeys::RetriesMin, retries, CdReadingKeys::RetriesMax);
    if (errorAction >= Stop && errorAction <= Cut)
        settings.errorAction = errorAction;
    return settings;
}

class TrackReader::Private {
public:
    Private(const CdDisc& disc_, const CdTrack& track_, const CdToc& expected_,
            const ReadSettings& settings_)
        : disc(disc_), track(track_), expected(expected_), settings(settings_) {}

    ~Private() {
        const CdioLock lock;
        if (paranoia)
            cdio_paranoia_free(paranoia);
        if (drive)
            cdio_cddap_close_no_free_cdio(drive);
    }

    bool cancelled() const { return cancel && cancel->load(); }

    bool faulty(int lsn, int count) const {
        if (!faultFilter)
            return false;
        for (int i = 0; i < count; ++i)
            if (faultFilter(lsn + i))
                return true;
        return false;
    }

    // Reads count frames from lsn into buffer: the whole block at once, and
    // when that fails frame by frame, each tried again as often as the
    // settings allow. A frame that never comes is zero-filled and listed in
    // refused. read is the drive's own block read.
    void readFrames(int lsn, int count, char* buffer,
                    const std::function<bool(int, int, char*)>& read) {
        if (!faulty(lsn, count) && read(lsn, count, buffer)) {
            for (int i = 0; i < count; ++i)
                refused.remove(lsn + i);
            return;
        }
        for (int i = 0; i < count; ++i) {
            char* frame = buffer + i * CdDisc::FrameBytes;
            bool ok = false;
            // A stopped read tries once, so that it winds down quickly.
            const int attempts = cancelled() ? 1 : settings.retries + 1;
            for (int attempt = 0; attempt < attempts && !ok; ++attempt) {
                if (attempt > 0 && retryReport)
                    retryReport(attempt, lsn + i);
                ok = !faulty(lsn + i, 1) && read(lsn + i, 1, frame);
            }
            if (ok) {
                refused.remove(lsn + i);
            } else {
                std::memset(frame, 0, CdDisc::FrameBytes);
                refused.insert(lsn + i);
            }
        }
    }

    bool startParanoia();
    Step readBurst(QByteArray* out);
    Step readParanoia(QByteArray* out);
    Step lost(int lsn, QByteArray* out);
    bool discGone() const;

    // paranoia reads through this. paranoia copes with jitter but not with a
    // drive that refuses a sector (it keeps trying forever), so refusals are
    // settled here with the retry count, and paranoia gets silence for them.
    static long readBlock(cdrom_drive_t* drive, void* buffer, lsn_t begin, long sectors);
    // readBlock has no user data; the reader of this thread is the one reading.
    static thread_local Private* active;
    struct ReadingScope {
        explicit ReadingScope(Private* reader) : previous(active) { active = reader; }
        ~ReadingScope() { active = previous; }
        Private* previous;
    };

    const CdDisc& disc;
    CdTrack track;
    CdToc expected;
    ReadSettings settings;
    const std::atomic<bool>* cancel = nullptr;
    FaultFilter faultFilter;
    RetryReport retryReport;

    int position = 0;
    QString error;
    int lostInRow = 0;

    // Burst reading: a block read ahead.
    QByteArray block;
    int blockStart = -1;
    int blockFrames = 0;

    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    long (*driveRead)(cdrom_drive_t*, void*, lsn_t, long) = nullptr;
    // Frames the drive would not give on their last read.
    QSet<int> refused;
    bool paranoiaFailed = false;
};

thread_local TrackReader::Private* TrackReader::Private::active = nullptr;

long TrackReader::Private::readBlock(cdrom_drive_t* drive, void* buffer, lsn_t begin,
                                     long sectors) {
    Private* self = active;
    // Without a buffer paranoia only moves the drive's head to defeat its cache.
    if (!self || !buffer)
        return self ? self->driveRead(drive, buffer, begin, sectors) : -1;
    self->readFrames(int(begin), int(sectors), static_cast<char*>(buffer),
                     [self, drive](int lsn, int count, char* into) {
                         const CdioLock lock;
                         return self->driveRead(drive, into, lsn, count) == count;
                     });
    return sectors;
}

bool TrackReader::Private::startParanoia() {
    if (paranoia || paranoiaFailed)
        return paranoia != nullptr;
    const CdioLock lock;
    drive = cdio_cddap_identify_cdio(disc.handle(), CDDA_MESSAGE_FORGETIT, nullptr);
    if (!drive || cdio_cddap_open(drive) != 0) {
        paranoiaFailed = true;
        return false;
    }
    if (settings.mode == ReadSettings::Paranoid)
        drive->nsectors = ParanoidBlockFrames;
    driveRead = drive->read_audio;
    drive->read_audio = &Private::readBlock;
    paranoia = cdio_paranoia_init(drive);
    if (!paranoia) {
        paranoiaFailed = true;
        return false;
    }
    // Jitter correction only checks overlaps; secure and paranoid verify
    // everything. Never retry forever: the retry count bounds each sector.
    const int flags = settings.mode == ReadSettings::Synch
                          ? PARANOIA_MODE_OVERLAP
                          : (PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    cdio_paranoia_modeset(paranoia, flags);
    cdio_paranoia_set_range(paranoia, track.start, track.start + track.frames - 1);
    cdio_paranoia_seek(paranoia, track.start + position, SEEK_SET);
    return true;
}

bool TrackReader::Private::discGone() const {
    const std::unique_ptr<CdDisc> again = CdDisc::open(disc.drive());
    return !again || again->contents(false).toc() != expected;
}

TrackReader::Step TrackReader::Private::lost(int lsn, QByteArray* out) {
    if (lostInRow++ % GoneCheckInterval == 0 && discGone()) {
        error = QStringLiteral("The disc was removed or changed while it was read.");
        return Step::Failed;
    }
    switch (settings.errorAction) {
    case ReadSettings::Silence:
        out->append(QByteArray(CdDisc::FrameBytes, '\0'));
        return Step::Frame;
    case ReadSettings::Cut:
        return Step::Skipped;
    default:
        error = QStringLiteral("Sector %1 of the disc cannot be read.").arg(lsn);
        return Step::Failed;
    }
}

TrackReader::Step TrackReader::Private::readBurst(QByteArray* out) {
    const int lsn = track.start + position;
    if (blockStart < 0 || lsn < blockStart || lsn >= blockStart + blockFrames) {
        const int count = qMin(BurstBlockFrames, track.frames - position);
        block.resize(count * CdDisc::FrameBytes);
        blockStart = lsn;
        blockFrames = count;
        readFrames(lsn, count, block.data(), [this](int from, int frames, char* into) {
            return disc.readAudio(from, frames, into);
        });
    }
    if (cancelled())
        return Step::Failed;
    if (refused.contains(lsn))
        return lost(lsn, out);
    lostInRow = 0;
    out->append(block.constData() + (lsn - blockStart) * CdDisc::FrameBytes, CdDisc::FrameBytes);
    return Step::Frame;
}

TrackReader::Step TrackReader::Private::readParanoia(QByteArray* out) {
    const int lsn = track.start + position;
    if (!startParanoia()) {
        error = QStringLiteral("The disc cannot be read as audio.");
        return Step::Failed;
    }
    const int16_t* samples = nullptr;
    {
        // Held through paranoia's own reads, which come back through readBlock.
        const CdioLock lock;
        ReadingScope scope(this);
        samples = cdio_paranoia_read_limited(paranoia, nullptr, qMax(1, settings.retries));
    }
    if (cancelled())
        return Step::Failed;
    if (!samples || refused.contains(lsn))
        return lost(lsn, out);
    lostInRow = 0;
    const qsizetype at = out->size();
    out->append(reinterpret_cast<const char*>(samples), CdDisc::FrameBytes);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
    // paranoia hands out samples in host order; files want little-endian.
    qToLittleEndian<qint16>(out->constData() + at, CdDisc::FrameBytes / 2, out->data() + at);
#else
    Q_UNUSED(at);
#endif
    return Step::Frame;
}

TrackReader::TrackReader(const CdDisc& disc, const CdTrack& track, const CdToc& expected,
                         const ReadSettings& settings)
    : d(std::make_unique<Private>(disc, track, expected, settings)) {}

TrackReader::~TrackReader() = default;

void TrackReader::setCancelFlag(const std::atomic<bool>* cancel) {
    d->cancel = cancel;
}

void TrackReader::setFaultFilter(FaultFilter filter) {
    d->faultFilter = std::move(filter);
}

void TrackReader::setRetryReport(RetryReport report) {
    d->retryReport = std::move(report);
}

int TrackReader::length() const {
    return d->track.frames;
}

int TrackReader::position() const {
    return d->position;
}

void TrackReader::seek(int frame) {
    d->position = qBound(0, frame, d->track.frames);
    d->lostInRow = 0;
    if (d->paranoia) {
        const CdioLock lock;
        cdio_paranoia_seek(d->paranoia, d->track.start + d->position, SEEK_SET);
    }
}

TrackReader::Step TrackReader::next(QByteArray* out) {
    if (d->position >= d->track.frames)
        return Step::End;
    if (d->cancelled()) {
        d->error = QStringLiteral("Reading was stopped.");
        return Step::Failed;
    }
    const Step step =
        d->settings.mode == ReadSettings::Burst ? d->readBurst(out) : d->readParanoia(out);
    if (step == Step::Failed) {
        if (d->error.isEmpty())
            d->error = QStringLiteral("Reading was stopped.");
        return step;
    }
    ++d->position;
    return step;
}

QString TrackReader::error() const {
    return d->error;
}
