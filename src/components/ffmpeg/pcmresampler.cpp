#include "components/ffmpeg/pcmresampler.h"

#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegsupport.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

AVSampleFormat sampleFormatOf(SampleType type) {
    switch (type) {
    case SampleType::Int32:
        return AV_SAMPLE_FMT_S32;
    case SampleType::Float32:
        return AV_SAMPLE_FMT_FLT;
    case SampleType::Int16:
        break;
    }
    return AV_SAMPLE_FMT_S16;
}

namespace {

// The format's speakers where they match its channel count, else the usual ones.
void layoutOf(const PcmFormat& format, AVChannelLayout* layout) {
    if (format.channelMask == 0 || av_channel_layout_from_mask(layout, format.channelMask) < 0 ||
        layout->nb_channels != format.channels) {
        av_channel_layout_uninit(layout);
        av_channel_layout_default(layout, format.channels);
    }
}

} // namespace

PcmResampler::PcmResampler(const PcmFormat& in, const PcmFormat& out) : m_out(out) {
    AVChannelLayout inLayout{}, outLayout{};
    layoutOf(in, &inLayout);
    layoutOf(out, &outLayout);
    int result = swr_alloc_set_opts2(&m_swr, &outLayout, sampleFormatOf(out.type), out.sampleRate,
                                     &inLayout, sampleFormatOf(in.type), in.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (result >= 0) {
        av_opt_set_double(m_swr, "rematrix_maxval", 1.0, 0); // a mix-down must not clip
        result = swr_init(m_swr);
    }
    if (result < 0) {
        swr_free(&m_swr);
        throw ComponentError(
            QStringLiteral("Sound at %1 Hz with %2 channel(s) cannot be converted to %3 Hz with "
                           "%4 channel(s) (%5).")
                .arg(in.sampleRate)
                .arg(in.channels)
                .arg(out.sampleRate)
                .arg(out.channels)
                .arg(FfmpegSupport::errorText(result)));
    }
}

PcmResampler::~PcmResampler() {
    swr_free(&m_swr);
}

PcmResampler::Block PcmResampler::convert(const void* samples, int frames) {
    const int capacity = std::max(swr_get_out_samples(m_swr, frames), 0);
    m_buffer.resize(std::size_t(capacity) * std::size_t(m_out.frameBytes()));
    uint8_t* out = m_buffer.data();
    const auto* in = static_cast<const uint8_t*>(samples);
    const int converted = swr_convert(m_swr, &out, capacity, samples ? &in : nullptr, frames);
    return {m_buffer.data(), std::max(converted, 0)};
}

PcmResampler::Block PcmResampler::flush() {
    return convert(nullptr, 0);
}
