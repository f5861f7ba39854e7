#pragma once

#include <QString>

class IAudioCDGrabber2;
class IAudioFile2;
class IAudioFile2LameEnc;
class SettingsFile;
struct EncoderSettings;

// Sets up the output writer (and for MP3 the MP3 encoder) for the next output
// file of `format`: 0 MP3, 1 WAV, 2 WMA, 3 OGG; any other format makes no call.
// The MP3 command line of the snapshot is passed on when it is not empty. A
// failing call raises ComponentError and ends the set-up there.
void ApplyEncoderSettings(int format, const EncoderSettings& settings, IAudioFile2& writer,
                          IAudioFile2LameEnc& encoder);
// The same with every value read from the settings file now; `commandLine` is
// the MP3 command line of the settings dialog.
void ApplyEncoderSettings(int format, const SettingsFile& settings, IAudioFile2& writer,
                          IAudioFile2LameEnc& encoder, const QString& commandLine);

// Hands the CD reading settings to the grabber: read mode 0..3 as stored,
// retries, error action. Used at start-up and after the settings dialog's Ok.
void ApplyCdReadingOptions(const SettingsFile& settings, IAudioCDGrabber2& grabber);
