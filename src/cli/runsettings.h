#pragma once

#include "jobs/jobsetup.h"

struct CliOptions;
class SettingsFile;

// One run's choices: the options given, the rest as the window has them
// stored. The request has no rows yet.
struct RunSettings {
    OutputFormat format = FormatMp3;
    JobRequest request;

    static RunSettings from(const CliOptions& options, const SettingsFile& settings);
};
