#include "components/flac/flacverifier.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <FLAC/stream_decoder.h>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// Bytes written but not yet decoded before the encoder waits: some hundred
// frames, so that the two threads rarely wait for each other.
constexpr std::size_t MostWaiting = 1024 * 1024;
// A decoder that has run out is woken for this much at once, not for every
// frame: each wake-up costs two switches between threads.
constexpr std::size_t WakeFor = 256 * 1024;

} // namespace

struct FlacVerifier::Private {
    const int channels;
    const int bits;
    FLAC__StreamDecoder* decoder = nullptr;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<unsigned char> bytes; // written, from `read` on not yet decoded
    std::size_t read = 0;
    std::deque<std::shared_ptr<const std::vector<qint32>>>
        samples; // from `used` on in the front one
    std::size_t used = 0;
    bool ended = false;          // every byte has been fed
    bool closing = false;        // the writer is going away
    bool decoderWaiting = false; // the decoder sleeps until there is more
    bool encoderWaiting = false; // the encoder sleeps until the decoder catches up
    std::optional<QString> failure;
    std::thread thread;

    Private(int channelCount, int bitsPerSample) : channels(channelCount), bits(bitsPerSample) {}

    void fail(const QString& why) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure)
            failure = why;
        changed.notify_all();
    }

    FLAC__StreamDecoderReadStatus give(FLAC__byte* out, std::size_t* count) {
        std::unique_lock<std::mutex> lock(mutex);
        if (bytes.size() == read) {
            decoderWaiting = true;
            changed.wait(lock, [this] {
                return closing || failure || ended || bytes.size() - read >= WakeFor;
            });
            decoderWaiting = false;
        }
        if (closing || failure) {
            *count = 0;
            return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
        }
        const std::size_t n = std::min(*count, bytes.size() - read);
        *count = n;
        if (n == 0)
            return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
        std::copy_n(bytes.begin() + std::ptrdiff_t(read), n, out);
        read += n;
        if (read >= WakeFor && read * 2 >= bytes.size()) {
            bytes.erase(bytes.begin(), bytes.begin() + std::ptrdiff_t(read));
            read = 0;
        }
        if (encoderWaiting)
            changed.notify_all();
        return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }

    // Compares a decoded frame with the samples expected next.
    bool check(const FLAC__Frame* frame, const FLAC__int32* const decoded[]) {
        if (int(frame->header.channels) != channels || int(frame->header.bits_per_sample) != bits) {
            fail(QStringLiteral("a frame has another layout than the sound"));
            return false;
        }
        for (unsigned done = 0; done < frame->header.blocksize;) {
            std::shared_ptr<const std::vector<qint32>> front;
            std::size_t at = 0;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (!samples.empty()) {
                    front = samples.front();
                    at = used;
                }
            }
            const unsigned span =
                front ? unsigned(std::min<std::size_t>(frame->header.blocksize - done,
                                                       (front->size() - at) / channels))
                      : 0;
            if (span == 0) {
                fail(QStringLiteral("it holds more sound than it was given"));
                return false;
            }
            const qint32* expected = front->data() + at;
            for (int c = 0; c < channels; ++c) {
                const FLAC__int32* got = decoded[c] + done;
                // Differences gathered without a branch, which runs several samples at once.
                qint32 differs = 0;
                for (unsigned i = 0; i < span; ++i)
                    differs |= got[i] ^ expected[std::size_t(i) * channels + c];
                for (unsigned i = 0; differs != 0 && i < span; ++i)
                    if (got[i] != expected[std::size_t(i) * channels + c]) {
                        fail(QStringLiteral("sample %1 of channel %2 differs from the sound")
                                 .arg(frame->header.number.sample_number + done + i)
                                 .arg(c + 1));
                        return false;
                    }
            }
            done += span;
            std::lock_guard<std::mutex> lock(mutex);
            used += std::size_t(span) * channels;
            if (used == samples.front()->size()) {
                samples.pop_front();
                used = 0;
            }
        }
        return true;
    }

    void run() {
        FLAC__stream_decoder_process_until_end_of_stream(decoder);
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder);
        if (state != FLAC__STREAM_DECODER_END_OF_STREAM)
            fail(QStringLiteral("the decoder stopped: %1")
                     .arg(QLatin1String(FLAC__StreamDecoderStateString[state])));
    }

    static FLAC__StreamDecoderReadStatus readCallback(const FLAC__StreamDecoder*, FLAC__byte out[],
                                                      std::size_t* count, void* self) {
        return static_cast<Private*>(self)->give(out, count);
    }
    static FLAC__StreamDecoderWriteStatus writeCallback(const FLAC__StreamDecoder*,
                                                        const FLAC__Frame* frame,
                                                        const FLAC__int32* const decoded[],
                                                        void* self) {
        return static_cast<Private*>(self)->check(frame, decoded)
                   ? FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE
                   : FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    static void errorCallback(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status,
                              void* self) {
        static_cast<Private*>(self)->fail(
            QStringLiteral("it does not decode: %1")
                .arg(QLatin1String(FLAC__StreamDecoderErrorStatusString[status])));
    }
};

FlacVerifier::FlacVerifier(int channels, int bitsPerSample)
    : d(std::make_unique<Private>(channels, bitsPerSample)) {
    d->decoder = FLAC__stream_decoder_new();
    if (!d->decoder)
        throw std::bad_alloc();
    if (FLAC__stream_decoder_init_stream(d->decoder, &Private::readCallback, nullptr, nullptr,
                                         nullptr, nullptr, &Private::writeCallback, nullptr,
                                         &Private::errorCallback,
                                         d.get()) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        FLAC__stream_decoder_delete(d->decoder);
        throw std::bad_alloc();
    }
    d->thread = std::thread([this] { d->run(); });
}

FlacVerifier::~FlacVerifier() {
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->closing = true;
    }
    d->changed.notify_all();
    if (d->thread.joinable())
        d->thread.join();
    FLAC__stream_decoder_delete(d->decoder);
}

void FlacVerifier::expect(std::shared_ptr<const std::vector<qint32>> samples) {
    if (samples->empty())
        return;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->samples.push_back(std::move(samples));
}

bool FlacVerifier::feed(const unsigned char* bytes, std::size_t count) {
    std::unique_lock<std::mutex> lock(d->mutex);
    d->encoderWaiting = true;
    d->changed.wait(lock, [this] {
        return d->failure || d->closing || d->bytes.size() - d->read < MostWaiting;
    });
    d->encoderWaiting = false;
    if (d->failure || d->closing)
        return false;
    d->bytes.insert(d->bytes.end(), bytes, bytes + count);
    if (d->decoderWaiting && d->bytes.size() - d->read >= WakeFor)
        d->changed.notify_all();
    return true;
}

QString FlacVerifier::finish() {
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->ended = true;
    }
    d->changed.notify_all();
    if (d->thread.joinable())
        d->thread.join();
    if (!d->failure && !d->samples.empty())
        d->failure = QStringLiteral("it ends before the sound does");
    return d->failure.value_or(QString());
}
