#include "components/output/outputwriter.h"

#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegencoder.h"
#include "components/ffmpeg/wmaprofiles.h"
#include "components/lame/lamecommandline.h"
#include "components/lame/mp3writer.h"
#include "components/output/encodingpipeline.h"
#include "components/output/pcmlayout.h"
#include "components/wav/wavwriter.h"

#include <algorithm>

OutputWriter::OutputWriter() = default;

OutputWriter::~OutputWriter() {
    try {
        close();
    } catch (const ComponentError&) {
    }
}

qint64 OutputWriter::framesWritten() {
    std::lock_guard lock(m_mutex);
    return m_file ? m_file->framesWritten() : m_framesWritten;
}

bool OutputWriter::getIsOpen() {
    std::lock_guard lock(m_mutex);
    return m_file != nullptr;
}

void OutputWriter::close() {
    std::lock_guard lock(m_mutex);
    closeFile();
}

void OutputWriter::closeFile() {
    if (!m_file)
        return;
    // Whatever happens, the file is closed afterwards: a failed finish is not retried.
    const std::unique_ptr<EncodingPipeline> file = std::move(m_file);
    m_framesWritten = file->framesWritten();
    file->finish();
}

std::unique_ptr<AudioEncoder> OutputWriter::makeEncoder(const QString& path) const {
    switch (m_kind) {
    case Kind::Mp3:
        return std::make_unique<Mp3Writer>(path, m_mp3);
    case Kind::Ogg:
        return std::make_unique<OggVorbisWriter>(path, m_ogg);
    case Kind::Wma: {
        const WmaProfile profile = WmaProfiles::profile(m_wmaProfile);
        return std::make_unique<FfmpegEncoder>(
            path, FfmpegEncoder::Settings{"asf", "wmav2", profile.sampleRate, profile.channels,
                                          profile.bitrate});
    }
    case Kind::Flac:
        // 32-bit and float sources become 24-bit: what FLAC players take.
        return std::make_unique<FlacWriter>(
            path,
            FlacWriter::Settings{m_input.sampleRate, m_input.channels, m_flacLevel,
                                 m_input.type == SampleType::Int16 ? 16 : 24, m_input.channelMask});
    case Kind::Opus: {
        OpusWriter::Settings opus = m_opus;
        opus.sampleRate = m_input.sampleRate;
        opus.channels = std::min(m_input.channels, 2);
        return std::make_unique<OpusWriter>(path, opus);
    }
    case Kind::Wav:
        break;
    }
    if (m_wavAsSource)
        return std::make_unique<WavWriter>(path, m_input);
    PcmFormat wav{m_wavRate, m_wavChannels, m_wavBits > 16 ? SampleType::Int32 : SampleType::Int16,
                  m_wavBits, 0};
    if (m_wavChannels == m_input.channels)
        wav.channelMask = m_input.channelMask;
    return std::make_unique<WavWriter>(path, wav);
}

void OutputWriter::create(const QString& path) {
    std::lock_guard lock(m_mutex);
    closeFile();
    m_framesWritten = 0;
    m_file = std::make_unique<EncodingPipeline>(makeEncoder(path), m_input);
}

QString OutputWriter::conversionFrom(const PcmFormat& source) {
    std::lock_guard lock(m_mutex);
    if (!m_file)
        return {};
    const bool lossless = m_kind == Kind::Wav || m_kind == Kind::Flac;
    return PcmText::conversion(source, m_file->encoderFormat(), lossless);
}

void OutputWriter::write(const QByteArray& pcm) {
    std::lock_guard lock(m_mutex);
    if (!m_file)
        throw ComponentError(QStringLiteral("No output file is open to write to."));
    m_file->write(pcm);
}

void OutputWriter::setInputFormat(int sampleRate, int channels) {
    setInputPcmFormat(PcmFormat::int16(sampleRate, channels));
}

void OutputWriter::setInputPcmFormat(const PcmFormat& format) {
    std::lock_guard lock(m_mutex);
    PcmLayout::check("The sound to write", format.sampleRate, format.channels, 8);
    m_input = format;
    if (m_file)
        m_file->setInputFormat(format);
}

void OutputWriter::setWavFormat(int sampleRate, int channels, int bits) {
    std::lock_guard lock(m_mutex);
    PcmLayout::check("WAV output", sampleRate, channels, 2);
    if (bits != 8 && bits != 16 && bits != 32)
        throw ComponentError(
            QStringLiteral("WAV output cannot have %1 bits per sample; it has 8, 16 or 32.")
                .arg(bits));
    m_kind = Kind::Wav;
    m_wavRate = sampleRate;
    m_wavChannels = channels;
    m_wavBits = bits;
    m_wavAsSource = false;
}

void OutputWriter::setWavAsSource() {
    std::lock_guard lock(m_mutex);
    m_kind = Kind::Wav;
    m_wavAsSource = true;
}

void OutputWriter::setMp3Settings(const LameSettings& settings) {
    checkLameSettings(settings);
    std::lock_guard lock(m_mutex);
    m_kind = Kind::Mp3;
    m_mp3 = settings;
}

void OutputWriter::setOggFormat(const OggVorbisWriter::Settings& settings) {
    std::lock_guard lock(m_mutex);
    const auto& [sampleRate, channels, bitrate, minBitrate, maxBitrate, quality] = settings;
    PcmLayout::check("Ogg Vorbis output", sampleRate, channels, 2);
    if (quality < -1 || quality > 1000)
        throw ComponentError(
            QStringLiteral("The Ogg Vorbis quality %1 is outside 0 to 1000.").arg(quality));
    if (bitrate < 0 || minBitrate < 0 || maxBitrate < 0 ||
        (quality < 0 && bitrate == 0 && minBitrate == 0 && maxBitrate == 0))
        throw ComponentError(QStringLiteral("Ogg Vorbis output needs a bitrate or a quality."));
    m_kind = Kind::Ogg;
    m_ogg = settings;
}

void OutputWriter::setWmaProfile(int profile) {
    std::lock_guard lock(m_mutex);
    if (profile < 0 || profile >= WmaProfiles::Count)
        throw ComponentError(QStringLiteral("There is no WMA profile %1; they count 0 to %2.")
                                 .arg(profile)
                                 .arg(WmaProfiles::Count - 1));
    m_kind = Kind::Wma;
    m_wmaProfile = profile;
}

void OutputWriter::setFlacFormat(int level) {
    std::lock_guard lock(m_mutex);
    if (level < 0 || level > 8)
        throw ComponentError(
            QStringLiteral("There is no FLAC compression level %1; they count 0 to 8.").arg(level));
    m_kind = Kind::Flac;
    m_flacLevel = level;
}

void OutputWriter::setOpusFormat(int bitrate, OpusWriter::Mode mode, int complexity) {
    std::lock_guard lock(m_mutex);
    if (bitrate < 6 || bitrate > 510)
        throw ComponentError(
            QStringLiteral("Opus cannot be made at %1 kbit/s; it takes 6 to 510.").arg(bitrate));
    if (complexity < 0 || complexity > 10)
        throw ComponentError(
            QStringLiteral("The Opus complexity %1 is outside 0 to 10.").arg(complexity));
    m_kind = Kind::Opus;
    m_opus.bitrate = bitrate;
    m_opus.mode = mode;
    m_opus.complexity = complexity;
}
