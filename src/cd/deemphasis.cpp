#include "cd/deemphasis.h"

#include <cmath>
#include <QtEndian>

namespace {

// Two real zeros and poles placed for the least largest error against the
// curve, the gain set for 0 dB at 0 Hz.
constexpr double B0 = 0.4603326428256219;
constexpr double B1 = 0.07050940089756247;
constexpr double B2 = -0.03795630067373582;
constexpr double A1 = -0.28187996849741326;
constexpr double A2 = -0.22523428845313823;

constexpr double Tau1 = 50e-6;
constexpr double Tau2 = 15e-6;

} // namespace

DeEmphasis::DeEmphasis(int channels) : m_channels(qBound(1, channels, 8)) {}

double DeEmphasis::curve(double hertz) {
    const double w = 2 * M_PI * hertz;
    return std::sqrt((1 + w * w * Tau2 * Tau2) / (1 + w * w * Tau1 * Tau1));
}

void DeEmphasis::process(char* pcm, qsizetype bytes) {
    auto* samples = reinterpret_cast<uchar*>(pcm);
    for (qsizetype i = 0; i + 1 < bytes; i += 2) {
        State& s = m_state[m_next];
        m_next = (m_next + 1) % m_channels;
        const double x = qFromLittleEndian<qint16>(samples + i);
        const double y = B0 * x + B1 * s.x1 + B2 * s.x2 - A1 * s.y1 - A2 * s.y2;
        s.x2 = s.x1;
        s.x1 = x;
        s.y2 = s.y1;
        s.y1 = y;
        const long rounded = std::lround(y);
        qToLittleEndian<qint16>(qint16(qBound(-32768L, rounded, 32767L)), samples + i);
    }
}
