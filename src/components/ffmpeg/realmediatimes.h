#pragma once

#include <QString>

// FFmpeg's RealMedia muxer stamps every RealAudio 1.0 packet with time 0 and
// writes a duration of 0 (it cannot tell that codec's frame length), so
// players see an empty file. This fills in the times of a finished file.
namespace RealMediaTimes {
// Gives packet n the time n * frameSize / sampleRate and the file and stream
// headers the length of all packets. Raises ComponentError when the file
// cannot be changed or is no RealMedia file.
void stamp(const QString& path, int frameSize, int sampleRate);
} // namespace RealMediaTimes
