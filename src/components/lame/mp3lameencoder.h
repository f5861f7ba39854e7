#pragma once

#include "components/iaudiofile2lameenc.h"
#include "components/lame/lamesettings.h"

#include <QString>

// The MP3 encoder component: it keeps the settings of the next MP3 file; the
// output writer takes a copy of them in SetMp3Encoder. Every setter checks its
// value and raises ComponentError for one LAME cannot use.
class Mp3LameEncoder : public IAudioFile2LameEnc {
public:
    const LameSettings& settings() const { return m_settings; }

    // The LAME switches that map onto these settings (-b -B -V -v -q -h -f -m
    // -a -t -p -c -o -k -d -F -e --abr --cbr --vbr-old --vbr-new --vbr-mtrh
    // --resample --nores --noshort --short --allow-diff-short
    // --strictly-enforce-ISO --athonly --noath --athshort --lowpass
    // --lowpass-width --highpass --highpass-width --preset --alt-preset), and
    // LAME's switches for its terminal output, which change nothing. Any other
    // switch, or a bad value, raises naming it, and then no setting changes.
    void SetCommandLine(const QString& commandLine) override;
    // Why SetCommandLine would refuse the line; empty when it takes it.
    static QString commandLineError(const QString& commandLine);
    void SetPreset(int preset) override;
    void SetAltPreset(int altPreset) override;
    void SetVbrBitrate(int kbps) override;
    void SetVbrQuality(int quality) override;
    void SetVbrMethod(int method) override;
    void SetChannelMode(int mode) override;
    void SetQuality(int quality) override;
    void SetWriteVbrHeader(int on) override;
    void SetBitReservoir(int on) override;
    void SetAllowDiffBlocks(int on) override;
    void SetShortBlocks(int on) override;
    void SetDeemphasis(int mode) override;
    void SetStrictIso(int on) override;
    void SetEnforceMinBitrate(int on) override;
    void SetAthMode(int mode) override;
    void SetLowpassFrequency(int hz) override;
    void SetHighpassFrequency(int hz) override;
    void SetLowpassWidth(int hz) override;
    void SetHighpassWidth(int hz) override;
    void SetCrc(int on) override;
    void SetSampleRate(int hz) override;
    void SetMono(int on) override;
    void SetBitrate(int kbps) override;
    LameSettings GetSettings() const override { return m_settings; }

private:
    void applySwitch(const QString& name, const QString& value);
    void applyPreset(const QString& name, const QString& value);
    // The mode choices of the command line, which keep its other switches.
    void choosePreset(int preset);
    void chooseAltPreset(int altPreset);
    void chooseVbrMethod(int method);
    void chooseAbr(int kbps);
    void endCommandLineChoices();

    LameSettings m_settings;
};
