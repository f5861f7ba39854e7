#pragma once

#include "components/loudness/loudnessmeter.h"
#include "jobs/pcmsource.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QVector>

class AudioReader;
class AudioWriter;
class VideoReader;
class RmWriter;

// Where a row's sound goes: an output writer of the row's format, or the RM
// writer. The file it creates is the row's part file.
class PcmSink {
public:
    virtual ~PcmSink() = default;

    virtual void create(const QString& path, const PcmFormat& format) = 0;
    virtual void write(const QByteArray& pcm) = 0;
    // Completes the file; raises when that fails.
    virtual void close() = 0;
    // After a failure: closes what is open, reporting nothing.
    virtual void closeQuietly() noexcept = 0;
    // RM files carry no tags.
    virtual bool takesTags() const = 0;
    // After create: what became of a source of this format in the file; empty
    // when the file keeps it.
    virtual QString conversionFrom(const PcmFormat& source) const {
        (void)source;
        return {};
    }
};

// How a row's source hands out its sound.
enum class SourceUse {
    Lossy,    // 16-bit, stereo at most: what the lossy encoders take
    Lossless, // the source's own bits and channels, for WAV and FLAC
    Rm,       // 16-bit in the RM writer's blocks
};
// An audio file through its reader: one second a block, half a second for RM.
std::unique_ptr<PcmSource> audioFileSource(std::unique_ptr<AudioReader> reader, const QString& path,
                                           SourceUse use);
// A video's sound: one second a block, the RM writer's own block for RM.
std::unique_ptr<PcmSource> videoSoundSource(std::unique_ptr<VideoReader> video, const QString& path,
                                            SourceUse use);
// A writer made for the row's format.
std::unique_ptr<PcmSink> writerSink(std::unique_ptr<AudioWriter> writer);
// The RM writer with the codec at its position in the codec list.
std::unique_ptr<PcmSink> rmSink(std::unique_ptr<RmWriter> rm, int codec);

// One file the copy writes: its sink, created at part.
struct CopyTarget {
    PcmSink* sink;
    QString part;
};

struct CopyOutcome {
    bool stopped = false; // Stop ended the copy before the source's end
    // By target: what became of the source's format in its file.
    QVector<QString> conversions;
    SourceDamage damage; // what the source showed of damage as it was read
    // By target: why its file failed, empty when it holds what was copied. A
    // source that fails fails them all.
    QVector<QString> failures;
    // The loudness of what was copied, when it was asked for and the
    // source's layout can be measured.
    std::shared_ptr<LoudnessMeter> meter = {};

    // Whether any target holds the copy.
    bool anyWritten() const;
};

// The one copy loop: opens the source, creates each target's sink at its
// part, and passes every block on to each of them in turn until the source
// ends or stop is set; then closes them all. A block is read once whatever
// the number of targets. A target that fails is closed and left out from
// then on; the others go on. progress gets the source's hundredths each time
// they change. With measure, the loudness and the peak it names are
// measured once as the PCM passes.
CopyOutcome copyPcm(PcmSource& source, const QVector<CopyTarget>& targets,
                    const std::atomic<bool>& stop, const std::function<void(int)>& progress,
                    std::optional<PeakKind> measure = {});
