#include "jobs/conversionjob.h"

#include "components/audioreader.h"
#include "components/audiowriter.h"
#include "components/videoreader.h"
#include "filelist/filekinds.h"
#include "jobs/outputnaming.h"
#include "jobs/progresstext.h"
#include "jobs/rowcopy.h"
#include "tags/tagdispatch.h"

#include <algorithm>
#include <QFileInfo>

ConversionJob::ConversionJob(JobSettings settings, QVector<JobRow> rows, JobParts parts,
                             QObject* parent)
    : Job(std::move(settings), std::move(rows), parent), m_parts(std::move(parts)) {
    if (!m_parts.tags)
        m_parts.tags = writeOutputTags;
}

ConversionJob::~ConversionJob() {
    m_stop = true;
    m_album.wait();
    // Each row waits for its worker; one that no one will finish leaves nothing behind.
    m_running.clear();
}

void ConversionJob::stop() {
    m_stop = true;
}

void ConversionJob::interrupt() {
    for (const std::unique_ptr<RowCopy>& copy : m_running)
        copy->interruptCut();
    m_stop = true;
}

void ConversionJob::begin() {
    QStringList sources;
    for (const JobRow& row : m_rows)
        sources << row.source;
    m_inputs = fileIdsOf(sources);
    startRows();
}

void ConversionJob::startRows() {
    while (!m_stop && m_next < m_rows.size() && int(m_running.size()) < m_maxRunning)
        startRow(m_rows[m_next++]);
    if (!m_running.empty() || (!m_stop && m_next < m_rows.size()) || m_album.started())
        return;
    if (!m_held.empty()) {
        albumsUnfinishedFrom(m_next);
        std::vector<RowCopy*> held;
        for (const std::unique_ptr<RowCopy>& copy : m_held)
            held.push_back(copy.get());
        m_album.start(this, held, m_unfinishedAlbums, [this] { albumDone(); });
        return;
    }
    end(m_lastRowFolder);
}

void ConversionJob::startRow(const JobRow& listed) {
    const bool lastRow = &listed == &m_rows.back();
    const JobRow row = current(listed);
    emit rowStarted(row.row);

    std::vector<RowCopy::Output> outputs;
    std::unique_ptr<RowCopy> copy;
    try {
        // The output files are created here, on the job's thread, so rows
        // started side by side never pick one name.
        outputs = reserveOutputs(
            row, OutputNameSource{row.caption, false, row.row, row.source}, m_inputs,
            [this, encoders = encoders()](OutputFormat format) {
                return format == FormatRm
                           ? rmSink(m_parts.rm ? m_parts.rm() : nullptr, rmCodec())
                           : writerSink(m_parts.writer ? m_parts.writer(format, encoders)
                                                       : nullptr);
            });
        if (lastRow)
            for (const RowCopy::Output& output : outputs)
                if (m_lastRowFolder.isEmpty() && output.sink)
                    m_lastRowFolder = QFileInfo(output.path).path() + QLatin1Char('/');
        // RM takes the source in blocks of its own; WAV and FLAC keep what the
        // source has; the lossy encoders take 16-bit stereo at most, and
        // convert what a lossless file keeps when a row makes both.
        const auto makes = [&outputs](std::initializer_list<OutputFormat> formats) {
            return std::any_of(outputs.begin(), outputs.end(), [&](const RowCopy::Output& o) {
                return std::find(formats.begin(), formats.end(), o.format) != formats.end();
            });
        };
        const SourceUse use = makes({FormatRm})                ? SourceUse::Rm
                              : makes({FormatWav, FormatFlac}) ? SourceUse::Lossless
                                                               : SourceUse::Lossy;
        std::unique_ptr<PcmSource> source =
            isVideoFile(row.source)
                ? videoSoundSource(m_parts.video ? m_parts.video() : nullptr, row.source, use)
                : audioFileSource(m_parts.audioReader ? m_parts.audioReader() : nullptr, row.source,
                                  use);
        copy = std::make_unique<RowCopy>(row, std::move(source), std::move(outputs), m_parts.tags,
                                         m_stop, m_settings.replayGain, m_settings.replayGainPeak);
    } catch (const std::exception& e) {
        for (const RowCopy::Output& output : outputs)
            discardOutputFile(output.path);
        albumUnfinished(row);
        fail(row.row, QString::fromUtf8(e.what()));
        return;
    }

    copy->takeCoverFrom(m_parts.covers);
    copy->setRequireComplete(m_settings.requireComplete);
    RowCopy* running = copy.get();
    m_running.push_back(std::move(copy));
    const int index = row.row;
    running->start(
        [this, index](int hundredths) {
            QMetaObject::invokeMethod(
                this,
                [this, index, hundredths] {
                    emit rowProgress(index, hundredths, hundredthsProgressText(hundredths));
                },
                Qt::QueuedConnection);
        },
        [this, running] {
            QMetaObject::invokeMethod(
                this, [this, running] { rowDone(running); }, Qt::QueuedConnection);
        });
}

void ConversionJob::rowDone(RowCopy* done) {
    std::unique_ptr<RowCopy> copy = takeOut(m_running, done);
    if (!copy)
        return;
    copy->wait();
    const RowCopy::Result& result = copy->result();
    // A row that has a file in some format was measured whole: its album stays complete.
    if (result.written().isEmpty() || result.stopped)
        albumUnfinished(copy->row());
    // A held row ends with its album.
    if (result.held)
        m_held.push_back(std::move(copy));
    else
        finishRow(*copy);
    startRows();
}

void ConversionJob::finishRow(const RowCopy& copy) {
    if (copy.result().path.isEmpty()) {
        emit rowStopped(copy.row().row, QString());
        return;
    }
    const RowCopy::Result& result = copy.result();
    setOutputs(copy.row().row, result.outputs);
    // What a file carries is said only of a row that has one.
    if (result.written().isEmpty()) {
        fail(copy.row().row, result.message);
        return;
    }
    setGain(copy.row().row, result.gain);
    setNotes(copy.row().row, {result.conversion, result.damage});
    if (!result.ok) {
        fail(copy.row().row, result.message);
        return;
    }
    emit rowFinished(copy.row().row, result.path);
}

void ConversionJob::albumDone() {
    m_album.wait();
    for (const std::unique_ptr<RowCopy>& copy : m_held)
        finishRow(*copy);
    m_held.clear();
    end(m_lastRowFolder);
}
