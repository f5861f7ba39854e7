#include "components/cdio/trackreader.h"

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
    settings.retries = qBound(0, retries, 32);
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

    // Reads straight from the drive, trying again as often as the settings allow.
    bool readDirect(int lsn, int count, char* buffer) {
        for (int attempt = 0; attempt <= settings.retries; ++attempt) {
            if (cancelled())
                return false;
            if (attempt > 0 && retryReport)
                retryReport(attempt, lsn);
            if (!faulty(lsn, count) && disc.readAudio(lsn, count, buffer))
                return true;
        }
        return false;
    }

    bool startParanoia();
    Step readBurst(QByteArray* out);
    Step readParanoia(QByteArray* out);
    Step lost(int lsn, QByteArray* out);
    bool discGone() const;

    // paranoia reads through this, so that a block the drive refused is
    // known sector by sector even when paranoia hands out guessed data.
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

    // Burst reading: a block read ahead, with the frames that would not come.
    QByteArray block;
    int blockStart = -1;
    QVector<bool> blockLost;

    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    long (*driveRead)(cdrom_drive_t*, void*, lsn_t, long) = nullptr;
    QSet<int> refused;
    bool paranoiaFailed = false;
};

thread_local TrackReader::Private* TrackReader::Private::active = nullptr;

long TrackReader::Private::readBlock(cdrom_drive_t* drive, void* buffer, lsn_t begin,
                                     long sectors) {
    Private* self = active;
    if (!self || self->cancelled())
        return -1;
    long done = -1;
    if (!self->faulty(begin, int(sectors)))
        done = self->driveRead(drive, buffer, begin, sectors);
    const long good = qBound(0L, done, sectors);
    for (long i = 0; i < good; ++i)
        self->refused.remove(int(begin + i));
    for (long i = good; i < sectors; ++i)
        self->refused.insert(int(begin + i));
    return done;
}

bool TrackReader::Private::startParanoia() {
    if (paranoia || paranoiaFailed)
        return paranoia != nullptr;
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
    if (blockStart < 0 || lsn < blockStart || lsn >= blockStart + blockLost.size()) {
        const int count = qMin(BurstBlockFrames, track.frames - position);
        block.resize(count * CdDisc::FrameBytes);
        blockLost.fill(false, count);
        blockStart = lsn;
        if (!readDirect(lsn, count, block.data())) {
            // Find out which frames of the block are lost, one by one.
            for (int i = 0; i < count && !cancelled(); ++i)
                blockLost[i] = !readDirect(lsn + i, 1, block.data() + i * CdDisc::FrameBytes);
        }
    }
    if (cancelled())
        return Step::Failed;
    const int index = lsn - blockStart;
    if (blockLost[index])
        return lost(lsn, out);
    lostInRow = 0;
    out->append(block.constData() + index * CdDisc::FrameBytes, CdDisc::FrameBytes);
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
        ReadingScope scope(this);
        samples = cdio_paranoia_read_limited(paranoia, nullptr, qMax(1, settings.retries));
    }
    if (cancelled())
        return Step::Failed;
    QByteArray frame(CdDisc::FrameBytes, '\0');
    bool good = samples != nullptr && !refused.contains(lsn);
    if (good) {
        std::memcpy(frame.data(), samples, CdDisc::FrameBytes);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
        // paranoia hands out samples in host order; files want little-endian.
        qToLittleEndian<qint16>(frame.constData(), CdDisc::FrameBytes / 2, frame.data());
#endif
    } else {
        // paranoia never got this sector from the drive: whatever it holds is
        // a guess. One more look straight at the drive decides.
        good = readDirect(lsn, 1, frame.data());
        refused.remove(lsn);
    }
    if (!good)
        return lost(lsn, out);
    lostInRow = 0;
    out->append(frame);
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
    if (d->paranoia)
        cdio_paranoia_seek(d->paranoia, d->track.start + d->position, SEEK_SET);
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
