#pragma once

#include "components/lame/lamesettings.h"

#include <QString>

// The MP3 encoder's settings. Each setter keeps its value for the next MP3 file
// that the output writer creates. Booleans arrive as automation booleans
// (true = -1, false = 0); any non-zero value counts as true.
class IAudioFile2LameEnc {
public:
    virtual ~IAudioFile2LameEnc() = default;

    // LAME command-line switches; raises ComponentError on a switch it cannot honour.
    virtual void SetCommandLine(const QString& commandLine) = 0;
    virtual void SetPreset(int preset) = 0;       // 1 "Phone" .. 11 "R3Mix"
    virtual void SetAltPreset(int altPreset) = 0; // 1 "Fast Standard" .. 5 "Insane"
    virtual void SetVbrBitrate(int kbps) = 0;
    virtual void SetVbrQuality(int quality) = 0; // 0..9
    virtual void SetVbrMethod(int method) = 0;   // -1 none, 0 default, 1 old, 2 new, 3 mtrh
    virtual void SetChannelMode(int mode) = 0;   // 1 stereo, 2 joint, 3 forced joint, 4 dual
    virtual void SetQuality(int quality) = 0;    // 0..9
    virtual void SetWriteVbrHeader(int on) = 0;
    virtual void SetBitReservoir(int on) = 0;
    virtual void SetAllowDiffBlocks(int on) = 0;
    virtual void SetShortBlocks(int on) = 0;
    virtual void SetDeemphasis(int mode) = 0; // 0..2
    virtual void SetStrictIso(int on) = 0;
    virtual void SetEnforceMinBitrate(int on) = 0;
    virtual void SetAthMode(int mode) = 0;         // 0..3
    virtual void SetLowpassFrequency(int hz) = 0;  // -1 = off
    virtual void SetHighpassFrequency(int hz) = 0; // -1 = off
    virtual void SetLowpassWidth(int hz) = 0;
    virtual void SetHighpassWidth(int hz) = 0;
    virtual void SetCrc(int on) = 0;
    virtual void SetSampleRate(int hz) = 0;
    virtual void SetMono(int on) = 0;
    virtual void SetBitrate(int kbps) = 0;

    // What the setters made of the next MP3 file; the output writer takes a
    // copy of it in SetMp3Encoder.
    virtual LameSettings GetSettings() const = 0;
};
