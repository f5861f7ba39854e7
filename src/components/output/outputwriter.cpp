#include "components/output/outputwriter.h"

#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegencoder.h"
#include "components/ffmpeg/wmaprofiles.h"
#include "components/lame/mp3lameencoder.h"
#include "components/lame/mp3writer.h"
#include "components/output/encodingpipeline.h"
#include "components/output/pcmlayout.h"
#include "components/wav/wavwriter.h"

OutputWriter::OutputWriter() = default;

OutputWriter::~OutputWriter() {
    try {
        Close();
    } catch (const ComponentError&) {
    }
}

void OutputWriter::Open(const QString&) {
    throw ComponentError(QStringLiteral("The output writer cannot read files."));
}

QByteArray OutputWriter::Read(int) {
    throw ComponentError(QStringLiteral("The output writer cannot read files."));
}

void OutputWriter::Seek(qint64) {
    throw ComponentError(QStringLiteral("The output writer cannot read files."));
}

qint64 OutputWriter::GetLength() {
    std::lock_guard lock(m_mutex);
    return m_file ? m_file->framesWritten() : m_framesWritten;
}

int OutputWriter::GetDurationMs() {
    const qint64 frames = GetLength();
    std::lock_guard lock(m_mutex);
    return int(frames * 1000 / m_inputRate);
}

int OutputWriter::GetBlockAlign() {
    std::lock_guard lock(m_mutex);
    return m_inputChannels * 2;
}

int OutputWriter::GetChannels() {
    std::lock_guard lock(m_mutex);
    return m_inputChannels;
}

int OutputWriter::GetSampleRate() {
    std::lock_guard lock(m_mutex);
    return m_inputRate;
}

bool OutputWriter::GetIsOpen() {
    std::lock_guard lock(m_mutex);
    return m_file != nullptr;
}

void OutputWriter::Close() {
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
        return std::make_unique<FlacWriter>(
            path, FlacWriter::Settings{m_inputRate, m_inputChannels, m_flacLevel});
    case Kind::Opus: {
        OpusWriter::Settings opus = m_opus;
        opus.sampleRate = m_inputRate;
        opus.channels = m_inputChannels;
        return std::make_unique<OpusWriter>(path, opus);
    }
    case Kind::Wav:
        break;
    }
    return std::make_unique<WavWriter>(path, m_wavRate, m_wavChannels, m_wavBits);
}

void OutputWriter::Create(const QString& path) {
    std::lock_guard lock(m_mutex);
    closeFile();
    m_framesWritten = 0;
    m_file = std::make_unique<EncodingPipeline>(makeEncoder(path), m_inputRate, m_inputChannels);
}

void OutputWriter::Write(const QByteArray& pcm) {
    std::lock_guard lock(m_mutex);
    if (!m_file)
        throw ComponentError(QStringLiteral("No output file is open to write to."));
    m_file->write(pcm);
}

void OutputWriter::SetInputFormat(int sampleRate, int channels) {
    std::lock_guard lock(m_mutex);
    PcmLayout::check("The sound to write", sampleRate, channels, 8);
    m_inputRate = sampleRate;
    m_inputChannels = channels;
    if (m_file)
        m_file->setInputFormat(sampleRate, channels);
}

void OutputWriter::SetWavFormat(int sampleRate, int channels, int bits) {
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
}

void OutputWriter::SetMp3Encoder(IAudioFile2LameEnc* encoder) {
    std::lock_guard lock(m_mutex);
    if (!encoder)
        throw ComponentError(QStringLiteral("MP3 output needs the MP3 encoder's settings."));
    m_kind = Kind::Mp3;
    m_mp3 = encoder->GetSettings();
}

void OutputWriter::SetOggFormat(int sampleRate, int channels, int bitrate, int minBitrate,
                                int maxBitrate, int quality) {
    std::lock_guard lock(m_mutex);
    PcmLayout::check("Ogg Vorbis output", sampleRate, channels, 2);
    if (quality < -1 || quality > 1000)
        throw ComponentError(
            QStringLiteral("The Ogg Vorbis quality %1 is outside 0 to 1000.").arg(quality));
    if (bitrate < 0 || minBitrate < 0 || maxBitrate < 0 ||
        (quality < 0 && bitrate == 0 && minBitrate == 0 && maxBitrate == 0))
        throw ComponentError(QStringLiteral("Ogg Vorbis output needs a bitrate or a quality."));
    m_kind = Kind::Ogg;
    m_ogg = {sampleRate, channels, bitrate, minBitrate, maxBitrate, quality};
}

void OutputWriter::SetWmaProfile(int profile) {
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

void OutputWriter::ResetFormat(int) {
    std::lock_guard lock(m_mutex);
    m_kind = Kind::Wav;
    m_wavRate = 44100;
    m_wavChannels = 2;
    m_wavBits = 16;
}
