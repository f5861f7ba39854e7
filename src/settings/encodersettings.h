#pragma once

#include <QString>

class SettingsFile;

// The encoder sections of the settings file ("mp3", "MP3VBR", "MP3Filt",
// "MP3Expert", "MP3Prest", "wav", "wma", "Rm", "ogg", "flac", "opus") read once, as plain
// values: a job takes one when it starts, and every writer it makes is set up
// from it, whatever the settings file says meanwhile. A stored value outside
// its list or range is already the key's default here.
struct EncoderSettings {
    struct Mp3 {
        bool usePreset = false;
        bool useAltPreset = false;
        int preset = 0;    // 1 "Phone" .. 11 "R3Mix"
        int altPreset = 0; // 1 "Fast Standard" .. 5 "Insane"

        bool vbrHeader = true;
        bool enforceMinBitrate = false;
        bool crc = false;
        bool allowDiffBlocks = false;
        bool bitReservoir = true;
        bool shortBlocks = true;
        bool strictIso = false;
        int highpassFrequency = -1; // Hz; -1 when the filter is off
        int lowpassFrequency = -1;
        int highpassWidth = 0;
        int lowpassWidth = 0;
        int vbrMethod = -1; // -1 none, 0 default, 1 old, 2 new, 3 MTRH
        int athMode = 0;
        int channel = 1; // 0 mono, 1 stereo, 2 joint, 3 forced joint, 4 dual
        int deemphasis = 0;
        int quality = 5;
        int vbrQuality = 5;
        int bitrate = 128;    // kbps
        int vbrBitrate = 128; // kbps
        int sampleRate = 44100;
        // The settings dialog's MP3 command line; it is never stored in the file.
        QString commandLine;
    };
    struct Wav {
        int sampleRate = 44100;
        int channels = 2;
        int bits = 16;
        bool asSource = true; // the source's own rate, channels and bits; the three above unused
    };
    struct Ogg {
        int sampleRate = 44100;
        int channels = 2;
        int bitrate = 128; // kbps
        int minBitrate = 128;
        int maxBitrate = 128;
        int quality = 300; // 0..1000
        bool vbr = false;
        bool qualityMode = false;
    };

    struct Flac {
        int level = 5; // 0 fastest .. 8 smallest
    };
    enum class OpusMode { Vbr = 0, ConstrainedVbr = 1, Cbr = 2 };
    struct Opus {
        int bitrate = 128; // kbit/s, 6..510
        OpusMode mode = OpusMode::Vbr;
        int complexity = 10; // 0..10
    };

    Mp3 mp3;
    Wav wav;
    int wmaProfile = 9; // 0..46
    int rmFormat = 0;   // stored position in the RM codec list; checked against the list
    Ogg ogg;
    Flac flac;
    Opus opus;

    static EncoderSettings read(const SettingsFile& settings, const QString& mp3CommandLine = {});
};
