#pragma once

#include "components/cdio/trackreader.h"
#include "components/trackripper.h"

#include <memory>
#include <optional>
#include <vector>

class CdioDiscReader;
class GrabTask;

// The track ripper on libcdio and libcdio-paranoia: each rip on a thread of
// its own, streams for preview and the read offset on the caller's thread,
// both on the drives the disc reader knows and with their read offsets.
class CdioRipper : public TrackRipper {
    Q_OBJECT
public:
    // reader must outlive the ripper.
    explicit CdioRipper(CdioDiscReader& reader, QObject* parent = nullptr);
    ~CdioRipper() override;

    void setReadSettings(const ReadSettings& settings) override { m_settings = settings; }
    int readOffset(const Disc& disc) override;
    void rip(const Disc& disc, RipRange range, std::shared_ptr<RipSink> sink) override;
    void abort() override;
    std::unique_ptr<TrackStream> open(const Disc& disc, RipRange range) override;

    // Makes sectors unreadable, as a scratched or removed disc would.
    void setFaultFilter(TrackReader::FaultFilter filter) { m_faults = std::move(filter); }
    // Why the last rip ended without its ripFinished (empty after a complete one).
    QString lastRipError() const { return m_lastError; }
    // Reads as a drive with this read offset would, in place of the offset
    // the settings keep for the drive (images have none).
    void setReadOffset(std::optional<int> samples) { m_offsetOverride = samples; }
    // Rips without their checksums, to measure what the checksums cost.
    void setChecksums(bool on) { m_checksums = on; }

private:
    // What a read of range needs: the drive, the track as a reader takes it,
    // the disc's audio span; raises when there is nothing to read.
    struct Plan;
    Plan plan(const Disc& disc, RipRange range);
    void reapTasks();
    void taskProgress(quint64 task, double percent);
    void taskFinished(quint64 task, bool ok, const QString& error, const TrackCheck& check);

    CdioDiscReader& m_reader;
    ReadSettings m_settings;
    TrackReader::FaultFilter m_faults;
    std::optional<int> m_offsetOverride;
    bool m_checksums = true;
    std::vector<std::pair<quint64, std::unique_ptr<GrabTask>>> m_tasks;
    quint64 m_activeTask = 0;
    quint64 m_lastTask = 0;
    QString m_lastError;
};
