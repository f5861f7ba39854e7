#include "components/cdio/grabtask.h"

#include "checksums/accuraterip.h"
#include "components/cdio/driveuse.h"
#include "components/componenterror.h"

#include <optional>

namespace {

// About a third of a second of audio per write: small enough for a prompt
// stop, large enough that an encoder is not called for every frame.
constexpr int FramesPerWrite = 25;
// Progress is worth a repaint every quarter of a per cent.
constexpr double ProgressStep = 0.25;

} // namespace

GrabTask::GrabTask(Job job, Progress progress, Finished finished, TrackReader::RetryReport retry)
    : m_job(std::move(job)), m_progress(std::move(progress)), m_finished(std::move(finished)),
      m_retry(std::move(retry)) {}

GrabTask::~GrabTask() {
    abort();
    if (m_thread.joinable())
        m_thread.join();
}

void GrabTask::start() {
    m_thread = std::thread([this] {
        try {
            run();
        } catch (const std::exception& e) {
            fail(QString::fromStdString(e.what()));
        } catch (...) {
            fail(QStringLiteral("The track could not be ripped."));
        }
        m_done = true;
    });
}

void GrabTask::abort() {
    m_cancel = true;
    std::lock_guard<std::mutex> lock(m_sinkLock);
    m_detached = true;
}

bool GrabTask::withSink(const std::function<void(RipSink&)>& action) {
    std::lock_guard<std::mutex> lock(m_sinkLock);
    if (m_detached)
        return false;
    action(*m_job.sink);
    return true;
}

void GrabTask::fail(const QString& error) {
    std::lock_guard<std::mutex> lock(m_sinkLock);
    if (m_detached)
        return;
    m_detached = true;
    m_finished(false, error, {});
}

void GrabTask::run() {
    // Until the disc is closed again, the media poller leaves the drive alone.
    const DriveUse use(m_job.drive.path);
    const std::unique_ptr<CdDisc> disc = CdDisc::open(m_job.drive);
    if (!disc) {
        fail(QStringLiteral("The CD drive cannot be opened."));
        return;
    }
    const DiscContents contents = disc->contents(false);
    if (contents.toc() != m_job.toc) {
        fail(QStringLiteral("The disc in the drive has changed; read it again."));
        return;
    }
    TrackReader reader(*disc, contents.trackOf(m_job.range), m_job.toc, m_job.plan, m_job.audio);
    reader.setCancelFlag(&m_cancel);
    reader.setFaultFilter(m_job.faults);
    reader.setRetryReport(m_retry);

    const int total = m_job.range.frames;
    double reported = -ProgressStep;
    // Summed as the PCM passes on to the writer: no second read.
    std::optional<ArTrackChecksum> sums;
    if (m_job.checksums)
        sums.emplace(qint64(total) * ArTrackChecksum::SamplesPerFrame, m_job.firstAudio,
                     m_job.lastAudio);
    std::optional<CtdbTrackChecksum> ctdb;
    if (m_job.checksums && m_job.ctdbTrack >= 0)
        ctdb.emplace(m_job.ctdbDisc, m_job.ctdbTrack);
    QByteArray pcm;
    for (;;) {
        const TrackReader::Step step = reader.next(&pcm);
        if (step == TrackReader::Step::End)
            break;
        if (step == TrackReader::Step::Failed) {
            if (!m_cancel)
                fail(reader.error());
            return;
        }
        if (pcm.size() >= FramesPerWrite * CdDisc::FrameBytes) {
            if (sums)
                sums->add(pcm.constData(), pcm.size());
            if (ctdb)
                ctdb->add(pcm.constData(), pcm.size());
            if (!withSink([&](RipSink& sink) { sink.write(pcm); }))
                return;
            pcm.clear();
        }
        const double percent = 100.0 * reader.position() / total;
        // 100 is kept for the closed sink.
        if (reader.position() < total && percent - reported >= ProgressStep) {
            reported = percent;
            if (!withSink([&](RipSink&) { m_progress(percent); }))
                return;
        }
    }
    std::lock_guard<std::mutex> lock(m_sinkLock);
    if (m_detached)
        return;
    m_detached = true;
    QString error;
    if (sums)
        sums->add(pcm.constData(), pcm.size());
    if (ctdb)
        ctdb->add(pcm.constData(), pcm.size());
    try {
        if (!pcm.isEmpty())
            m_job.sink->write(pcm);
        m_job.sink->close();
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
    }
    const ReadStats stats = reader.stats();
    TrackCheck check;
    if (sums) {
        const ArTrackChecksum& sum = *sums;
        check.complete = sum.isComplete();
        check.crc32 = sum.crc32();
        check.v1 = sum.v1();
        check.v2 = sum.v2();
        check.frame450 = sum.frame450();
    }
    if (ctdb)
        check.ctdb = ctdb->sums();
    check.rereadSectors = stats.reread;
    check.correctedSectors = stats.corrected;
    check.silencedSectors = stats.silenced;
    check.skippedSectors = stats.skipped;
    check.offset = m_job.plan.offset;
    m_finished(error.isEmpty(), error, check);
}
