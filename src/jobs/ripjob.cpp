#include "jobs/ripjob.h"

#include "cd/accurateripclient.h"
#include "components/iaudiocdgrabber2.h"
#include "components/iaudiofile2.h"
#include "components/ivideofile.h"
#include "jobs/joberror.h"
#include "jobs/outputnaming.h"
#include "jobs/progresstext.h"
#include "platform/version.h"
#include "tags/tagdispatch.h"

#include <cmath>
#include <QFile>
#include <QThread>

namespace {

constexpr int CdFrameBytes = 2352;
constexpr int CdRate = 44100;
constexpr int CdChannels = 2;
constexpr int RealMediaFormat = 4;

QString errorText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

} // namespace

RipJob::RipJob(JobSettings settings, QVector<JobRow> rows, IAudioCDGrabber2& grabber,
               RipComponents components, QObject* parent)
    : Job(std::move(settings), std::move(rows), parent), m_grabber(grabber),
      m_components(std::move(components)) {
    if (!m_components.tags)
        m_components.tags = WriteRowTags;
}

RipJob::~RipJob() {
    m_stop = true;
    if (m_state == State::Grabbing) {
        m_grabber.AbortGrab();
        closeWriterQuietly();
    }
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
        try {
            m_grabber.StopReading();
            m_grabber.EndRawRead();
        } catch (const std::exception&) {
        }
    }
    // A row that no one will finish leaves nothing behind.
    if (m_state != State::Idle)
        DiscardOutputFile(m_path);
}

void RipJob::begin() {
    m_layout = m_grabber.GetDiscLayout();
    m_offset = m_grabber.GetReadOffset();
    const AccurateRipId id = m_layout.accurateRipId();
    // The database is asked while the first track is read, so that its
    // answer is there when the track is done.
    if (m_components.check.lookUp && id.isValid()) {
        m_accurateRip = std::make_unique<AccurateRipClient>(m_components.check.server,
                                                            m_components.check.cacheFolder);
        m_accurateRip->setTimeout(m_components.check.timeoutMs);
        connect(m_accurateRip.get(), &AccurateRipClient::finished, this,
                [this](const AccurateRipId&, const QVector<ArChunk>& chunks, bool notFound,
                       const QString& error) { lookupDone(chunks, notFound, error); });
        m_lookupPending = true;
        m_accurateRip->lookup(id);
    } else if (m_components.check.lookUp) {
        m_discVerdict = ArVerdict::lookupFailed(QStringLiteral("the disc has no audio track"));
    }
    m_progressConnection =
        connect(&m_grabber, &IAudioCDGrabber2::OnOperationProgress, this, &RipJob::grabProgress);
    m_errorConnection =
        connect(&m_grabber, &IAudioCDGrabber2::OnGrabError, this, &RipJob::grabFailed);
    nextRow();
}

void RipJob::stop() {
    if (m_stop.exchange(true) || !isRunning())
        return;
    if (m_state == State::Grabbing) {
        m_grabber.AbortGrab();
        // The grabber leaves the writer alone from now on; the row ends from the event loop.
        QMetaObject::invokeMethod(
            this, [this] { finishGrab(true); }, Qt::QueuedConnection);
    }
}

void RipJob::nextRow() {
    m_state = State::Idle;
    m_row = nullptr;
    if (m_stop || m_next >= m_rows.size()) {
        disconnect(m_progressConnection);
        disconnect(m_errorConnection);
        complete();
        return;
    }
    const JobRow& row = m_rows[m_next++];
    m_row = &row;
    emit rowStarted(row.row);
    m_path.clear();
    try {
        // m_path: the name chosen while the row is written to its part file, then the one it got.
        const OutputPath output =
            BuildOutputPath(m_settings.outputFolder, m_settings.scheme, row.tag,
                            OutputNameSource{row.caption, true, row.track, {}}, row.format);
        m_lastFolder = output.folder;
        m_path = output.path;
        if (row.format == FormatRm)
            startRmCopy(row);
        else
            startGrab(row);
    } catch (const std::exception& e) {
        closeWriterQuietly();
        m_writer.reset();
        m_rm.reset();
        DiscardOutputFile(m_path);
        fail(row.row, errorText(e));
        m_logTracks[row.row].failure = errorText(e);
        rowEnded();
    }
}

void RipJob::rowEnded() {
    m_state = State::Idle;
    QMetaObject::invokeMethod(this, &RipJob::nextRow, Qt::QueuedConnection);
}

void RipJob::closeWriterQuietly() {
    try {
        if (m_writer && m_writer->GetIsOpen())
            m_writer->Close();
    } catch (const std::exception&) {
    }
}

// ------------------------------------------------------------ MP3, WAV, WMA, OGG

void RipJob::startGrab(const JobRow& row) {
    std::unique_ptr<IAudioFile2> writer = m_components.writer(row.format);
    if (!writer)
        throw JobError(QStringLiteral("There is no writer for this format."));
    m_writer = std::move(writer);
    m_grabber.EndRawRead();
    m_grabber.SelectTrack(row.track);
    m_state = State::Grabbing;
    try {
        m_grabber.GrabToFile(PartFileOf(m_path), m_writer);
    } catch (...) {
        m_state = State::Idle;
        throw;
    }
    // Stop pressed while the row was announced: the rip ends at once, as a stopped one.
    if (m_stop) {
        m_grabber.AbortGrab();
        QMetaObject::invokeMethod(
            this, [this] { finishGrab(true); }, Qt::QueuedConnection);
    }
}

void RipJob::grabProgress(double percent) {
    if (m_state != State::Grabbing || m_stop)
        return;
    if (percent == 100.0) {
        finishGrab(false);
        return;
    }
    const int hundredths = std::clamp(int(std::lround(percent * 100)), 0, 9999);
    emit rowProgress(m_row->row, hundredths, RipProgressText(percent));
}

void RipJob::grabFailed(const QString& message) {
    if (m_state != State::Grabbing || m_stop)
        return;
    closeWriterQuietly();
    m_writer.reset();
    DiscardOutputFile(m_path);
    fail(m_row->row, message);
    m_logTracks[m_row->row].failure = message;
    rowEnded();
}

void RipJob::finishGrab(bool stopped) {
    if (m_state != State::Grabbing)
        return;
    const JobRow& row = *m_row;
    QString error;
    try {
        if (m_writer->GetIsOpen())
            m_writer->Close();
    } catch (const std::exception& e) {
        error = errorText(e);
    }
    m_writer.reset();
    if (error.isEmpty()) {
        try {
            m_components.tags(PartFileOf(m_path), row.tag);
        } catch (const std::exception& e) {
            // A file without the tags it was asked for is not what the user wanted.
            error =
                QStringLiteral("The file was written, but its tags were not: %1").arg(errorText(e));
        }
    }
    if (error.isEmpty()) {
        // A stopped row keeps what was ripped, under its own name: the user asked for it.
        try {
            m_path = CommitOutputFile(m_path);
        } catch (const std::exception& e) {
            error = errorText(e);
        }
    }
    if (!error.isEmpty()) {
        DiscardOutputFile(m_path);
        fail(row.row, error);
        m_logTracks[row.row].failure = error;
    } else {
        if (stopped)
            emit rowStopped(row.row, m_path);
        else
            emit rowFinished(row.row, m_path);
        rowChecked(row, m_path, stopped);
    }
    rowEnded();
}

// ------------------------------------------------------------ checking

void RipJob::rowChecked(const JobRow& row, const QString& path, bool stopped) {
    RipLog::Track& track = m_logTracks[row.row];
    track.number = row.track + 1;
    track.output = path;
    track.stopped = stopped;
    if (!stopped && row.format != FormatRm)
        track.check = m_grabber.GetTrackCheck();
    verify(row.row);
}

void RipJob::lookupDone(const QVector<ArChunk>& chunks, bool notFound, const QString& error) {
    m_lookupPending = false;
    m_chunks = chunks;
    if (notFound) {
        m_discVerdict.status = ArVerdict::NotInDatabase;
    } else if (!error.isEmpty()) {
        m_discVerdict = ArVerdict::lookupFailed(error);
    }
    for (const auto& [row, track] : m_logTracks)
        verify(row);
    if (m_completing)
        complete();
}

void RipJob::verify(int row) {
    if (m_lookupPending || !m_components.check.lookUp)
        return;
    RipLog::Track& track = m_logTracks[row];
    if (!track.failure.isEmpty() || track.stopped || track.verdict.status != ArVerdict::Unknown)
        return;
    const int audioIndex = m_layout.audioIndex(track.number - 1);
    if (!track.check.complete)
        track.verdict = ArVerdict::lookupFailed(track.check.skippedSectors > 0
                                                    ? QStringLiteral("sectors were left out")
                                                    : QStringLiteral("its audio was not checked"));
    else if (m_discVerdict.status != ArVerdict::Unknown)
        track.verdict = m_discVerdict;
    else
        track.verdict = verifyTrack(m_chunks, audioIndex, track.check.v1, track.check.v2);
    emit rowVerified(row, track.verdict);
}

void RipJob::complete() {
    m_completing = true;
    if (m_lookupPending)
        return; // the answer, or its time-out, completes the job
    m_completing = false;
    if (m_components.check.writeLog && !m_logTracks.empty())
        writeLog();
    end(m_lastFolder);
}

void RipJob::writeLog() {
    RipLog log;
    log.version = orvelleVersion();
    const QString vendor = m_grabber.GetDriveVendor();
    const QString product = m_grabber.GetDriveProduct();
    log.drive = QStringLiteral("%1 %2 (%3)").arg(vendor, product, m_grabber.GetDriveId()).trimmed();
    log.readMode = m_components.check.readMode;
    log.retries = m_components.check.retries;
    log.errorAction = m_components.check.errorAction;
    log.offset = m_offset;
    log.layout = m_layout;
    if (!m_components.check.lookUp)
        log.lookup = QStringLiteral("not asked");
    else if (m_discVerdict.status != ArVerdict::Unknown)
        log.lookup = m_discVerdict.text();
    else
        log.lookup = QStringLiteral("found, %1 pressing(s)").arg(m_chunks.size());
    QString album;
    for (const JobRow& row : m_rows) {
        if (album.isEmpty())
            album = row.tag.Album;
        const auto found = m_logTracks.find(row.row);
        if (found != m_logTracks.end()) {
            found->second.number = row.track + 1;
            log.tracks << found->second;
        }
    }
    if (m_lastFolder.isEmpty())
        return;
    try {
        // Its own name beside the files; an existing log is never replaced.
        m_logPath = ReserveOutputFile(m_lastFolder, RipLog::fileName(album));
        QFile file(m_logPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(log.text().toUtf8()) < 0 ||
            !file.flush()) {
            file.remove();
            m_logPath.clear();
        }
    } catch (const std::exception&) {
        m_logPath.clear();
    }
}

// ------------------------------------------------------------ RM

void RipJob::startRmCopy(const JobRow& row) {
    m_rm = m_components.rm();
    if (!m_rm)
        throw JobError(QStringLiteral("There is no RM writer."));
    m_grabber.EndRawRead();
    m_grabber.SelectTrack(row.track);
    const int trackFrames = m_grabber.GetTrackLength();
    m_grabber.BeginRawRead();
    m_grabber.StartReading();
    m_state = State::Copying;
    const int index = row.row;
    m_worker = QThread::create([this, index, trackFrames] {
        const RmOutcome outcome = copyRaw(index, trackFrames);
        QMetaObject::invokeMethod(
            this, [this, outcome] { rmDone(outcome); }, Qt::QueuedConnection);
    });
    m_worker->start();
}

// On the worker: raw blocks of the track into the RM writer until the end or Stop.
RipJob::RmOutcome RipJob::copyRaw(int row, int trackFrames) {
    try {
        m_rm->SetVideoStream(-1);
        m_rm->SetVideoBitrate(0);
        m_rm->SetRmAudioCodec(m_settings.rmCodec + 1);
        m_rm->SetAudioInputFormat(CdRate, CdChannels);
        m_rm->CreateOutput(PartFileOf(m_path), RealMediaFormat);
        qint64 bytes = 0;
        int shown = -1;
        while (!m_stop) {
            const QByteArray pcm = m_grabber.ReadRawAudio(RawReadFrames);
            if (pcm.isEmpty())
                break;
            bytes += pcm.size();
            const int hundredths = ProgressHundredths(bytes / CdFrameBytes, trackFrames);
            if (hundredths != shown) {
                shown = hundredths;
                QMetaObject::invokeMethod(
                    this,
                    [this, row, hundredths] {
                        emit rowProgress(row, hundredths, HundredthsProgressText(hundredths));
                    },
                    Qt::QueuedConnection);
            }
            m_rm->WriteAudio(pcm);
        }
        m_rm->Close();
    } catch (const std::exception& e) {
        try {
            m_rm->Close();
        } catch (const std::exception&) {
        }
        return {false, errorText(e)};
    }
    return {};
}

void RipJob::rmDone(const RmOutcome& outcome) {
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    m_rm.reset();
    try {
        m_grabber.StopReading();
        m_grabber.EndRawRead();
    } catch (const std::exception&) {
    }
    bool ok = outcome.ok;
    QString error = outcome.message;
    if (ok) {
        try {
            m_path = CommitOutputFile(m_path);
        } catch (const std::exception& e) {
            ok = false;
            error = errorText(e);
        }
    }
    if (ok) {
        emit rowFinished(m_row->row, m_path);
        // RM is read raw, past the checksums: the row is listed unchecked.
        rowChecked(*m_row, m_path, false);
    } else {
        DiscardOutputFile(m_path);
        fail(m_row->row, error);
    }
    rowEnded();
}
