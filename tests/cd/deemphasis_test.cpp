// De-emphasis follows the 50/15 µs curve, keeps the level of the bass and
// silence as it is, and runs on across blocks of any size.
#include "cd/deemphasis.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QByteArray>
#include <QtEndian>

namespace {

QByteArray tone(double hertz, int samples, double amplitude) {
    QByteArray pcm(samples * 4, '\0');
    for (int i = 0; i < samples; ++i) {
        const auto value = qint16(std::lround(amplitude * std::sin(2 * M_PI * hertz * i / 44100)));
        qToLittleEndian<qint16>(value, pcm.data() + i * 4);
        qToLittleEndian<qint16>(qint16(-value), pcm.data() + i * 4 + 2);
    }
    return pcm;
}

double rms(const QByteArray& pcm, int from) {
    double sum = 0;
    int count = 0;
    for (int i = from * 4; i + 1 < pcm.size(); i += 2, ++count)
        sum += std::pow(qFromLittleEndian<qint16>(pcm.constData() + i), 2);
    return std::sqrt(sum / count);
}

} // namespace

TEST(DeEmphasis, FollowsTheCurveAndKeepsWhatItShould) {
    const struct {
        double hertz;
        double expectedDb; // the curve's own value, to be met within 0.05 dB
    } cases[] = {{1000, -0.370}, {5000, -4.529}, {16000, -9.043}};
    for (const auto& c : cases) {
        EXPECT_NEAR(20 * std::log10(DeEmphasis::curve(c.hertz)), c.expectedDb, 0.001);
        const QByteArray in = tone(c.hertz, 44100, 20000);
        QByteArray out = in;
        DeEmphasis filter;
        filter.process(out.data(), out.size());
        EXPECT_NEAR(20 * std::log10(rms(out, 22050) / rms(in, 22050)), c.expectedDb, 0.05)
            << c.hertz << " Hz";
    }
    // Silence stays digital silence; a steady level passes at its level, in
    // blocks of any split alike.
    QByteArray silence(44100, '\0');
    DeEmphasis().process(silence.data(), silence.size());
    EXPECT_EQ(silence, QByteArray(44100, '\0'));
    QByteArray level(8000 * 4, '\0');
    for (int i = 0; i < level.size(); i += 2)
        qToLittleEndian<qint16>(qint16(-12345), level.data() + i);
    QByteArray whole = level;
    DeEmphasis().process(whole.data(), whole.size());
    EXPECT_EQ(qFromLittleEndian<qint16>(whole.constData() + whole.size() - 2), -12345);
    DeEmphasis split;
    for (int at = 0; at < level.size(); at += 1002)
        split.process(level.data() + at, qMin(1002, int(level.size()) - at));
    EXPECT_EQ(level, whole);
}
