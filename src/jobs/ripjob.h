#pragma once

#include "cd/drivesession.h"
#include "checksums/accuraterip.h"
#include "checksums/trackcheck.h"
#include "checksums/witnesses.h"
#include "jobs/cuesheet.h"
#include "jobs/job.h"
#include "jobs/outputnaming.h"
#include "jobs/ripcheck.h"
#include "jobs/riplog.h"
#include "jobs/rowcopy.h"

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class AccurateRipClient;
class CtdbClient;

// The one row of a rip that makes the whole disc one file (FLAC or WAV), named
// and tagged after the album of `first`, a track row of the disc.
JobRow wholeDiscRow(JobRow first);
class PcmBuffer;
class TrackRipper;

// Rips the given tracks of a disc as it was read. One reader goes through the
// tracks in list order, since a drive reads best in one pass, while each
// track read is encoded on a thread of its own, up to maxRunningRows() tracks
// at once (the one being read among them): the ripper rips into a pipe, and
// the track's encoder writes what comes out of it into the row's writer or
// the RM writer. At most PcmBudgetBytes of read
// PCM wait for the encoders; the reader waits when that is full. After a row
// other than RM its tags are written, also into a file that Stop cut short.
class RipJob : public Job {
    Q_OBJECT
public:
    // PCM read and not yet encoded, over all tracks in flight.
    static constexpr qint64 PcmBudgetBytes = 64 * 1024 * 1024;

    // The ripper must outlive the job; the job lives on the ripper's thread.
    RipJob(JobSettings settings, QVector<JobRow> rows, TrackRipper& ripper, NamedDisc disc,
           JobParts parts, QObject* parent = nullptr);
    // Aborts the read and the encoders still running, and waits for them.
    ~RipJob() override;

    // Ends the read and every track being encoded at its next block.
    void stop() override;
    void interrupt() override;

    // Whether every finished row gets a rowVerified.
    bool verifiesRows() const { return m_settings.check.lookUp || m_settings.check.lookUpCtdb; }
    // Where the rip logs went, one per format, once the job is over; none
    // when none was written.
    QStringList logPaths() const { return m_logPaths; }
    QString logPath() const { return m_logPaths.value(0); }

signals:
    // What the databases say of a finished row; comes after its rowFinished
    // and before the job's end, for every finished row of a rip that is
    // checked.
    void rowVerified(int row, const TrackVerdict& verdict);

private:
    struct Track;

    void begin() override;
    // Starts reading the next track when the reader is free and a place is.
    void nextRow();
    void startRow(JobRow row);
    // The cover once in each album folder a row goes to.
    void saveFolderPictureIn(const OutputPath& output);
    // The folder path (ending in "/") that a row went to, held open; null when none did.
    std::shared_ptr<const OutputFolder> folderOf(const QString& path) const;
    // Rips the track's next part into its pipe: the track, or the next of the disc's.
    void ripNext(Track& track);
    void ripProgress(double percent);
    void ripFinished(const TrackCheck& check);
    void ripFailed(const QString& message);
    void disconnectRipper();
    void readEnded();
    void encoderDone(Track* track);
    void encoderProgress(Track* track, int hundredths);
    // A track's file is complete, or it failed: the row ends.
    void rowEnded(Track& track);
    void albumDone();
    // The row's file is complete: keep its checks and, when the database has
    // answered, say what it holds of them.
    void rowChecked(const Track& track, const QString& path, bool stopped);
    void lookupDone(const QVector<ArChunk>& chunks, bool notFound, const QString& error);
    void ctdbDone(const QVector<CtdbEntry>& entries, bool notFound, const QString& error);
    // A lookup has answered: the rows waiting for it are verified.
    void answered();
    // last: the rip is over, and a row's verdict waits no longer.
    void verify(int row, bool last = false);
    TrackVerdict verdictOf(const RipLog::Track& track) const;
    CtdbVerdict ctdbVerdictOf(const RipLog::Track& track) const;
    // With every track of the disc ripped whole, CTDB judges the disc too,
    // and may find it on another pressing.
    void verifyCtdbDisc();
    bool mayFindPressing() const;
    // After the last row: waits for the database, writes the log, ends.
    void complete();
    // What the files of one folder came to: each row's track as its file
    // there has it, and the folder the files went to last. With one format a
    // row, every row's file is in the one view, whatever its format.
    struct FormatView {
        bool lossless;
        QString folder;
        std::map<int, RipLog::Track> tracks;
        std::map<int, std::vector<RipLog::Track>> images;
    };
    FormatView viewOf(OutputFormat format) const;
    FormatView viewOfAll() const;
    // The cue sheet and playlist beside a format's files, when the settings
    // want them for it and the rip holds the whole disc: the sheet's path, or
    // why there is none ("none: ..."); empty when none was wanted.
    QString writeCueSheet(const FormatView& view);
    // The sheet of a file that holds the whole disc, named as its rows are.
    CueSheet discSheet(const QString& fileName, const RowTag& album);
    // The log in the format's folder; its path, or empty when none was written.
    QString writeLog(const FormatView& view, const QString& cueSheet);

    TrackRipper& m_ripper;
    NamedDisc m_disc;
    JobParts m_parts;
    int m_next = 0;
    std::atomic<bool> m_stop{false};
    std::shared_ptr<PcmBuffer> m_buffer;
    std::vector<std::unique_ptr<Track>> m_tracks; // in flight, in list order
    std::vector<std::unique_ptr<Track>> m_held;   // written, waiting for the album's values
    Track* m_reading = nullptr;                   // the track the ripper reads
    QString m_lastFolder;                         // of the last row that was processed
    // Every folder a row went to, by its path, held open for what is written beside the files.
    std::map<QString, std::shared_ptr<const OutputFolder>> m_folders;
    std::vector<QMetaObject::Connection> m_ripConnections;
    QVector<OutputFormat> m_formats;           // made so far, in the order first made
    QMap<OutputFormat, QString> m_lastFolders; // by format: its last row's folder

    // Checking the rip.
    DiscLayout m_layout;
    QString m_barcode; // tagged into every file: MusicBrainz's, else the disc's catalog number
    int m_offset = 0;
    std::unique_ptr<AccurateRipClient> m_accurateRip;
    std::unique_ptr<CtdbClient> m_ctdb;
    int m_lookupsPending = 0;
    bool m_completing = false;
    QVector<ArChunk> m_chunks;
    ArVerdict m_discVerdict; // not in the database, or why the lookup failed
    CtdbDisc m_ctdbDisc;
    QVector<CtdbEntry> m_ctdbEntries;
    CtdbVerdict m_ctdbDiscVerdict;            // as m_discVerdict
    std::optional<CtdbResult> m_ctdbWhole;    // the whole disc judged, once every track is ripped
    std::map<int, RipLog::Track> m_logTracks; // by row
    // By row, for a file of the whole disc: each track within it.
    std::map<int, std::vector<RipLog::Track>> m_imageTracks;
    QStringList m_logPaths;
    std::set<int> m_partlyFailed; // rows whose files of some formats failed
    CoverArt m_cover;             // the disc's, embedded in every row
    QString m_coverNote;          // what became of it, for the log
    QStringList m_pictureFolders; // where folder.jpg was looked after
    AlbumCompletion m_album;      // last member: its thread is waited for first
};

Q_DECLARE_METATYPE(TrackVerdict)
