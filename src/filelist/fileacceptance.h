#pragma once

#include "filelist/rowvalues.h"

#include <functional>
#include <memory>
#include <QString>

class AudioReader;
class VideoReader;

// The test every file passes before it becomes a row: it is opened once with
// the reader of its kind (audio or video, by isVideoFile), which proves that
// it decodes and tells its duration, and then closed again. An audio file's
// tags are read from it; a video gets the three "Unknown" texts. Only a
// regular file is opened; anything else is refused as an unsupported file.
class FileAcceptance {
public:
    using AudioFactory = std::function<std::unique_ptr<AudioReader>()>;
    using VideoFactory = std::function<std::unique_ptr<VideoReader>()>;
    using TagReader = std::function<RowTag(const QString&)>;

    // Why a file was refused; each has its own message. Wma and Video (a
    // decoder may be missing) only for a file that holds media by its content.
    enum class Refusal { None, Audio, Wma, Video };

    struct Outcome {
        Refusal refusal = Refusal::None;
        RowValues row;  // the new row, when accepted
        QString reason; // the reader's own words, when refused
        bool accepted() const { return refusal == Refusal::None; }
    };

    // The readers are made on first use and kept for the next files.
    FileAcceptance(AudioFactory audio, VideoFactory video, TagReader tags = {});
    // FFmpeg's readers (AudioFileReader, VideoFile) and readRowTags.
    FileAcceptance();
    ~FileAcceptance();

    // target: the text of the output format the new row gets.
    Outcome test(const QString& path, const QString& target);

    static AudioFactory ffmpegAudio();
    static VideoFactory ffmpegVideo();

private:
    Outcome testAudio(const QString& path, int* durationMs);
    Outcome testVideo(const QString& path, int* durationMs);

    AudioFactory m_audioFactory;
    VideoFactory m_videoFactory;
    TagReader m_tags;
    std::unique_ptr<AudioReader> m_audio;
    std::unique_ptr<VideoReader> m_video;
};
