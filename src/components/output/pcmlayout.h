#pragma once

// The rates and channel counts Orvelle's components take PCM in.
namespace PcmLayout {
inline constexpr int MinRate = 1000;
inline constexpr int MaxRate = 192000;
// Raises ComponentError, naming `what`, unless the rate is within MinRate..MaxRate
// and there are 1 to maxChannels channels.
void check(const char* what, int sampleRate, int channels, int maxChannels);
} // namespace PcmLayout
