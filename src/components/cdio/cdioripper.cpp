#include "components/cdio/cdioripper.h"

#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/driveuse.h"
#include "components/cdio/grabtask.h"
#include "components/componenterror.h"

struct CdioRipper::Plan {
    CdDrive drive;
    RipRange range;
    CdToc toc;
    ReadSettings settings;
    int offset = 0;
    // Where the disc's audio lies, and whether the range starts or ends it:
    // the checksums leave out the disc's edges.
    std::pair<int, int> audio{0, -1};
    bool firstAudio = false;
    bool lastAudio = false;
    // The disc as CTDB sums it, and the range's place among its audio
    // tracks (-1: none, as the audio before track 1).
    CtdbDisc ctdbDisc;
    int ctdbTrack = -1;
};

namespace {

// A range of the disc read on the caller's thread. The media poller leaves
// the drive alone while it is open.
class CdioTrackStream : public TrackStream {
public:
    CdioTrackStream(std::unique_ptr<DriveUse> use, std::unique_ptr<CdDisc> disc, CdTrack track,
                    CdToc toc, ReadPlan plan, std::pair<int, int> audio,
                    TrackReader::FaultFilter faults)
        : m_use(std::move(use)), m_disc(std::move(disc)), m_track(track), m_toc(std::move(toc)),
          m_plan(plan), m_audio(audio), m_faults(std::move(faults)) {}

    int length() const override { return m_track.frames; }

    QByteArray read(int frames) override {
        TrackReader& reader = this->reader();
        QByteArray pcm;
        // Frames cut out under "Cut" count against the request, yet only the
        // end of the range answers with nothing.
        for (int done = 0; done < frames || (pcm.isEmpty() && done > 0);) {
            const TrackReader::Step step = reader.next(&pcm);
            if (step == TrackReader::Step::End)
                break;
            if (step == TrackReader::Step::Failed)
                throw ComponentError(reader.error());
            ++done;
        }
        return pcm;
    }

    void seek(int frame) override { reader().seek(qBound(0, frame, m_track.frames)); }

private:
    TrackReader& reader() {
        if (!m_reader) {
            m_reader = std::make_unique<TrackReader>(*m_disc, m_track, m_toc, m_plan, m_audio);
            m_reader->setFaultFilter(m_faults);
        }
        return *m_reader;
    }

    std::unique_ptr<DriveUse> m_use;
    std::unique_ptr<CdDisc> m_disc;
    CdTrack m_track;
    CdToc m_toc;
    ReadPlan m_plan;
    std::pair<int, int> m_audio;
    TrackReader::FaultFilter m_faults;
    std::unique_ptr<TrackReader> m_reader;
};

} // namespace

CdioRipper::CdioRipper(CdioDiscReader& reader, QObject* parent)
    : TrackRipper(parent), m_reader(reader) {}

CdioRipper::~CdioRipper() {
    // The tasks wait for their threads, which may still be writing.
    m_tasks.clear();
}

int CdioRipper::readOffset(const Disc& disc) {
    return m_offsetOverride ? *m_offsetOverride : m_reader.readOffset(disc.drive);
}

CdioRipper::Plan CdioRipper::plan(const Disc& disc, RipRange range) {
    const std::optional<CdDrive> drive = m_reader.drive(disc.drive);
    if (!drive || disc.isEmpty())
        throw ComponentError(QStringLiteral("There is no disc in the drive."));
    Plan plan;
    plan.drive = *drive;
    plan.range = range;
    plan.toc = disc.toc();
    plan.settings = m_settings;
    plan.offset = readOffset(disc);
    int first = -1;
    int end = 0;
    for (const DiscTrack& track : disc.tracks) {
        if (!track.audio)
            continue;
        if (first < 0)
            first = track.start;
        end = qMax(end, track.start + track.frames);
    }
    // The range is a track, or the audio before track 1, which is the disc's
    // from its first sector on.
    const int hidden = disc.layout.hiddenFrames();
    const bool beforeFirst = hidden > 0 && range.first == 0 && range.frames == hidden;
    int number = 0;
    for (int i = 0; i < disc.tracks.size() && !beforeFirst && number == 0; ++i)
        if (disc.tracks[i].start == range.first && disc.tracks[i].frames == range.frames)
            number = i + 1;
    if (!beforeFirst && number == 0)
        throw ComponentError(QStringLiteral("There is no such track on the disc."));
    if (number > 0 && !disc.tracks[number - 1].audio)
        throw ComponentError(
            QStringLiteral("Track %1 is a data track; it holds no audio.").arg(number));
    plan.audio = {hidden > 0 ? 0 : qMax(0, first), end};
    plan.firstAudio = number > 0 && range.first == first;
    plan.lastAudio = number > 0 && range.first + range.frames == end;
    plan.ctdbDisc = CtdbDisc::fromLayout(disc.layout);
    plan.ctdbTrack = number > 0 ? disc.layout.audioIndex(number - 1) : -1;
    return plan;
}

void CdioRipper::reapTasks() {
    for (auto it = m_tasks.begin(); it != m_tasks.end();) {
        if (it->second->isDone())
            it = m_tasks.erase(it);
        else
            ++it;
    }
}

void CdioRipper::rip(const Disc& disc, RipRange range, std::shared_ptr<RipSink> sink) {
    reapTasks();
    if (m_activeTask != 0)
        throw ComponentError(QStringLiteral("A track is being ripped already."));
    if (!sink)
        throw ComponentError(QStringLiteral("There is nowhere to rip to."));
    const Plan p = plan(disc, range);
    GrabTask::Job job;
    job.drive = p.drive;
    job.range = p.range;
    job.toc = p.toc;
    job.plan = ReadPlan{p.settings, p.offset};
    job.sink = std::move(sink);
    job.faults = m_faults;
    job.audio = p.audio;
    job.firstAudio = p.firstAudio;
    job.lastAudio = p.lastAudio;
    job.ctdbDisc = p.ctdbDisc;
    job.ctdbTrack = p.ctdbTrack;
    job.checksums = m_checksums;

    const quint64 id = ++m_lastTask;
    // Reports come from the task's thread and are handed to this one.
    auto progress = [this, id](double percent) {
        QMetaObject::invokeMethod(
            this, [this, id, percent] { taskProgress(id, percent); }, Qt::QueuedConnection);
    };
    auto finished = [this, id](bool ok, const QString& error, const TrackCheck& check) {
        QMetaObject::invokeMethod(
            this, [this, id, ok, error, check] { taskFinished(id, ok, error, check); },
            Qt::QueuedConnection);
    };
    auto retry = [this](int attempt, int lsn) {
        QMetaObject::invokeMethod(
            this, [this, attempt, lsn] { emit ripRetried(attempt, lsn); }, Qt::QueuedConnection);
    };
    m_tasks.emplace_back(id, std::make_unique<GrabTask>(job, progress, finished, retry));
    m_activeTask = id;
    m_lastError.clear();
    m_tasks.back().second->start();
}

void CdioRipper::taskProgress(quint64 task, double percent) {
    if (task == m_activeTask)
        emit ripProgress(percent);
}

void CdioRipper::taskFinished(quint64 task, bool ok, const QString& error,
                              const TrackCheck& check) {
    if (task != m_activeTask)
        return;
    m_activeTask = 0;
    reapTasks();
    if (ok) {
        emit ripFinished(check);
    } else {
        m_lastError = error;
        emit ripFailed(error);
    }
}

void CdioRipper::abort() {
    for (auto& task : m_tasks)
        if (task.first == m_activeTask)
            task.second->abort();
    m_activeTask = 0;
}

std::unique_ptr<TrackStream> CdioRipper::open(const Disc& disc, RipRange range) {
    const Plan p = plan(disc, range);
    auto use = std::make_unique<DriveUse>(p.drive.path);
    std::unique_ptr<CdDisc> opened = CdDisc::open(p.drive);
    const DiscContents contents = opened ? opened->contents(false) : DiscContents{};
    if (!opened || contents.toc() != p.toc)
        throw ComponentError(QStringLiteral("The disc in the drive has changed; read it again."));
    return std::make_unique<CdioTrackStream>(std::move(use), std::move(opened),
                                             contents.trackOf(p.range), p.toc,
                                             ReadPlan{p.settings, p.offset}, p.audio, m_faults);
}
