#pragma once

#include <QtGlobal>

// Undoes the 50/15 µs pre-emphasis that some CDs were mastered with (their
// tracks carry the PRE flag): a shelf that lowers the treble by up to 10 dB.
// A second-order filter fitted to the analogue curve at 44100 Hz, within
// 0.01 dB from 20 Hz to 20 kHz and exact at 0 Hz, so that the bass and the
// level stay as they were.
class DeEmphasis {
public:
    static constexpr int SampleRate = 44100;

    explicit DeEmphasis(int channels = 2);

    // 16-bit little-endian interleaved PCM in place, in any split of whole
    // samples; the filter's state runs on from one call to the next.
    void process(char* pcm, qsizetype bytes);
    // The analogue curve's gain at a frequency, as a fraction (1 at 0 Hz).
    static double curve(double hertz);

private:
    struct State {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    int m_channels;
    int m_next = 0; // the channel of the next sample
    State m_state[8];
};
