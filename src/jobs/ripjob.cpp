#include "jobs/ripjob.h"

#include "components/iaudiocdgrabber2.h"
#include "components/iaudiofile2.h"
#include "components/ivideofile.h"
#include "jobs/joberror.h"
#include "jobs/outputnaming.h"
#include "jobs/progresstext.h"
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
}

void RipJob::begin() {
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
        end(m_lastFolder);
        return;
    }
    const JobRow& row = m_rows[m_next++];
    m_row = &row;
    emit rowStarted(row.row);
    m_path.clear();
    try {
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
        if (!m_path.isEmpty())
            QFile::remove(m_path);
        fail(row.row, errorText(e));
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
        m_grabber.GrabToFile(m_path, m_writer);
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
    QFile::remove(m_path);
    fail(m_row->row, message);
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
    if (!error.isEmpty()) {
        QFile::remove(m_path);
        fail(row.row, error);
    } else {
        try {
            m_components.tags(m_path, row.tag);
            if (stopped)
                emit rowStopped(row.row, m_path);
            else
                emit rowFinished(row.row, m_path);
        } catch (const std::exception& e) {
            fail(row.row, QStringLiteral("The file was written, but its tags were not: %1")
                              .arg(errorText(e)));
        }
    }
    rowEnded();
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
        m_rm->CreateOutput(m_path, RealMediaFormat);
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
    if (outcome.ok) {
        emit rowFinished(m_row->row, m_path);
    } else {
        QFile::remove(m_path);
        fail(m_row->row, outcome.message);
    }
    rowEnded();
}
