#include "components/flac/flacwriter.h"

#include "components/componenterror.h"
#include "components/flac/flacverifier.h"

#include <algorithm>
#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>
#include <optional>
#include <QtEndian>
#include <vector>

namespace {

constexpr int SeekSpacingSeconds = 10;
constexpr int SeekPointBytes = 18;
constexpr int MetadataHeaderBytes = 4;
constexpr int StreamMarkerBytes = 4; // "fLaC"

struct FrameStart {
    quint64 sample;
    quint64 offset; // from the first frame's first byte
    unsigned samples;
};

// The layout FLAC's channel assignment gives each channel count (FFmpeg reads
// five and six channels as side, not back, speakers).
constexpr quint32 AssumedSpeakers[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x607, 0x60F, 0x70F, 0x63F};

} // namespace

struct FlacWriter::Private {
    FLAC__StreamEncoder* encoder = nullptr;
    FLAC__StreamMetadata* seekTable = nullptr;
    FLAC__StreamMetadata* comments = nullptr;
    FLAC__StreamMetadata* padding = nullptr;
    OutputFile* file = nullptr;
    std::optional<ComponentError> failure; // raised by the file inside a callback
    std::unique_ptr<FlacVerifier> verifier;

    quint64 position = 0;
    quint64 end = 0;
    // The metadata as written, up to the first frame: where the seek table sits.
    QByteArray head;
    bool inAudio = false;
    quint64 audioStart = 0;
    quint64 samplesSeen = 0;
    std::vector<FrameStart> frames;

    ~Private() {
        if (encoder)
            FLAC__stream_encoder_delete(encoder);
        for (FLAC__StreamMetadata* block : {seekTable, comments, padding})
            if (block)
                FLAC__metadata_object_delete(block);
    }

    static FLAC__StreamEncoderWriteStatus writeCallback(const FLAC__StreamEncoder*,
                                                        const FLAC__byte bytes[], size_t count,
                                                        uint32_t samples, uint32_t, void* self) {
        return static_cast<Private*>(self)->take(bytes, count, samples)
                   ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                   : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    static FLAC__StreamEncoderSeekStatus seekCallback(const FLAC__StreamEncoder*,
                                                      FLAC__uint64 offset, void* self) {
        auto* d = static_cast<Private*>(self);
        if (offset > d->end)
            return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
        d->position = offset;
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    }
    static FLAC__StreamEncoderTellStatus tellCallback(const FLAC__StreamEncoder*,
                                                      FLAC__uint64* offset, void* self) {
        *offset = static_cast<Private*>(self)->position;
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }

    bool put(const void* bytes, size_t count) {
        // A failing disk raises; that must not unwind through libFLAC.
        try {
            if (position == end)
                file->write(bytes, count);
            else
                file->writeAt(long(position), bytes, count);
        } catch (const ComponentError& error) {
            failure = error;
            return false;
        }
        position += count;
        end = std::max(end, position);
        return true;
    }

    bool take(const FLAC__byte bytes[], size_t count, uint32_t samples) {
        const bool rewrite = position < end;
        if (!rewrite && samples > 0) {
            if (!inAudio) {
                inAudio = true;
                audioStart = position;
            }
            frames.push_back({samplesSeen, position - audioStart, samples});
            samplesSeen += samples;
        } else if (!rewrite && !inAudio) {
            head.append(reinterpret_cast<const char*>(bytes), int(count));
        }
        // What libFLAC rewrites at the end (STREAMINFO's sizes) is not sound.
        if (!rewrite && !verifier->feed(bytes, count))
            return false;
        return put(bytes, count);
    }

    // Where the seek table's points start in the file, from the metadata as written.
    std::optional<quint64> seekPointsOffset() const {
        qint64 at = StreamMarkerBytes;
        while (at + MetadataHeaderBytes <= head.size()) {
            const auto header = qFromBigEndian<quint32>(head.constData() + at);
            const int type = int((header >> 24) & 0x7F);
            const qint64 length = header & 0xFFFFFF;
            if (type == FLAC__METADATA_TYPE_SEEKTABLE)
                return quint64(at + MetadataHeaderBytes);
            if (header & 0x80000000u)
                break;
            at += MetadataHeaderBytes + length;
        }
        return std::nullopt;
    }

    // The reserved table gets one point a frame at least every spacing: ten
    // seconds, or wider for a file longer than the table's points cover.
    QByteArray seekPoints(int sampleRate) const {
        QByteArray table;
        const quint64 spacing = std::max<quint64>(quint64(sampleRate) * SeekSpacingSeconds,
                                                  (samplesSeen + SeekPoints - 1) / SeekPoints);
        quint64 target = 0; // the next sample a point should lead to
        int points = 0;
        for (const FrameStart& frame : frames) {
            if (points == SeekPoints)
                break;
            if (frame.sample + frame.samples <= target)
                continue;
            char point[SeekPointBytes];
            qToBigEndian<quint64>(frame.sample, point);
            qToBigEndian<quint64>(frame.offset, point + 8);
            qToBigEndian<quint16>(quint16(frame.samples), point + 16);
            table.append(point, SeekPointBytes);
            ++points;
            while (target < frame.sample + frame.samples)
                target += spacing;
        }
        // Points not needed stay placeholders, which readers pass over.
        table.append(QByteArray((SeekPoints - points) * SeekPointBytes, '\0'));
        for (int i = points; i < SeekPoints; ++i)
            qToBigEndian<quint64>(FLAC__STREAM_METADATA_SEEKPOINT_PLACEHOLDER,
                                  table.data() + i * SeekPointBytes);
        return table;
    }
};

FlacWriter::FlacWriter(const QString& path, const Settings& settings)
    : d(std::make_unique<Private>()), m_settings(settings) {
    const auto refuse = [&](const QString& why) {
        throw ComponentError(QStringLiteral("FLAC cannot be made %1.").arg(why));
    };
    if (settings.level < 0 || settings.level > 8)
        refuse(
            QStringLiteral("at compression level %1; the levels are 0 to 8").arg(settings.level));
    if (settings.bits != 16 && settings.bits != 24)
        refuse(QStringLiteral("with %1 bits a sample; it takes 16 or 24").arg(settings.bits));
    d->encoder = FLAC__stream_encoder_new();
    d->seekTable = FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE);
    d->comments = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    d->padding = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING);
    if (!d->encoder || !d->seekTable || !d->comments || !d->padding)
        throw std::bad_alloc();
    // Placeholders only reserve the table's room; the points are written at the end.
    if (!FLAC__metadata_object_seektable_template_append_placeholders(d->seekTable, SeekPoints))
        throw std::bad_alloc();
    d->padding->length = PaddingBytes;
    if (settings.channelMask != 0 && settings.channels >= 1 && settings.channels <= 8 &&
        settings.channelMask != AssumedSpeakers[settings.channels]) {
        const QByteArray mask =
            QByteArrayLiteral("WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x") +
            QByteArray::number(settings.channelMask, 16).rightJustified(4, '0').toUpper();
        FLAC__StreamMetadata_VorbisComment_Entry entry{
            FLAC__uint32(mask.size()),
            reinterpret_cast<FLAC__byte*>(const_cast<char*>(mask.constData()))};
        if (!FLAC__metadata_object_vorbiscomment_append_comment(d->comments, entry, true))
            throw std::bad_alloc();
    }
    FLAC__StreamMetadata* blocks[] = {d->seekTable, d->comments, d->padding};

    // Each frame is decoded again and compared on the verifier's thread, not
    // by libFLAC on this one.
    FLAC__StreamEncoder* e = d->encoder;
    const bool accepted = FLAC__stream_encoder_set_compression_level(e, unsigned(settings.level)) &&
                          FLAC__stream_encoder_set_channels(e, unsigned(settings.channels)) &&
                          FLAC__stream_encoder_set_bits_per_sample(e, unsigned(settings.bits)) &&
                          FLAC__stream_encoder_set_sample_rate(e, unsigned(settings.sampleRate)) &&
                          FLAC__stream_encoder_set_metadata(e, blocks, 3);
    if (!accepted || settings.channels < 1 || settings.channels > 8 ||
        !FLAC__format_sample_rate_is_valid(unsigned(settings.sampleRate)))
        refuse(QStringLiteral("at %1 Hz with %2 channel(s)")
                   .arg(settings.sampleRate)
                   .arg(settings.channels));

    d->verifier = std::make_unique<FlacVerifier>(settings.channels, settings.bits);
    m_file.create(path);
    d->file = &m_file;
    const FLAC__StreamEncoderInitStatus status =
        FLAC__stream_encoder_init_stream(e, &Private::writeCallback, &Private::seekCallback,
                                         &Private::tellCallback, nullptr, d.get());
    if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        if (d->failure)
            throw *d->failure;
        refuse(QStringLiteral("here: %1")
                   .arg(QLatin1String(FLAC__StreamEncoderInitStatusString[status])));
    }
}

FlacWriter::~FlacWriter() = default;

PcmFormat FlacWriter::format() const {
    return {m_settings.sampleRate, m_settings.channels,
            m_settings.bits > 16 ? SampleType::Int32 : SampleType::Int16, m_settings.bits,
            m_settings.channelMask};
}

void FlacWriter::write(const void* pcm, int frames) {
    const std::size_t count = std::size_t(frames) * std::size_t(m_settings.channels);
    auto buffer = std::make_shared<std::vector<FLAC__int32>>(count);
    if (m_settings.bits > 16) {
        // libFLAC takes the significant bits alone; ours come at full scale.
        const auto* samples = static_cast<const qint32*>(pcm);
        for (std::size_t i = 0; i < count; ++i)
            (*buffer)[i] = samples[i] >> (32 - m_settings.bits);
    } else {
        const auto* samples = static_cast<const qint16*>(pcm);
        std::copy(samples, samples + count, buffer->begin());
    }
    d->verifier->expect(buffer);
    if (!FLAC__stream_encoder_process_interleaved(d->encoder, buffer->data(), unsigned(frames)))
        fail();
}

void FlacWriter::fail() {
    if (d->failure)
        throw *d->failure;
    const QString mismatch = d->verifier->finish();
    if (!mismatch.isEmpty())
        throw ComponentError(
            QStringLiteral("The FLAC file does not decode to its sound: %1.").arg(mismatch));
    const FLAC__StreamEncoderState state = FLAC__stream_encoder_get_state(d->encoder);
    throw ComponentError(QStringLiteral("The FLAC encoder failed: %1.")
                             .arg(QLatin1String(FLAC__StreamEncoderStateString[state])));
}

void FlacWriter::finish() {
    if (!FLAC__stream_encoder_finish(d->encoder) || d->failure || !d->verifier->finish().isEmpty())
        fail();
    const std::optional<quint64> table = d->seekPointsOffset();
    if (!table)
        throw ComponentError(QStringLiteral("The FLAC encoder wrote no seek table."));
    const QByteArray points = d->seekPoints(m_settings.sampleRate);
    m_file.writeAt(long(*table), points.constData(), std::size_t(points.size()));
    m_file.close();
}
