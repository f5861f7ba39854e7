#pragma once

#include "jobs/conversionjob.h"
#include "jobs/ripjob.h"
#include "settings/encodersettings.h"

struct CliOptions;
class SettingsFile;

// One run's choices: the options given, the rest as the window has them
// stored, and a snapshot of the encoder settings that every writer is made from.
struct RunSettings {
    OutputFormat format = FormatMp3;
    JobSettings job;
    EncoderSettings encoders;

    static RunSettings from(const CliOptions& options, const SettingsFile& settings);

    ConversionComponents conversionComponents() const;
    RipComponents ripComponents() const;
};
