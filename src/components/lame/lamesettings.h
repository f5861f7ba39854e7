#pragma once

// The settings of one MP3 file, handed to the output writer as one value.
// The initial values make what an empty settings file asks for: 128 kbps CBR,
// 44100 Hz, stereo, quality 5.
struct LameSettings {
    // At most one of the two presets is non-zero; either one decides the mode.
    int preset = 0;    // 1 "Phone" .. 11 "R3Mix"
    int altPreset = 0; // 1 "Fast Standard" .. 5 "Insane"

    int bitrate = 128;     // kbps: the CBR bitrate, and the VBR minimum when that is enforced
    int vbrBitrate = 128;  // kbps: the highest bitrate VBR may use
    double vbrQuality = 5; // 0 best .. 9.999 (the command line takes fractions)
    int vbrMethod = -1;    // -1 none (CBR), 0 default, 1 old, 2 new, 3 MTRH
    int channelMode = 1;   // 0 mono, 1 stereo, 2 joint, 3 forced joint, 4 dual
    int quality = 5;       // 0 best .. 9 fastest
    int sampleRate = 44100;

    bool writeVbrHeader = true;
    bool bitReservoir = true;
    bool allowDiffBlocks = false;
    bool shortBlocks = true;
    bool strictIso = false;
    bool enforceMinBitrate = false;
    bool crc = false;
    int deemphasis = 0; // 0 none, 1 50/15 microseconds, 2 CCITT J.17
    int athMode = 0;    // 0 default, 1 only, 2 disabled, 3 only for short blocks

    int lowpassFrequency = -1;  // Hz; -1: LAME chooses
    int highpassFrequency = -1; // Hz; -1: none
    int lowpassWidth = -1;      // Hz; -1: LAME's default
    int highpassWidth = -1;

    // What only the command line sets.
    int abrBitrate = 0; // kbps; non-zero: average bitrate, in place of CBR or VBR
    bool copyright = false;
    bool original = true;
    bool keepAllFrequencies = false; // no low-pass or high-pass unless one is asked for
};
