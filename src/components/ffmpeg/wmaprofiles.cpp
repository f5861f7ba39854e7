#include "components/ffmpeg/wmaprofiles.h"

#include <algorithm>

namespace {

struct Entry {
    int sampleRate;
    int channels;
    int kbps; // what the profile's name promises
};

// In the order of the settings' WMA profile list.
const Entry Profiles[WmaProfiles::Count] = {
    {48000, 2, 192},
    {48000, 2, 160},
    {48000, 2, 128},
    {48000, 2, 96},
    {48000, 2, 64},
    {44100, 2, 320},
    {44100, 2, 256},
    {44100, 2, 192},
    {44100, 2, 160},
    {44100, 2, 128},
    {44100, 2, 96},
    {44100, 2, 80},
    {44100, 2, 64},
    {44100, 2, 48},
    {44100, 2, 32},
    {44100, 1, 48},
    {44100, 1, 32},
    {44100, 1, 20},
    {32000, 2, 48},
    {32000, 2, 40},
    {32000, 2, 32},
    {32000, 1, 20},
    {32000, 2, 32},
    {32000, 2, 22},
    {22050, 2, 20},
    {22050, 1, 20},
    {22050, 1, 16},
    {16000, 2, 20},
    {16000, 2, 16},
    {16000, 1, 16},
    {16000, 1, 12},
    {16000, 1, 10},
    {11025, 1, 10},
    {11025, 1, 8},
    {8000, 2, 12},
    {8000, 1, 8},
    {8000, 1, 6},
    {8000, 1, 5},
    // VBR quality 98 and 90 at 48 kHz, then 98, 90, 75, 50, 25 and 10 at 44.1 kHz
    {48000, 2, 256},
    {48000, 2, 192},
    {44100, 2, 256},
    {44100, 2, 192},
    {44100, 2, 128},
    {44100, 2, 96},
    {44100, 2, 64},
    {44100, 2, 48},
    // lossless
    {44100, 2, 768},
};

} // namespace

namespace WmaProfiles {

WmaProfile profile(int index) {
    const Entry& entry = Profiles[index];
    return {entry.sampleRate, entry.channels, std::max(entry.kbps * 1000, MinimumBitrate)};
}

} // namespace WmaProfiles
