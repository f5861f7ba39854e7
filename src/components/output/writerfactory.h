#pragma once

#include "components/iaudiofile2.h"
#include "settings/mainchoices.h"

#include <memory>

struct EncoderSettings;

// A new output writer for one file of `format` (MP3, WAV, WMA, OGG, FLAC or
// Opus), set up
// from the snapshot and shared with nothing, so that rows, preview and
// several jobs never disturb each other's format. The caller then calls
// SetInputFormat, Create, Write and Close. Null for RM (the video component
// writes RealMedia) and for "SET". A setting the encoder refuses raises
// ComponentError.
std::unique_ptr<IAudioFile2> makeWriter(OutputFormat format, const EncoderSettings& settings);
