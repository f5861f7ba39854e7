#include "jobs/conversionjob.h"

#include "components/iaudiofile2.h"
#include "components/ivideofile.h"
#include "filelist/filekinds.h"
#include "jobs/joberror.h"
#include "jobs/outputnaming.h"
#include "jobs/progresstext.h"
#include "tags/tagdispatch.h"

#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

// The RM writer's file format number.
constexpr int RealMediaFormat = 4;
// The video reader's block for RM output, in bytes.
constexpr int VideoToRmBytes = 2304;

template <typename T> std::unique_ptr<T> required(std::unique_ptr<T> component) {
    if (!component)
        throw JobError(QStringLiteral("This kind of file cannot be converted here."));
    return component;
}

QString errorText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

void openVideo(IVideoFile& video, const QString& path) {
    try {
        video.Open(path);
    } catch (const std::exception&) {
        // Some files open only at the second attempt.
        video.Close();
        video.Open(path);
    }
}

void setUpRmWriter(IVideoFile& rm, int codec, int sampleRate, int channels, const QString& path) {
    rm.SetVideoStream(-1);
    rm.SetVideoBitrate(0);
    rm.SetRmAudioCodec(codec + 1);
    // The sound goes in as the source has it; the writer converts it for its codec.
    rm.SetAudioInputFormat(sampleRate, channels);
    rm.CreateOutput(path, RealMediaFormat);
}

} // namespace

struct ConversionJob::Work {
    JobRow row;
    QString path; // the name chosen, then the one the file got
    QString part; // the file written
    bool named = false;
    std::unique_ptr<IAudioFile2> reader;
    std::unique_ptr<IVideoFile> video;
    std::unique_ptr<IAudioFile2> writer;
    std::unique_ptr<IVideoFile> rm;
    QThread* thread = nullptr;

    ~Work() {
        if (thread) {
            thread->wait();
            delete thread;
        }
    }
};

ConversionJob::ConversionJob(JobSettings settings, QVector<JobRow> rows,
                             ConversionComponents components, QObject* parent)
    : Job(std::move(settings), std::move(rows), parent), m_components(std::move(components)) {
    if (!m_components.tags)
        m_components.tags = WriteRowTags;
}

ConversionJob::~ConversionJob() {
    m_stop = true;
    // A row that no one will finish leaves nothing behind.
    for (const std::unique_ptr<Work>& work : m_running) {
        work->thread->wait();
        if (!work->named)
            DiscardOutputFile(work->path);
    }
    m_running.clear();
}

void ConversionJob::stop() {
    m_stop = true;
}

void ConversionJob::setMaxRunningRows(int rows) {
    m_maxRunning = rows > 0 ? rows : std::max(QThread::idealThreadCount(), 1);
}

void ConversionJob::begin() {
    startRows();
}

void ConversionJob::startRows() {
    while (!m_stop && m_next < m_rows.size() && int(m_running.size()) < m_maxRunning)
        startRow(m_rows[m_next++]);
    if (m_running.empty() && (m_stop || m_next >= m_rows.size()))
        end(m_lastRowFolder);
}

void ConversionJob::startRow(const JobRow& row) {
    const bool lastRow = &row == &m_rows.back();
    emit rowStarted(row.row);

    auto work = std::make_unique<Work>();
    work->row = row;
    try {
        // The output file is created here, on the job's thread, so rows
        // started side by side never pick one name.
        const OutputPath output =
            BuildOutputPath(m_settings.outputFolder, m_settings.scheme, row.tag,
                            OutputNameSource{row.caption, false, row.row, row.source}, row.format);
        if (lastRow)
            m_lastRowFolder = output.folder;
        work->path = output.path;
        work->part = output.part;
        if (IsVideoFile(row.source))
            work->video = required(m_components.video());
        else
            work->reader = required(m_components.audioReader());
        if (row.format == FormatRm)
            work->rm = required(m_components.video());
        else
            work->writer = required(m_components.writer(row.format));
    } catch (const std::exception& e) {
        DiscardOutputFile(work->path);
        fail(row.row, errorText(e));
        return;
    }

    Work* running = work.get();
    running->thread = QThread::create([this, running] {
        const Outcome outcome = convert(*running);
        QMetaObject::invokeMethod(
            this, [this, running, outcome] { rowDone(running, outcome); }, Qt::QueuedConnection);
    });
    m_running.push_back(std::move(work));
    running->thread->start();
}

void ConversionJob::rowDone(Work* done, const Outcome& outcome) {
    const auto found =
        std::find_if(m_running.begin(), m_running.end(),
                     [done](const std::unique_ptr<Work>& w) { return w.get() == done; });
    const std::unique_ptr<Work> work = std::move(*found);
    m_running.erase(found);
    if (!outcome.ok)
        DiscardOutputFile(work->path);
    if (outcome.ok)
        emit rowFinished(work->row.row, work->path);
    else
        fail(work->row.row, outcome.message);
    startRows();
}

void ConversionJob::postProgress(int row, int hundredths) {
    QMetaObject::invokeMethod(
        this,
        [this, row, hundredths] {
            emit rowProgress(row, hundredths, HundredthsProgressText(hundredths));
        },
        Qt::QueuedConnection);
}

ConversionJob::Outcome ConversionJob::convert(Work& work) {
    try {
        copy(work);
    } catch (const std::exception& e) {
        // Whatever is open is closed before the unfinished file goes.
        try {
            if (work.writer)
                work.writer->Close();
            if (work.rm)
                work.rm->Close();
        } catch (const std::exception&) {
        }
        return {false, errorText(e)};
    }
    try {
        if (work.row.format != FormatRm)
            m_components.tags(work.part, work.row.tag);
    } catch (const std::exception& e) {
        // A file without the tags it was asked for is not what the user wanted.
        return {
            false,
            QStringLiteral("The file was written, but its tags were not: %1").arg(errorText(e))};
    }
    try {
        work.path = CommitOutputFile(work.path);
        work.named = true;
    } catch (const std::exception& e) {
        return {false, errorText(e)};
    }
    return {};
}

// Reads the source block by block into the output until its end or Stop;
// after Stop the file holds what was read so far.
void ConversionJob::copy(Work& work) {
    const JobRow& row = work.row;
    const bool toRm = row.format == FormatRm;
    int rate = 0;
    int channels = 0;
    std::function<QByteArray()> read;
    std::function<int(const QByteArray&)> progress;
    qint64 frames = 0;
    if (work.video) {
        openVideo(*work.video, row.source);
        rate = work.video->GetSampleRate();
        channels = work.video->GetChannels();
        const int bytes = toRm ? VideoToRmBytes : rate * channels * 2;
        read = [&work, bytes] { return work.video->ReadAudio(bytes); };
        progress = [&](const QByteArray&) {
            return ProgressHundredths(work.video->GetPosition(), work.video->GetLength());
        };
    } else {
        work.reader->Open(row.source);
        rate = work.reader->GetSampleRate();
        channels = work.reader->GetChannels();
        const int blockAlign = std::max(work.reader->GetBlockAlign(), 1);
        const qint64 length = work.reader->GetLength();
        // One second per block; half a second into RM.
        const int block = std::max(toRm ? rate / 2 : rate, 1);
        read = [&, block] { return work.reader->Read(block); };
        progress = [&, blockAlign, length](const QByteArray& pcm) {
            frames += pcm.size() / blockAlign;
            return ProgressHundredths(frames, length);
        };
    }

    std::function<void(const QByteArray&)> write;
    if (toRm) {
        setUpRmWriter(*work.rm, m_settings.rmCodec, rate, channels, work.part);
        write = [&](const QByteArray& pcm) { work.rm->WriteAudio(pcm); };
    } else {
        work.writer->SetInputFormat(rate, channels);
        work.writer->Create(work.part);
        work.writer->SetInputFormat(rate, channels);
        write = [&](const QByteArray& pcm) { work.writer->Write(pcm); };
    }

    int shown = -1;
    while (!m_stop) {
        const QByteArray pcm = read();
        if (pcm.isEmpty())
            break;
        const int hundredths = progress(pcm);
        if (hundredths != shown) {
            shown = hundredths;
            postProgress(row.row, hundredths);
        }
        write(pcm);
    }

    if (work.video)
        work.video->Close();
    else
        work.reader->Close();
    if (toRm)
        work.rm->Close();
    else
        work.writer->Close();
}
