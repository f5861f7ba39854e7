#include "jobs/ripjob.h"

#include "cd/accurateripclient.h"
#include "cd/ctdbclient.h"
#include "components/audiowriter.h"
#include "components/trackripper.h"
#include "components/videoreader.h"
#include "jobs/cuesheet.h"
#include "jobs/deemphasissource.h"
#include "jobs/folderpicture.h"
#include "jobs/outputnaming.h"
#include "jobs/pcmpipe.h"
#include "jobs/progresstext.h"
#include "jobs/rowcopy.h"
#include "platform/version.h"
#include "tags/tagdispatch.h"

#include <algorithm>
#include <cmath>
#include <QFileInfo>
#include <utility>

namespace {

constexpr int CdFrameBytes = 2352;

bool isLossless(OutputFormat format) {
    return format == FormatWav || format == FormatFlac;
}

// A text file beside the rip's files under its own name, through the folder
// they went to, never over an existing file; its path, or empty when it could
// not be written.
QString writeBeside(const std::shared_ptr<const OutputFolder>& folder, const QString& name,
                    const QString& text) {
    if (!folder)
        return {};
    try {
        return saveOutputFile(folder, name, text.toUtf8());
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

JobRow wholeDiscRow(JobRow first) {
    first.track = Disc::WholeDisc;
    first.caption = first.tag.album;
    first.tag.title = first.tag.album;
    return first;
}

// A track in flight: read by the ripper into its pipe, encoded by its copy.
struct RipJob::Track {
    JobRow row;
    std::shared_ptr<PcmPipe> pipe;
    std::unique_ptr<RowCopy> copy;
    std::atomic<bool> stop{false}; // ends its copy at the next block
    bool read = false;             // the ripper is done with it
    TrackCheck check;              // the checksums of a complete read
    int shown = -1;                // the encoding progress shown last
    // The whole disc as one file: the tracks read one after the other into
    // the pipe (the hidden part first), and each one's checksums.
    QVector<int> segments;
    int segment = 0;
    qint64 framesRead = 0;
    qint64 frames = 0;
    QVector<TrackCheck> checks;
};

RipJob::RipJob(JobSettings settings, QVector<JobRow> rows, TrackRipper& ripper, NamedDisc disc,
               JobParts parts, QObject* parent)
    : Job(std::move(settings), std::move(rows), parent), m_ripper(ripper), m_disc(std::move(disc)),
      m_parts(std::move(parts)), m_buffer(std::make_shared<PcmBuffer>(PcmBudgetBytes)) {
    if (!m_parts.tags)
        m_parts.tags = writeOutputTags;
}

RipJob::~RipJob() {
    m_stop = true;
    for (const std::unique_ptr<Track>& track : m_tracks)
        track->stop = true;
    if (m_reading) {
        m_reading->pipe->finish();
        m_ripper.abort();
    }
    // Each copy waits for its encoder; a row that no one will finish leaves nothing behind.
    m_tracks.clear();
}

void RipJob::begin() {
    m_layout = m_disc.disc.layout;
    // The release's barcode as MusicBrainz knows it wins over the disc's own.
    m_barcode = m_disc.found.barcode;
    if (!m_barcode.isEmpty() && !m_layout.catalog.isEmpty() && m_barcode != m_layout.catalog)
        m_layout.notes << QStringLiteral("The barcode from MusicBrainz, %1, is tagged in place "
                                         "of the disc's catalog number.")
                              .arg(m_barcode);
    if (m_barcode.isEmpty())
        m_barcode = m_layout.catalog;
    m_offset = m_ripper.readOffset(m_disc.disc);
    m_cover = m_disc.found.cover;
    m_coverNote = m_cover.isEmpty() ? m_disc.found.coverNote : QString();
    const AccurateRipId id = m_layout.accurateRipId();
    // The database is asked while the first track is read, so that its
    // answer is there when the track is done.
    if (m_settings.check.lookUp && id.isValid()) {
        m_accurateRip = std::make_unique<AccurateRipClient>(m_settings.check.server,
                                                            m_settings.check.cacheRoot);
        m_accurateRip->setTimeout(m_settings.check.timeoutMs);
        connect(m_accurateRip.get(), &AccurateRipClient::finished, this,
                [this](const AccurateRipId&, const QVector<ArChunk>& chunks, bool notFound,
                       const QString& error) { lookupDone(chunks, notFound, error); });
        ++m_lookupsPending;
        m_accurateRip->lookup(id);
    } else if (m_settings.check.lookUp) {
        m_discVerdict = ArVerdict::lookupFailed(QStringLiteral("the disc has no audio track"));
    }
    m_ctdbDisc = CtdbDisc::fromLayout(m_layout);
    if (m_settings.check.lookUpCtdb && m_ctdbDisc.isValid()) {
        m_ctdb =
            std::make_unique<CtdbClient>(m_settings.check.ctdbServer, m_settings.check.cacheRoot);
        m_ctdb->setTimeout(m_settings.check.timeoutMs);
        connect(m_ctdb.get(), &CtdbClient::finished, this, &RipJob::ctdbDone);
        ++m_lookupsPending;
        m_ctdb->lookup(m_layout);
    } else if (m_settings.check.lookUpCtdb) {
        m_ctdbDiscVerdict = CtdbVerdict::lookupFailed(
            QStringLiteral("the disc has too little audio, or data between its audio tracks"));
    }
    m_ripConnections = {connect(&m_ripper, &TrackRipper::ripProgress, this, &RipJob::ripProgress),
                        connect(&m_ripper, &TrackRipper::ripFinished, this, &RipJob::ripFinished),
                        connect(&m_ripper, &TrackRipper::ripFailed, this, &RipJob::ripFailed)};
    nextRow();
}

void RipJob::stop() {
    if (m_stop.exchange(true) || !isRunning())
        return;
    // The track being read keeps what was read, as a file cut short; the
    // tracks being encoded end at their next block.
    for (const std::unique_ptr<Track>& track : m_tracks)
        if (track.get() != m_reading)
            track->stop = true;
    if (m_reading) {
        m_reading->copy->markStopped();
        m_reading->pipe->finish();
        // The ripper leaves the pipe alone from now on.
        m_ripper.abort();
        QMetaObject::invokeMethod(this, &RipJob::readEnded, Qt::QueuedConnection);
    }
}

void RipJob::interrupt() {
    for (const std::unique_ptr<Track>& track : m_tracks)
        track->copy->interruptCut();
    stop();
}

void RipJob::nextRow() {
    // Over already (its log written): a late call must not end it twice.
    if (m_reading || !isRunning())
        return;
    if (m_stop || m_next >= m_rows.size()) {
        if (!m_tracks.empty() || m_album.started())
            return; // the last encoder to end comes back here
        if (!m_held.empty()) {
            albumsUnfinishedFrom(m_next);
            std::vector<RowCopy*> held;
            for (const std::unique_ptr<Track>& track : m_held)
                held.push_back(track->copy.get());
            m_album.start(this, held, m_unfinishedAlbums, [this] { albumDone(); });
            return;
        }
        disconnectRipper();
        complete();
        return;
    }
    if (int(m_tracks.size()) >= m_maxRunning)
        return;
    startRow(current(m_rows[m_next++]));
}

void RipJob::startRow(JobRow row) {
    emit rowStarted(row.row);
    if (row.cover.isEmpty())
        row.cover = m_cover;
    std::vector<RowCopy::Output> outputs;
    auto track = std::make_unique<Track>();
    track->row = row;
    try {
        const int deEmphasis = m_settings.check.deEmphasis;
        const bool emphasised = row.track >= 0 && row.track < m_layout.tracks.size() &&
                                m_layout.tracks[row.track].preEmphasis;
        const auto wantsDeEmphasis = [&](OutputFormat format) {
            return emphasised && (deEmphasis == 2 || (deEmphasis == 1 && !isLossless(format)));
        };
        const QVector<OutputFormat> formats = formatsOf(row);
        const bool allDeEmphasised = std::all_of(formats.begin(), formats.end(), wantsDeEmphasis);
        outputs = reserveOutputs(
            row, OutputNameSource{row.caption, true, row.track, {}}, {},
            [&, encoders = encoders()](OutputFormat format) {
                std::unique_ptr<PcmSink> sink =
                    format == FormatRm
                        ? rmSink(m_parts.rm ? m_parts.rm() : nullptr, rmCodec())
                        : writerSink(m_parts.writer ? m_parts.writer(format, encoders) : nullptr);
                // Only where the row's files differ is the filter on the file's way.
                if (wantsDeEmphasis(format) && !allDeEmphasised)
                    sink = std::make_unique<DeEmphasisSink>(std::move(sink));
                return sink;
            });
        bool first = true;
        for (const RowCopy::Output& output : outputs) {
            if (!output.sink)
                continue;
            const QString folder = QFileInfo(output.path).path() + QLatin1Char('/');
            // The folder to show is that of the row's first file that can be made.
            if (std::exchange(first, false))
                m_lastFolder = folder;
            if (!m_formats.contains(output.format))
                m_formats << output.format;
            m_lastFolders[output.format] = folder;
            m_folders[folder] = output.folder;
            saveFolderPictureIn({folder, output.path, partFileOf(output.path), output.folder});
        }
        row.disc.barcode = m_barcode;
        row.disc.trackNumber = Disc::number(row.track);
        if (row.track >= 0 && row.track < m_layout.tracks.size())
            row.disc.isrc = m_layout.tracks[row.track].isrc;
        for (RowCopy::Output& output : outputs)
            output.disc = row.disc;
        if (row.track == Disc::WholeDisc) {
            // From the disc's first sector to the end of its audio.
            if (m_layout.hiddenFrames() > 0)
                track->segments << Disc::HiddenTrack;
            for (int t = 0; t < m_layout.tracks.size(); ++t)
                if (m_layout.tracks[t].audio)
                    track->segments << t;
            for (int segment : std::as_const(track->segments))
                track->frames += m_disc.disc.range(segment).frames;
            // Each file's sheet names that file.
            for (RowCopy::Output& output : outputs) {
                output.disc.cueSheet = discSheet(QFileInfo(output.path).fileName(), row.tag).text();
                if (output.format == FormatFlac)
                    output.disc.cueSheetBlock = CueSheet::flacBlock(m_layout, 0);
            }
        } else {
            track->frames = m_disc.disc.range(row.track).frames;
        }
        const qint64 trackBytes = track->frames * CdFrameBytes;
        track->pipe = std::make_shared<PcmPipe>(m_buffer);
        std::unique_ptr<PcmSource> source = std::make_unique<PipeSource>(track->pipe, trackBytes);
        if (emphasised && allDeEmphasised)
            source = std::make_unique<DeEmphasisSource>(std::move(source));
        track->row = row;
        track->copy = std::make_unique<RowCopy>(row, std::move(source), std::move(outputs),
                                                m_parts.tags, track->stop, m_settings.replayGain,
                                                m_settings.replayGainPeak);
        // Stop pressed while the row was announced: nothing is read, and the
        // row ends at once as a stopped one.
        if (!m_stop) {
            ripNext(*track);
        } else {
            track->read = true;
            track->copy->markStopped();
            track->pipe->finish();
        }
    } catch (const std::exception& e) {
        track->copy.reset();
        for (const RowCopy::Output& output : outputs)
            discardOutputFile(output.path);
        albumUnfinished(row);
        fail(row.row, QString::fromUtf8(e.what()));
        m_logTracks[row.row].failure = QString::fromUtf8(e.what());
        QMetaObject::invokeMethod(this, &RipJob::nextRow, Qt::QueuedConnection);
        return;
    }
    Track* t = track.get();
    if (!t->read)
        m_reading = t;
    m_tracks.push_back(std::move(track));
    t->copy->start(
        [this, t](int hundredths) {
            QMetaObject::invokeMethod(
                this, [this, t, hundredths] { encoderProgress(t, hundredths); },
                Qt::QueuedConnection);
        },
        [this, t] {
            QMetaObject::invokeMethod(
                this, [this, t] { encoderDone(t); }, Qt::QueuedConnection);
        });
}

std::shared_ptr<const OutputFolder> RipJob::folderOf(const QString& path) const {
    const auto found = m_folders.find(path);
    return found != m_folders.end() ? found->second : nullptr;
}

void RipJob::saveFolderPictureIn(const OutputPath& output) {
    if (m_cover.isEmpty() || m_pictureFolders.contains(output.folder))
        return;
    m_pictureFolders << output.folder;
    const FolderPictureResult saved = saveFolderPicture(output.handle, m_cover);
    if (saved.outcome == FolderPictureResult::Outcome::NotSaved)
        m_coverNote = QStringLiteral("embedded; no folder picture: %1").arg(saved.error);
    else if (saved.outcome == FolderPictureResult::Outcome::AlreadyThere)
        m_coverNote = QStringLiteral("embedded; %1 was there already").arg(saved.path);
    else
        m_coverNote = QStringLiteral("embedded, and saved as %1").arg(saved.path);
}

void RipJob::ripNext(Track& track) {
    const int part = track.segments.isEmpty() ? track.row.track : track.segments[track.segment];
    m_ripper.rip(m_disc.disc, m_disc.disc.range(part), std::make_shared<PipeSink>(track.pipe));
}

void RipJob::ripProgress(double percent) {
    if (!m_reading || m_stop)
        return;
    const Track& reading = *m_reading;
    if (!reading.segments.isEmpty()) {
        // The disc's share read so far.
        const qint64 length = m_disc.disc.range(reading.segments[reading.segment]).frames;
        percent =
            (reading.framesRead + percent / 100 * length) * 100 / qMax<qint64>(1, reading.frames);
    }
    const int hundredths = std::clamp(int(std::lround(percent * 100)), 0, 9999);
    emit rowProgress(m_reading->row.row, hundredths, ripProgressText(percent));
}

void RipJob::ripFinished(const TrackCheck& check) {
    if (!m_reading || m_stop)
        return;
    Track& reading = *m_reading;
    if (!reading.segments.isEmpty()) {
        reading.checks << check;
        reading.framesRead += m_disc.disc.range(reading.segments[reading.segment]).frames;
        if (++reading.segment < reading.segments.size()) {
            try {
                ripNext(reading);
            } catch (const std::exception& e) {
                ripFailed(QString::fromUtf8(e.what()));
            }
            return;
        }
    }
    reading.check = check;
    reading.pipe->finish();
    readEnded();
}

void RipJob::ripFailed(const QString& message) {
    if (!m_reading || m_stop)
        return;
    // The encoder gives up with the read's reason; the row fails when it has.
    m_reading->pipe->fail(message);
    readEnded();
}

void RipJob::disconnectRipper() {
    for (const QMetaObject::Connection& connection : m_ripConnections)
        disconnect(connection);
}

void RipJob::readEnded() {
    if (!m_reading)
        return;
    m_reading->read = true;
    m_reading = nullptr;
    nextRow();
}

void RipJob::encoderProgress(Track* track, int hundredths) {
    // While the track is read, its Status follows the read; then the encoder.
    if (!track->read || m_stop || hundredths - track->shown < 25)
        return;
    track->shown = hundredths;
    emit rowProgress(track->row.row, hundredths, encodingProgressText(hundredths),
                     encodingProgressDetail(hundredths));
}

void RipJob::encoderDone(Track* done) {
    std::unique_ptr<Track> track = takeOut(m_tracks, done);
    if (!track)
        return;
    track->copy->wait();
    // An encoder that failed while the track was read ends the read too.
    if (m_reading == done) {
        m_ripper.abort();
        m_reading = nullptr;
    }
    const RowCopy::Result& result = track->copy->result();
    // A row that has a file in some format was measured whole: its album stays complete.
    if (result.written().isEmpty() || result.stopped)
        albumUnfinished(track->row);
    if (result.held)
        m_held.push_back(std::move(track));
    else
        rowEnded(*track);
    nextRow();
}

void RipJob::rowEnded(Track& track) {
    const RowCopy::Result& result = track.copy->result();
    const int row = track.row.row;
    setOutputs(row, result.outputs);
    const QString written = result.written();
    if (result.path.isEmpty() && result.stopped) {
        emit rowStopped(row, QString());
        m_logTracks[row].failure = QStringLiteral("interrupted; its unfinished file was removed");
        return;
    }
    if (written.isEmpty()) {
        fail(row, result.message);
        m_logTracks[row].failure = result.message;
        return;
    }
    setGain(row, result.gain);
    setNotes(row, {result.conversion, {}});
    // A format that failed fails the row; the files of the others stand, checked.
    if (!result.ok) {
        m_partlyFailed.insert(row);
        fail(row, result.message);
    } else if (result.stopped) {
        emit rowStopped(row, result.path);
    } else {
        emit rowFinished(row, result.path);
    }
    m_logTracks[row].gain = result.gain;
    m_logTracks[row].conversion = result.conversion;
    rowChecked(track, written, result.stopped);
}

void RipJob::albumDone() {
    m_album.wait();
    for (const std::unique_ptr<Track>& track : m_held)
        rowEnded(*track);
    m_held.clear();
    disconnectRipper();
    complete();
}

void RipJob::rowChecked(const Track& ripped, const QString& path, bool stopped) {
    RipLog::Track& track = m_logTracks[ripped.row.row];
    track.number = Disc::number(ripped.row.track);
    track.output = path;
    track.stopped = stopped;
    if (!ripped.segments.isEmpty()) {
        std::vector<RipLog::Track>& within = m_imageTracks[ripped.row.row];
        within.clear();
        for (int i = 0; i < ripped.segments.size(); ++i) {
            RipLog::Track part;
            part.number = Disc::number(ripped.segments[i]);
            part.output = path;
            part.stopped = stopped || i >= ripped.checks.size();
            part.check = ripped.checks.value(i);
            within.push_back(part);
        }
    }
    if (!stopped)
        track.check = ripped.check;
    verify(ripped.row.row);
}

void RipJob::lookupDone(const QVector<ArChunk>& chunks, bool notFound, const QString& error) {
    m_chunks = chunks;
    if (notFound) {
        m_discVerdict.status = ArVerdict::NotInDatabase;
    } else if (!error.isEmpty()) {
        m_discVerdict = ArVerdict::lookupFailed(error);
    }
    answered();
}

void RipJob::ctdbDone(const QVector<CtdbEntry>& entries, bool notFound, const QString& error) {
    m_ctdbEntries = entries;
    if (notFound)
        m_ctdbDiscVerdict.status = CtdbVerdict::NotInDatabase;
    else if (!error.isEmpty())
        m_ctdbDiscVerdict = CtdbVerdict::lookupFailed(error);
    answered();
}

void RipJob::answered() {
    if (--m_lookupsPending > 0)
        return;
    for (const auto& [row, track] : m_logTracks)
        verify(row);
    if (m_completing)
        complete();
}

TrackVerdict RipJob::verdictOf(const RipLog::Track& track) const {
    // Why neither database can judge the track, whatever it holds.
    QString unjudged;
    if (track.number == 0)
        unjudged = QStringLiteral("the database keeps no checksums of a hidden track");
    else if (!track.check.complete)
        unjudged = track.check.skippedSectors > 0 ? QStringLiteral("sectors were left out")
                                                  : QStringLiteral("its audio was not checked");
    TrackVerdict verdict;
    if (m_settings.check.lookUp)
        verdict.accurateRip = !unjudged.isEmpty() ? ArVerdict::lookupFailed(unjudged)
                              : m_discVerdict.status != ArVerdict::Unknown
                                  ? m_discVerdict
                                  : verifyTrack(m_chunks, m_layout.audioIndex(track.number - 1),
                                                track.check.v1, track.check.v2);
    if (m_settings.check.lookUpCtdb)
        verdict.ctdb =
            !unjudged.isEmpty() ? CtdbVerdict::lookupFailed(unjudged) : ctdbVerdictOf(track);
    return verdict;
}

CtdbVerdict RipJob::ctdbVerdictOf(const RipLog::Track& track) const {
    if (m_ctdbDiscVerdict.status != CtdbVerdict::Unknown)
        return m_ctdbDiscVerdict;
    const int index = m_layout.audioIndex(track.number - 1);
    if (index < 0 || index >= m_ctdbDisc.trackCount())
        return CtdbVerdict::lookupFailed(QStringLiteral("the track is no audio track of the disc"));
    if (m_ctdbWhole && m_ctdbWhole->tracks[index].status != CtdbVerdict::Unknown)
        return m_ctdbWhole->tracks[index];
    QVector<CtdbTrackSums> sums(m_ctdbDisc.trackCount());
    sums[index] = track.check.ctdb;
    return verifyCtdb(m_ctdbEntries, m_ctdbDisc, sums).tracks.value(index);
}

bool RipJob::mayFindPressing() const {
    return m_ctdb && m_ctdbDiscVerdict.status == CtdbVerdict::Unknown && !m_ctdbWhole &&
           !m_ctdbEntries.isEmpty();
}

void RipJob::verifyCtdbDisc() {
    if (!mayFindPressing())
        return;
    QVector<CtdbTrackSums> sums(m_ctdbDisc.trackCount());
    const auto take = [&](const RipLog::Track& track) {
        const int index = m_layout.audioIndex(track.number - 1);
        if (track.number > 0 && index >= 0 && index < sums.size() && track.failure.isEmpty() &&
            !track.stopped)
            sums[index] = track.check.ctdb;
    };
    for (const auto& [row, track] : m_logTracks)
        if (m_imageTracks.find(row) == m_imageTracks.end())
            take(track);
    for (const auto& [row, within] : m_imageTracks)
        for (const RipLog::Track& track : within)
            take(track);
    CtdbResult result = verifyCtdb(m_ctdbEntries, m_ctdbDisc, sums);
    // Unknown: not every track was ripped whole.
    if (result.disc.status != CtdbVerdict::Unknown)
        m_ctdbWhole = std::move(result);
}

void RipJob::verify(int row, bool last) {
    if (m_lookupsPending > 0 || !verifiesRows())
        return;
    RipLog::Track& track = m_logTracks[row];
    if (!track.failure.isEmpty() || track.stopped || track.verified)
        return;
    const auto image = m_imageTracks.find(row);
    if (image == m_imageTracks.end()) {
        track.verdict = verdictOf(track);
    } else {
        // A file of the whole disc is as accurate as its least accurate track.
        bool first = true;
        for (RipLog::Track& within : image->second) {
            within.verdict = verdictOf(within);
            if (within.number == 0)
                continue;
            if (first || (track.verdict.accurate() &&
                          (!within.verdict.accurate() ||
                           within.verdict.confidence() < track.verdict.confidence())))
                track.verdict = within.verdict;
            first = false;
        }
    }
    // A track no database confirms may yet be on another pressing of the
    // disc, which only the whole disc's sums can tell: it waits for the end.
    if (!last && !track.verdict.accurate() && mayFindPressing())
        return;
    track.verified = true;
    // A row that failed for one of its formats keeps its verdict for the log only.
    if (!m_partlyFailed.count(row))
        emit rowVerified(row, track.verdict);
}

void RipJob::complete() {
    m_completing = true;
    if (m_lookupsPending > 0)
        return; // the answers, or their time-outs, complete the job
    m_completing = false;
    verifyCtdbDisc();
    for (const auto& [row, track] : m_logTracks)
        verify(row, true);
    // Each format's folder gets its own sheet and log, naming its own files;
    // rows of one format each share one log, whatever their formats.
    std::vector<FormatView> views;
    if (makesSeveralFormats())
        for (OutputFormat format : std::as_const(m_formats))
            views.push_back(viewOf(format));
    else if (!m_formats.isEmpty())
        views.push_back(viewOfAll());
    for (const FormatView& view : views) {
        const QString cueSheet = writeCueSheet(view);
        if (m_settings.check.writeLog && !m_logTracks.empty()) {
            const QString log = writeLog(view, cueSheet);
            if (!log.isEmpty())
                m_logPaths << log;
        }
    }
    end(m_lastFolder);
}

CueSheet RipJob::discSheet(const QString& fileName, const RowTag& album) {
    CueSheet sheet;
    sheet.layout = m_layout;
    sheet.files << CueSheet::File{fileName, 0, m_layout.audioEnd()};
    sheet.title = album.album;
    sheet.performer = album.artist;
    sheet.date = album.year;
    sheet.comment = QStringLiteral("Orvelle %1").arg(orvelleVersion());
    sheet.genre = m_disc.found.genre;
    // The disc's own names for its tracks: FreeDB's, MusicBrainz's or CD-TEXT.
    for (int t = 0; t < m_layout.tracks.size(); ++t) {
        const RowTag tag = m_disc.tags.value(t);
        sheet.tracks << CueSheet::Track{tag.title, tag.artist};
    }
    return sheet;
}

QString RipJob::writeCueSheet(const FormatView& view) {
    const int wanted = m_settings.check.cueSheet;
    if (wanted == 0 || (wanted == 1 && !view.lossless) || view.tracks.empty())
        return {};
    // A file of the whole disc has its sheet beside it.
    for (const JobRow& row : m_rows) {
        const auto found = view.tracks.find(row.row);
        if (row.track != Disc::WholeDisc || found == view.tracks.end() ||
            !found->second.failure.isEmpty() || found->second.stopped)
            continue;
        const QFileInfo file(found->second.output);
        const QString path = writeBeside(folderOf(file.absolutePath() + QLatin1Char('/')),
                                         file.completeBaseName() + QStringLiteral(".cue"),
                                         discSheet(file.fileName(), row.tag).text());
        return path.isEmpty() ? QStringLiteral("none: it could not be written") : path;
    }
    // The sheet must hold the whole disc: every audio track, each in its file.
    CueSheet sheet;
    sheet.layout = m_layout;
    sheet.comment = QStringLiteral("Orvelle %1").arg(orvelleVersion());
    sheet.genre = m_disc.found.genre;
    const int end = m_layout.audioEnd();
    QString folder;
    for (int t = 0; t < m_layout.tracks.size(); ++t) {
        sheet.tracks << CueSheet::Track{};
        if (!m_layout.tracks[t].audio)
            continue;
        const auto done = std::find_if(view.tracks.begin(), view.tracks.end(), [t](const auto& e) {
            return e.second.number == t + 1 && e.second.failure.isEmpty() && !e.second.stopped &&
                   !e.second.output.isEmpty();
        });
        if (done == view.tracks.end())
            return QStringLiteral("none: track %1 was not ripped").arg(formatTwoDigits(t + 1));
        const QFileInfo file(done->second.output);
        if (!folder.isEmpty() && file.absolutePath() != folder)
            return QStringLiteral("none: the tracks went to more than one folder");
        folder = file.absolutePath();
        const int start = m_layout.tracks[t].start;
        int next = end;
        for (int n = t + 1; n < m_layout.tracks.size(); ++n)
            if (m_layout.tracks[n].audio) {
                next = qMin(end, m_layout.tracks[n].start);
                break;
            }
        sheet.files << CueSheet::File{file.fileName(), start, next - start};
        for (const JobRow& row : m_rows)
            if (row.track == t) {
                sheet.tracks[t] = {row.tag.title, row.tag.artist};
                sheet.title = row.tag.album;
                sheet.performer = sheet.performer.isEmpty() || sheet.performer == row.tag.artist
                                      ? row.tag.artist
                                      : QStringLiteral("Various Artists");
                sheet.date = row.tag.year;
            }
    }
    // The hidden track's file holds the disc from its first sector.
    for (const JobRow& row : m_rows) {
        const auto found = view.tracks.find(row.row);
        if (row.track == Disc::HiddenTrack && found != view.tracks.end() &&
            found->second.failure.isEmpty() && !found->second.stopped &&
            QFileInfo(found->second.output).absolutePath() == folder)
            sheet.files.prepend(
                {QFileInfo(found->second.output).fileName(), 0, m_layout.hiddenFrames()});
    }
    const QString name = RipLog::fileName(sheet.title).chopped(4);
    const std::shared_ptr<const OutputFolder> held = folderOf(folder + QLatin1Char('/'));
    const QString path = writeBeside(held, name + QStringLiteral(".cue"), sheet.text());
    if (path.isEmpty())
        return QStringLiteral("none: it could not be written in %1").arg(folder);
    writeBeside(held, name + QStringLiteral(".m3u8"), sheet.playlist());
    return path;
}

QString RipJob::writeLog(const FormatView& view, const QString& cueSheet) {
    RipLog log;
    log.cueSheet = cueSheet;
    log.version = orvelleVersion();
    const DriveInfo& drive = m_disc.drive;
    log.drive = QStringLiteral("%1 %2 (%3)").arg(drive.vendor, drive.product, drive.id).trimmed();
    log.read = m_settings.check.read;
    log.offset = m_offset;
    log.layout = m_layout;
    log.cover = m_cover.isEmpty()
                    ? (m_coverNote.isEmpty() ? QStringLiteral("none")
                                             : QStringLiteral("none: %1").arg(m_coverNote))
                    : QStringLiteral("%1, %2 bytes, %3")
                          .arg(m_cover.mimeType)
                          .arg(m_cover.data.size())
                          .arg(m_coverNote);
    if (m_settings.replayGain == GainMode::Album && !m_unfinishedAlbums.empty())
        log.albumGain = QStringLiteral(
            "not written: not every track of the album was ripped, so each keeps its track gain");
    if (!m_settings.check.lookUp)
        log.lookup = QStringLiteral("not asked");
    else if (m_discVerdict.status != ArVerdict::Unknown)
        log.lookup = m_discVerdict.text();
    else
        log.lookup = QStringLiteral("found, %1 pressing(s)").arg(m_chunks.size());
    if (m_settings.check.lookUpCtdb)
        log.ctdbLookup =
            QStringLiteral("%1; TOC %2")
                .arg(m_ctdbDiscVerdict.status != CtdbVerdict::Unknown ? m_ctdbDiscVerdict.text()
                     : m_ctdbWhole
                         ? m_ctdbWhole->disc.text()
                         : QStringLiteral("found, %1 pressing(s)").arg(m_ctdbEntries.size()),
                     CtdbDisc::tocText(m_layout));
    QString album;
    for (const JobRow& row : m_rows) {
        if (album.isEmpty())
            album = row.tag.album;
        const auto found = view.tracks.find(row.row);
        const auto image = view.images.find(row.row);
        if (image != view.images.end()) {
            for (const RipLog::Track& within : image->second) {
                log.tracks << within;
                if (within.number == 0)
                    log.hiddenTrack = QStringLiteral("in the file of the whole disc");
            }
        } else if (found != view.tracks.end()) {
            log.tracks << found->second;
            log.tracks.last().number = Disc::number(row.track);
            if (row.track == Disc::HiddenTrack)
                log.hiddenTrack = found->second.failure.isEmpty()
                                      ? QStringLiteral("ripped as track 00")
                                      : QStringLiteral("not ripped: ") + found->second.failure;
        }
    }
    if (view.folder.isEmpty())
        return {};
    // Its own name beside the files; an existing log is never replaced.
    return writeBeside(folderOf(view.folder), RipLog::fileName(album), log.text());
}

RipJob::FormatView RipJob::viewOf(OutputFormat format) const {
    FormatView view{isLossless(format), m_lastFolders.value(format), m_logTracks, m_imageTracks};
    for (auto at = view.tracks.begin(); at != view.tracks.end();) {
        const QVector<RowOutput> outputs = outputsOf(at->first);
        const auto made = std::find_if(outputs.begin(), outputs.end(),
                                       [format](const RowOutput& o) { return o.format == format; });
        // A row that failed before it had files shows in every log; a row
        // that made other formats only, in none of this one's.
        if (made == outputs.end() && !outputs.isEmpty()) {
            view.images.erase(at->first);
            at = view.tracks.erase(at);
            continue;
        }
        if (made != outputs.end()) {
            at->second.output = made->path;
            at->second.conversion = made->conversion;
            if (at->second.failure.isEmpty())
                at->second.failure = made->failure;
        }
        const auto image = view.images.find(at->first);
        if (image != view.images.end())
            for (RipLog::Track& part : image->second)
                part.output = at->second.output;
        ++at;
    }
    return view;
}

RipJob::FormatView RipJob::viewOfAll() const {
    const bool lossless = std::all_of(m_rows.begin(), m_rows.end(),
                                      [](const JobRow& row) { return isLossless(row.format); });
    return {lossless, m_lastFolder, m_logTracks, m_imageTracks};
}
