#include "components/vorbis/oggvorbiswriter.h"

#include "components/componenterror.h"
#include "components/output/simdstate.h"
#include "settings/lookuptables.h"

#include <algorithm>
#include <cstdlib>
#include <QRandomGenerator>
#include <vector>
#include <vorbis/vorbisenc.h>

namespace {

constexpr int FramesPerBlock = 1024;

void writePage(OutputFile& file, const ogg_page& page) {
    file.write(page.header, std::size_t(page.header_len));
    file.write(page.body, std::size_t(page.body_len));
}

bool setUpEncoder(vorbis_info* info, const OggVorbisWriter::Settings& s) {
    if (s.quality >= 0)
        return vorbis_encode_init_vbr(info, s.channels, s.sampleRate, float(s.quality) / 1000.f) ==
               0;
    if (s.minBitrate > 0 || s.maxBitrate > 0) {
        const long nominal = s.bitrate > 0 ? s.bitrate * 1000L : -1;
        return vorbis_encode_init(info, s.channels, s.sampleRate,
                                  s.maxBitrate > 0 ? s.maxBitrate * 1000L : -1, nominal,
                                  s.minBitrate > 0 ? s.minBitrate * 1000L : -1) == 0;
    }
    // Bitrate-targeted VBR: the bitrate sets the quality, no bitrate management.
    return vorbis_encode_setup_managed(info, s.channels, s.sampleRate, -1, s.bitrate * 1000L, -1) ==
               0 &&
           vorbis_encode_ctl(info, OV_ECTL_RATEMANAGE2_SET, nullptr) == 0 &&
           vorbis_encode_setup_init(info) == 0;
}

} // namespace

struct OggVorbisWriter::Private {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    bool analysing = false;

    Private() {
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~Private() {
        if (analysing) {
            ogg_stream_clear(&stream);
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
};

OggVorbisWriter::OggVorbisWriter(const QString& path, const Settings& settings)
    : d(std::make_unique<Private>()), m_sampleRate(settings.sampleRate),
      m_channels(settings.channels) {
    Settings chosen = settings;
    if (chosen.quality < 0 && chosen.minBitrate > 0 && chosen.maxBitrate > 0) {
        // The nominal bitrate lies between the two limits.
        if (chosen.minBitrate > chosen.maxBitrate)
            std::swap(chosen.minBitrate, chosen.maxBitrate);
        chosen.bitrate = std::clamp(chosen.bitrate, chosen.minBitrate, chosen.maxBitrate);
    }
    bool ready = setUpEncoder(&d->info, chosen);
    if (!ready && chosen.quality < 0) {
        std::vector<int> nearest(std::begin(LookupTables::BitrateTable),
                                 std::end(LookupTables::BitrateTable));
        std::stable_sort(nearest.begin(), nearest.end(), [&](int a, int b) {
            return std::abs(a - chosen.bitrate) < std::abs(b - chosen.bitrate);
        });
        for (int kbps : nearest) {
            vorbis_info_clear(&d->info);
            vorbis_info_init(&d->info);
            Settings fallback = chosen;
            fallback.bitrate = kbps;
            fallback.minBitrate = fallback.maxBitrate = 0;
            if ((ready = setUpEncoder(&d->info, fallback)))
                break;
        }
    }
    if (!ready)
        throw ComponentError(
            QStringLiteral(
                "Ogg Vorbis cannot be made at %1 Hz with %2 channel(s) and these settings.")
                .arg(settings.sampleRate)
                .arg(settings.channels));

    vorbis_analysis_init(&d->dsp, &d->info);
    vorbis_block_init(&d->dsp, &d->block);
    ogg_stream_init(&d->stream, int(QRandomGenerator::global()->bounded(0x7FFFFFFF)));
    d->analysing = true;

    m_file.create(path);
    ogg_packet identification, comments, codebooks;
    vorbis_analysis_headerout(&d->dsp, &d->comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&d->stream, &identification);
    ogg_stream_packetin(&d->stream, &comments);
    ogg_stream_packetin(&d->stream, &codebooks);
    // The headers get pages of their own, so that the audio starts on a fresh page.
    ogg_page page;
    while (ogg_stream_flush(&d->stream, &page) != 0) {
        writePage(m_file, page);
    }
}

OggVorbisWriter::~OggVorbisWriter() = default;

void OggVorbisWriter::write(const void* pcm, int frames) {
    const auto* samples = static_cast<const qint16*>(pcm);
    while (frames > 0) {
        const int count = std::min(frames, FramesPerBlock);
        clearUpperSimdState();
        float** buffer = vorbis_analysis_buffer(&d->dsp, count);
        for (int c = 0; c < m_channels; ++c) {
            float* out = buffer[c];
            const qint16* in = samples + c;
            for (int i = 0; i < count; ++i, in += m_channels)
                out[i] = float(*in) * (1.f / 32768.f);
        }
        vorbis_analysis_wrote(&d->dsp, count);
        drain(false);
        samples += count * m_channels;
        frames -= count;
    }
}

void OggVorbisWriter::drain(bool endOfStream) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&d->dsp, &d->block) == 1) {
        vorbis_analysis(&d->block, nullptr);
        vorbis_bitrate_addblock(&d->block);
        while (vorbis_bitrate_flushpacket(&d->dsp, &packet) == 1) {
            ogg_stream_packetin(&d->stream, &packet);
            while (ogg_stream_pageout(&d->stream, &page) != 0) {
                writePage(m_file, page);
            }
        }
    }
    if (endOfStream) {
        while (ogg_stream_flush(&d->stream, &page) != 0) {
            writePage(m_file, page);
        }
    }
}

void OggVorbisWriter::finish() {
    vorbis_analysis_wrote(&d->dsp, 0);
    drain(true);
    m_file.close();
}
