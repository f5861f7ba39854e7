#include "filelist/fileacceptance.h"

#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/localmediainput.h"
#include "components/ffmpeg/videofile.h"
#include "filelist/filekinds.h"
#include "platform/regularfile.h"
#include "tags/tagdispatch.h"

#include <exception>
#include <QFileInfo>

namespace {

FileAcceptance::Outcome refused(FileAcceptance::Refusal refusal, const QString& reason) {
    FileAcceptance::Outcome outcome;
    outcome.refusal = refusal;
    outcome.reason = reason;
    return outcome;
}

template <typename Reader> void closeQuietly(Reader& reader) {
    try {
        reader.close();
    } catch (const std::exception&) {
        // A reader that failed to open may fail to close as well; the file is refused anyway.
    }
}

} // namespace

FileAcceptance::FileAcceptance(AudioFactory audio, VideoFactory video, TagReader tags)
    : m_audioFactory(std::move(audio)), m_videoFactory(std::move(video)),
      m_tags(tags ? std::move(tags) : TagReader(readRowTags)) {}

FileAcceptance::FileAcceptance() : FileAcceptance(ffmpegAudio(), ffmpegVideo()) {}

FileAcceptance::~FileAcceptance() = default;

FileAcceptance::AudioFactory FileAcceptance::ffmpegAudio() {
    return [] { return std::make_unique<AudioFileReader>(); };
}

FileAcceptance::VideoFactory FileAcceptance::ffmpegVideo() {
    return [] { return std::make_unique<VideoFile>(); };
}

FileAcceptance::Outcome FileAcceptance::test(const QString& path, const QString& target) {
    // A pipe or a device named like a song would hold a reader in open() for good.
    const QString notRegular = RegularFile::problem(path);
    if (!notRegular.isEmpty())
        return refused(Refusal::Audio, notRegular);
    const bool video = isVideoFile(path);
    int durationMs = 0;
    Outcome outcome = video ? testVideo(path, &durationMs) : testAudio(path, &durationMs);
    // A missing decoder is worth a question only for a file that is media at
    // all; text or noise under a video's or WMA's name is simply not supported.
    if (outcome.refusal != Refusal::None && outcome.refusal != Refusal::Audio && !holdsMedia(path))
        outcome.refusal = Refusal::Audio;
    if (!outcome.accepted())
        return outcome;

    RowValues& row = outcome.row;
    const QFileInfo info(path);
    row.caption = info.fileName();
    row.time = formatDuration(durationMs);
    row.target = target;
    row.status = RowTexts::Unconverted;
    row.path = info.absoluteFilePath();
    row.durationMs = durationMs;
    if (video) {
        row.tag = RowTexts::VideoTag;
    } else {
        // Tags that cannot be read leave the row with empty ones: the file itself
        // decodes, and one bad tag must not end the rest of the batch.
        try {
            row.tag = m_tags(path);
        } catch (const std::exception&) {
            row.tag = {};
        }
    }
    return outcome;
}

FileAcceptance::Outcome FileAcceptance::testAudio(const QString& path, int* durationMs) {
    const Refusal refusal = isWmaFile(path) ? Refusal::Wma : Refusal::Audio;
    if (!m_audio && m_audioFactory)
        m_audio = m_audioFactory();
    if (!m_audio)
        return refused(refusal, QStringLiteral("No audio reader."));
    try {
        if (m_audio->getIsOpen())
            m_audio->close();
        m_audio->open(path);
        *durationMs = m_audio->getDurationMs();
        m_audio->close();
    } catch (const std::exception& error) {
        closeQuietly(*m_audio);
        return refused(refusal, QString::fromStdString(error.what()));
    }
    return {};
}

FileAcceptance::Outcome FileAcceptance::testVideo(const QString& path, int* durationMs) {
    if (!m_video && m_videoFactory)
        m_video = m_videoFactory();
    if (!m_video)
        return refused(Refusal::Video, QStringLiteral("No video reader."));
    try {
        m_video->open(path);
        *durationMs = m_video->getDurationMs();
        m_video->close();
    } catch (const std::exception& error) {
        closeQuietly(*m_video);
        return refused(Refusal::Video, QString::fromStdString(error.what()));
    }
    return {};
}
