#include "components/ffmpeg/pcmresampler.h"

#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegsupport.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

PcmResampler::PcmResampler(int inRate, int inChannels, int outRate, int outChannels)
    : m_outChannels(outChannels) {
    AVChannelLayout in{}, out{};
    av_channel_layout_default(&in, inChannels);
    av_channel_layout_default(&out, outChannels);
    int result = swr_alloc_set_opts2(&m_swr, &out, AV_SAMPLE_FMT_S16, outRate, &in,
                                     AV_SAMPLE_FMT_S16, inRate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (result >= 0) {
        av_opt_set_double(m_swr, "rematrix_maxval", 1.0, 0); // a mix-down must not clip
        result = swr_init(m_swr);
    }
    if (result < 0) {
        swr_free(&m_swr);
        throw ComponentError(
            QStringLiteral("Sound at %1 Hz with %2 channel(s) cannot be converted to %3 Hz with "
                           "%4 channel(s) (%5).")
                .arg(inRate)
                .arg(inChannels)
                .arg(outRate)
                .arg(outChannels)
                .arg(FfmpegSupport::errorText(result)));
    }
}

PcmResampler::~PcmResampler() {
    swr_free(&m_swr);
}

const std::vector<qint16>& PcmResampler::convert(const qint16* samples, int frames) {
    const int capacity = swr_get_out_samples(m_swr, frames);
    m_out.resize(std::size_t(std::max(capacity, 0)) * std::size_t(m_outChannels));
    auto* out = reinterpret_cast<uint8_t*>(m_out.data());
    const auto* in = reinterpret_cast<const uint8_t*>(samples);
    const int converted = swr_convert(m_swr, &out, capacity, samples ? &in : nullptr, frames);
    m_out.resize(std::size_t(std::max(converted, 0)) * std::size_t(m_outChannels));
    return m_out;
}

const std::vector<qint16>& PcmResampler::flush() {
    return convert(nullptr, 0);
}
