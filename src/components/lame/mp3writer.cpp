#include "components/lame/mp3writer.h"

#include "components/componenterror.h"
#include "components/output/simdstate.h"
#include "platform/partfilename.h"

#include <algorithm>
#include <lame/lame.h>

namespace {

// What the ten simple presets of the settings stand for: Orvelle's own choice
// of rate, channels and CBR bitrate for each kind of sound.
struct SimplePreset {
    int sampleRate;
    MPEG_mode mode;
    int kbps;
};

const SimplePreset SimplePresets[] = {
    {8000, MONO, 16},           // Phone
    {11025, MONO, 24},          // SW (short-wave radio)
    {16000, MONO, 32},          // AM
    {32000, JOINT_STEREO, 96},  // FM
    {22050, MONO, 48},          // Voice
    {44100, JOINT_STEREO, 112}, // Radio
    {44100, JOINT_STEREO, 128}, // Tape
    {44100, JOINT_STEREO, 160}, // HiFi
    {44100, STEREO, 192},       // CD
    {44100, STEREO, 256},       // Studio
};
constexpr int R3MixPreset = 11;

const int AltPresets[] = {STANDARD_FAST, STANDARD, EXTREME_FAST, EXTREME, INSANE};

constexpr int FramesPerCall = 4096;

} // namespace

Mp3Writer::Mp3Writer(const QString& path, const LameSettings& settings) {
    m_lame = lame_init();
    if (!m_lame)
        throw ComponentError(QStringLiteral("The MP3 encoder cannot start: out of memory."));
    try {
        configure(settings);
        if (lame_init_params(m_lame) < 0)
            throw ComponentError(
                QStringLiteral("The MP3 encoder cannot work with these settings (%1 Hz, %2 kbps).")
                    .arg(m_sampleRate)
                    .arg(settings.bitrate));
        m_infoFrame = settings.writeVbrHeader;
        m_buffer.resize(FramesPerCall * 5 / 4 + 7200);
        m_file.create(path);
    } catch (...) {
        lame_close(m_lame);
        m_lame = nullptr;
        throw;
    }
}

Mp3Writer::~Mp3Writer() {
    if (m_lame)
        lame_close(m_lame);
}

void Mp3Writer::configure(const LameSettings& settings) {
    lame_set_write_id3tag_automatic(m_lame, 0); // the tag writer adds the ID3v2 tag later
    lame_set_error_protection(m_lame, settings.crc);
    lame_set_bWriteVbrTag(m_lame, settings.writeVbrHeader);
    lame_set_copyright(m_lame, settings.copyright);
    lame_set_original(m_lame, settings.original);

    if (settings.altPreset > 0 || settings.preset == R3MixPreset) {
        m_sampleRate = 44100;
        m_channels = 2;
        lame_set_in_samplerate(m_lame, m_sampleRate);
        lame_set_num_channels(m_lame, m_channels);
        lame_set_preset(m_lame, settings.preset == R3MixPreset
                                    ? int(R3MIX)
                                    : AltPresets[settings.altPreset - 1]);
        lame_set_out_samplerate(m_lame, m_sampleRate);
        return;
    }
    if (settings.preset > 0) {
        const SimplePreset& preset = SimplePresets[settings.preset - 1];
        m_sampleRate = preset.sampleRate;
        m_channels = preset.mode == MONO ? 1 : 2;
        lame_set_in_samplerate(m_lame, m_sampleRate);
        lame_set_out_samplerate(m_lame, m_sampleRate);
        lame_set_num_channels(m_lame, m_channels);
        lame_set_mode(m_lame, preset.mode);
        lame_set_VBR(m_lame, vbr_off);
        lame_set_brate(m_lame, preset.kbps);
        return;
    }

    m_sampleRate = settings.sampleRate;
    m_channels = settings.channelMode == 0 ? 1 : 2;
    lame_set_in_samplerate(m_lame, m_sampleRate);
    lame_set_out_samplerate(m_lame, m_sampleRate);
    lame_set_num_channels(m_lame, m_channels);
    // LAME cannot make dual-channel frames; plain stereo keeps the two channels
    // just as independent.
    static const MPEG_mode modes[] = {MONO, STEREO, JOINT_STEREO, JOINT_STEREO, STEREO};
    lame_set_mode(m_lame, modes[settings.channelMode]);
    lame_set_force_ms(m_lame, settings.channelMode == 3);
    lame_set_quality(m_lame, settings.quality);

    if (settings.abrBitrate > 0) {
        lame_set_VBR(m_lame, vbr_abr);
        lame_set_VBR_mean_bitrate_kbps(m_lame, settings.abrBitrate);
        if (settings.enforceMinBitrate) {
            lame_set_VBR_min_bitrate_kbps(m_lame, std::min(settings.bitrate, settings.abrBitrate));
            lame_set_VBR_hard_min(m_lame, 1);
        }
    } else if (settings.vbrMethod < 0) {
        lame_set_VBR(m_lame, vbr_off);
        lame_set_brate(m_lame, settings.bitrate);
    } else {
        static const vbr_mode methods[] = {vbr_default, vbr_rh, vbr_mt, vbr_mtrh};
        lame_set_VBR(m_lame, methods[settings.vbrMethod]);
        lame_set_VBR_quality(m_lame, float(settings.vbrQuality));
        lame_set_VBR_max_bitrate_kbps(m_lame, settings.vbrBitrate);
        if (settings.enforceMinBitrate) {
            lame_set_VBR_min_bitrate_kbps(m_lame, std::min(settings.bitrate, settings.vbrBitrate));
            lame_set_VBR_hard_min(m_lame, 1);
        }
    }

    // Without a low-pass of the user's own, LAME's choice for the bitrate stays:
    // turning the filter off entirely would spend bits on what nobody hears,
    // unless the command line asks for it ("-k").
    if (settings.keepAllFrequencies) {
        lame_set_lowpassfreq(m_lame, -1);
        lame_set_highpassfreq(m_lame, -1);
    }
    if (settings.lowpassFrequency >= 0) {
        lame_set_lowpassfreq(m_lame, settings.lowpassFrequency);
        if (settings.lowpassWidth >= 0)
            lame_set_lowpasswidth(m_lame, settings.lowpassWidth);
    }
    if (settings.highpassFrequency > 0) {
        lame_set_highpassfreq(m_lame, settings.highpassFrequency);
        if (settings.highpassWidth >= 0)
            lame_set_highpasswidth(m_lame, settings.highpassWidth);
    }

    lame_set_ATHonly(m_lame, settings.athMode == 1);
    lame_set_noATH(m_lame, settings.athMode == 2);
    lame_set_ATHshort(m_lame, settings.athMode == 3);
    static const int emphases[] = {0, 1, 3}; // none, 50/15 microseconds, CCITT J.17
    lame_set_emphasis(m_lame, emphases[settings.deemphasis]);
    lame_set_strict_ISO(m_lame, settings.strictIso);
    lame_set_allow_diff_short(m_lame, settings.allowDiffBlocks);
    lame_set_no_short_blocks(m_lame, !settings.shortBlocks);
    lame_set_disable_reservoir(m_lame, !settings.bitReservoir);
}

void Mp3Writer::write(const void* pcm, int frames) {
    const auto* samples = static_cast<const qint16*>(pcm);
    while (frames > 0) {
        const int count = std::min(frames, FramesPerCall);
        clearUpperSimdState();
        const int bytes =
            m_channels == 2
                ? lame_encode_buffer_interleaved(m_lame, const_cast<short*>(samples), count,
                                                 m_buffer.data(), int(m_buffer.size()))
                : lame_encode_buffer(m_lame, samples, samples, count, m_buffer.data(),
                                     int(m_buffer.size()));
        if (bytes < 0)
            throw ComponentError(QStringLiteral("The MP3 encoder failed on %1 (error %2).")
                                     .arg(finalPathOfPart(m_file.path()))
                                     .arg(bytes));
        m_file.write(m_buffer.data(), std::size_t(bytes));
        samples += count * m_channels;
        frames -= count;
    }
}

void Mp3Writer::finish() {
    const int bytes = lame_encode_flush(m_lame, m_buffer.data(), int(m_buffer.size()));
    // The last frames are part of the sound: a file without them is not complete.
    if (bytes < 0)
        throw ComponentError(QStringLiteral("The MP3 encoder failed on %1 (error %2).")
                                 .arg(finalPathOfPart(m_file.path()))
                                 .arg(bytes));
    m_file.write(m_buffer.data(), std::size_t(bytes));
    if (m_infoFrame) {
        const std::size_t size = lame_get_lametag_frame(m_lame, m_buffer.data(), m_buffer.size());
        if (size > 0 && size <= m_buffer.size())
            m_file.writeAt(0, m_buffer.data(), size);
    }
    m_file.close();
}
