#include "components/cdio/trackreader.h"

#include "components/cdio/cdiolock.h"

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

namespace {

int floorDiv(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

} // namespace

class TrackReader::Private {
public:
    Private(const CdDisc& disc_, const CdTrack& track_, const CdToc& expected_,
            const ReadPlan& plan, std::pair<int, int> audio)
        : disc(disc_), track(track_), expected(expected_), settings(plan.settings),
          offset(qBound(-ReadPlan::MaxOffset, plan.offset, ReadPlan::MaxOffset)) {
        // With an offset the track is read from the frame that holds its
        // first sample, one frame more when that sample is inside a frame.
        const int shift = floorDiv(offset, SamplesPerFrame);
        lead = (offset - shift * SamplesPerFrame) * 4;
        span = track;
        span.start = track.start + shift;
        span.frames = track.frames + (lead > 0 ? 1 : 0);
        readFirst = qMax(0, audio.first);
        readEnd = audio.second >= 0 ? audio.second : expected.leadout();
        if (offset == 0) {
            readFirst = qMin(readFirst, track.start);
            readEnd = qMax(readEnd, track.start + track.frames);
        }
    }

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
                if (attempt > 0)
                    ++stats.reread;
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
    // One frame of the span: the disc's, or silence beyond its audio.
    Step readSpan(QByteArray* out);
    Step readBurst(int lsn, QByteArray* out);
    Step readParanoia(int lsn, QByteArray* out);
    Step lost(int lsn, QByteArray* out);
    bool discGone() const;
    // The next frame of the track, taken out of the span at the offset.
    Step nextShifted(QByteArray* out);
    void seekSpan(int frame);

    // paranoia reads through this. paranoia copes with jitter but not with a
    // drive that refuses a sector (it keeps trying forever), so refusals are
    // settled here with the retry count, and paranoia gets silence for them.
    static long readBlock(cdrom_drive_t* drive, void* buffer, lsn_t begin, long sectors);
    static void paranoiaReport(long, paranoia_cb_mode_t mode);
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
    int offset;
    const std::atomic<bool>* cancel = nullptr;
    FaultFilter faultFilter;
    RetryReport retryReport;

    static constexpr int SamplesPerFrame = 588;
    // The frames read for the track: the track itself moved by the offset.
    CdTrack span;
    int lead = 0;      // bytes of the span's first frame before the track's first sample
    int readFirst = 0; // the disc's audio, which alone is read
    int readEnd = 0;
    int spanPosition = 0;
    QByteArray carry; // span bytes read but not yet handed out
    int dropping = 0; // bytes still to drop from the span after a seek
    bool spanEnded = false;

    int position = 0;
    QString error;
    int lostInRow = 0;
    ReadStats stats;

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

void TrackReader::Private::paranoiaReport(long, paranoia_cb_mode_t mode) {
    if (!active)
        return;
    switch (mode) {
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
        ++active->stats.corrected;
        break;
    default:
        break;
    }
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
    if (settings.mode == ReadMode::Paranoid)
        drive->nsectors = ParanoidBlockFrames;
    // Left unknown, paranoia guesses the byte order from the first sectors'
    // music and gets noise-like or quiet audio wrong. The source knows it.
    drive->bigendianp = track.bigEndian ? 1 : 0;
    driveRead = drive->read_audio;
    drive->read_audio = &Private::readBlock;
    paranoia = cdio_paranoia_init(drive);
    if (!paranoia) {
        paranoiaFailed = true;
        return false;
    }
    // Overlap matching alone takes a period of a steady tone for drive
    // jitter and splices the stream a period early or late, so synch mode
    // verifies as secure does and only leaves out scratch repair. Never
    // retry forever: the retry count bounds each sector.
    const int flags = settings.mode == ReadMode::Synch
                          ? (PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP ^ PARANOIA_MODE_SCRATCH ^
                             PARANOIA_MODE_REPAIR)
                          : (PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    cdio_paranoia_modeset(paranoia, flags);
    const int first = qMax(span.start, readFirst);
    const int last = qMin(span.start + span.frames, readEnd) - 1;
    cdio_paranoia_set_range(paranoia, first, qMax(first, last));
    cdio_paranoia_seek(paranoia, qBound(first, span.start + spanPosition, qMax(first, last)),
                       SEEK_SET);
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
    case ErrorAction::Silence:
        ++stats.silenced;
        out->append(QByteArray(CdDisc::FrameBytes, '\0'));
        return Step::Frame;
    case ErrorAction::Cut:
        ++stats.skipped;
        return Step::Skipped;
    default:
        error = QStringLiteral("Sector %1 of the disc cannot be read.").arg(lsn);
        return Step::Failed;
    }
}

TrackReader::Step TrackReader::Private::readBurst(int lsn, QByteArray* out) {
    if (blockStart < 0 || lsn < blockStart || lsn >= blockStart + blockFrames) {
        const int count = qMin(BurstBlockFrames, qMin(span.start + span.frames, readEnd) - lsn);
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
    const qsizetype at = out->size();
    out->append(block.constData() + (lsn - blockStart) * CdDisc::FrameBytes, CdDisc::FrameBytes);
    if (track.bigEndian)
        qbswap<2>(out->constData() + at, CdDisc::FrameBytes / 2, out->data() + at);
    return Step::Frame;
}

TrackReader::Step TrackReader::Private::readParanoia(int lsn, QByteArray* out) {
    if (!startParanoia()) {
        error = QStringLiteral("The disc cannot be read as audio.");
        return Step::Failed;
    }
    const int16_t* samples = nullptr;
    {
        // Held through paranoia's own reads, which come back through readBlock.
        const CdioLock lock;
        ReadingScope scope(this);
        samples = cdio_paranoia_read_limited(paranoia, &Private::paranoiaReport,
                                             qMax(1, settings.retries));
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

TrackReader::Step TrackReader::Private::readSpan(QByteArray* out) {
    const int lsn = span.start + spanPosition;
    Step step = Step::Frame;
    if (lsn < readFirst || lsn >= readEnd)
        out->append(QByteArray(CdDisc::FrameBytes, '\0'));
    else
        // A sheet over files has nothing paranoia could correct.
        step = settings.mode == ReadMode::Burst || !disc.handle() ? readBurst(lsn, out)
                                                                  : readParanoia(lsn, out);
    if (step != Step::Failed)
        ++spanPosition;
    return step;
}

void TrackReader::Private::seekSpan(int frame) {
    spanPosition = frame;
    carry.clear();
    dropping = lead;
    spanEnded = false;
    if (paranoia) {
        const CdioLock lock;
        const int first = qMax(span.start, readFirst);
        const int last = qMax(first, qMin(span.start + span.frames, readEnd) - 1);
        cdio_paranoia_seek(paranoia, qBound(first, span.start + spanPosition, last), SEEK_SET);
    }
}

TrackReader::Step TrackReader::Private::nextShifted(QByteArray* out) {
    while (!spanEnded && carry.size() < dropping + CdDisc::FrameBytes) {
        if (spanPosition >= span.frames) {
            spanEnded = true;
            break;
        }
        const Step step = readSpan(&carry);
        if (step == Step::Failed)
            return step;
        const int drop = qMin(dropping, int(carry.size()));
        carry.remove(0, drop);
        dropping -= drop;
    }
    if (carry.isEmpty())
        return Step::Skipped;
    const int take = qMin(int(carry.size()), CdDisc::FrameBytes);
    out->append(carry.constData(), take);
    carry.remove(0, take);
    return Step::Frame;
}

TrackReader::TrackReader(const CdDisc& disc, const CdTrack& track, const CdToc& expected,
                         const ReadPlan& plan, std::pair<int, int> audio)
    : d(std::make_unique<Private>(disc, track, expected, plan, audio)) {
    d->seekSpan(0);
}

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
    d->seekSpan(d->position);
}

TrackReader::Step TrackReader::next(QByteArray* out) {
    if (d->position >= d->track.frames)
        return Step::End;
    if (d->cancelled()) {
        d->error = QStringLiteral("Reading was stopped.");
        return Step::Failed;
    }
    // Without an offset the span is the track: frame for frame, and a lost
    // frame under "Cut" is reported as skipped.
    const Step step = d->offset == 0 ? d->readSpan(out) : d->nextShifted(out);
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

ReadStats TrackReader::stats() const {
    return d->stats;
}
