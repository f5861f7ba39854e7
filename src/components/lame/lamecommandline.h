#pragma once

#include "components/lame/lamesettings.h"

#include <QString>

// The LAME switches that map onto an MP3 file's settings (-b -B -V -v -q -h
// -f -m -a -t -p -c -o -k -d -F -e --abr --cbr --vbr-old --vbr-new
// --vbr-mtrh --resample --nores --noshort --short --allow-diff-short
// --strictly-enforce-ISO --athonly --noath --athshort --lowpass
// --lowpass-width --highpass --highpass-width --preset --alt-preset), and
// LAME's switches for its terminal output, which change nothing. Any other
// switch, or a bad value, raises ComponentError naming it, and then
// `settings` stay as they were.
void applyLameCommandLine(LameSettings& settings, const QString& commandLine);
// Why applyLameCommandLine would refuse the line; empty when it takes it.
QString lameCommandLineError(const QString& commandLine);

// Raises ComponentError for a value LAME cannot use.
void checkLameSettings(const LameSettings& settings);
