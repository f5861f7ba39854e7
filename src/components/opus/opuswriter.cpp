#include "components/opus/opuswriter.h"

#include "components/componenterror.h"

#include <optional>
#include <opus/opusenc.h>
#include <vector>

struct OpusWriter::Private {
    OggOpusComments* comments = nullptr;
    OggOpusEnc* encoder = nullptr;
    OutputFile* file = nullptr;
    std::optional<ComponentError> failure; // raised by the file inside a callback
    bool wrote = false;                    // any sound has reached the encoder

    ~Private() {
        if (encoder)
            ope_encoder_destroy(encoder);
        if (comments)
            ope_comments_destroy(comments);
    }

    static int writeCallback(void* self, const unsigned char* bytes, opus_int32 count) {
        auto* d = static_cast<Private*>(self);
        // A failing disk raises; that must not unwind through libopusenc.
        try {
            d->file->write(bytes, std::size_t(count));
        } catch (const ComponentError& error) {
            d->failure = error;
            return 1;
        }
        return 0;
    }
    // The file is closed by the writer, which can report a failure.
    static int closeCallback(void*) { return 0; }

    [[noreturn]] void fail(const char* action, int error) {
        if (failure)
            throw *failure;
        throw ComponentError(QStringLiteral("The Opus encoder failed to %1: %2.")
                                 .arg(QLatin1String(action), QLatin1String(ope_strerror(error))));
    }
};

OpusWriter::OpusWriter(const QString& path, const Settings& settings)
    : d(std::make_unique<Private>()), m_settings(settings) {
    if (settings.bitrate < 6 || settings.bitrate > 510)
        throw ComponentError(QStringLiteral("Opus cannot be made at %1 kbit/s; it takes 6 to 510.")
                                 .arg(settings.bitrate));
    if (settings.complexity < 0 || settings.complexity > 10)
        throw ComponentError(
            QStringLiteral("The Opus complexity %1 is outside 0 to 10.").arg(settings.complexity));
    d->comments = ope_comments_create();
    if (!d->comments)
        throw std::bad_alloc();
    d->file = &m_file;
    static const OpusEncCallbacks callbacks{&Private::writeCallback, &Private::closeCallback};
    // Mono and stereo need no channel mapping; more channels take the surround family.
    const int family = settings.channels <= 2 ? 0 : 1;
    int error = OPE_OK;
    d->encoder = ope_encoder_create_callbacks(&callbacks, d.get(), d->comments, settings.sampleRate,
                                              settings.channels, family, &error);
    if (!d->encoder)
        throw ComponentError(QStringLiteral("Opus cannot be made at %1 Hz with %2 channel(s): %3.")
                                 .arg(settings.sampleRate)
                                 .arg(settings.channels)
                                 .arg(QLatin1String(ope_strerror(error))));
    const bool cbr = settings.mode == Mode::Cbr;
    const bool constrained = settings.mode == Mode::ConstrainedVbr;
    if ((error = ope_encoder_ctl(d->encoder, OPUS_SET_BITRATE(settings.bitrate * 1000))) !=
            OPE_OK ||
        (error = ope_encoder_ctl(d->encoder, OPUS_SET_VBR(cbr ? 0 : 1))) != OPE_OK ||
        (error = ope_encoder_ctl(d->encoder, OPUS_SET_VBR_CONSTRAINT(constrained ? 1 : 0))) !=
            OPE_OK ||
        (error = ope_encoder_ctl(d->encoder, OPUS_SET_COMPLEXITY(settings.complexity))) != OPE_OK)
        d->fail("take its settings", error);
    // libopusenc writes the headers with the first audio; the file exists from here.
    m_file.create(path);
}

OpusWriter::~OpusWriter() = default;

void OpusWriter::write(const void* pcm, int frames) {
    const auto* samples = static_cast<const qint16*>(pcm);
    d->wrote = d->wrote || frames > 0;
    const int error = ope_encoder_write(d->encoder, samples, frames);
    if (error != OPE_OK || d->failure)
        d->fail("encode", error);
}

void OpusWriter::finish() {
    // libopusenc aborts the process when a stream without a sample is
    // drained (a row stopped or failed before its first block): one silent
    // sample makes it a stream, and the file an Opus file of no length.
    if (!d->wrote) {
        const std::vector<qint16> silence(size_t(m_settings.channels), 0);
        write(silence.data(), 1);
    }
    const int error = ope_encoder_drain(d->encoder);
    if (error != OPE_OK || d->failure)
        d->fail("complete the file", error);
    m_file.close();
}
