#pragma once

#include "components/audiowriter.h"
#include "components/lame/lamesettings.h"
#include "components/vorbis/oggvorbiswriter.h"
#include "settings/encodersettings.h"
#include "settings/mainchoices.h"

#include <memory>

// A new output writer for one file of `format` (MP3, WAV, WMA, OGG, FLAC or
// Opus), set up from the snapshot and shared with nothing, so that rows,
// preview and several jobs never disturb each other's format. The caller then
// calls setInputFormat, create, write and close. Null for RM (the video
// component writes RealMedia) and for "SET". A setting the encoder refuses
// raises ComponentError.
std::unique_ptr<AudioWriter> makeWriter(OutputFormat format, const EncoderSettings& settings);

// What the MP3 settings ask LAME for: a preset (the alternative one when both
// are ticked), or every plain value; then the settings dialog's command line
// on top. Raises ComponentError for a value or a switch LAME cannot take.
LameSettings lameSettingsFor(const EncoderSettings::Mp3& mp3);
// What the OGG settings ask Vorbis for: a bitrate range under "VBR", else a
// quality under "Quality", else a constant bitrate.
OggVorbisWriter::Settings oggSettingsFor(const EncoderSettings::Ogg& ogg);
