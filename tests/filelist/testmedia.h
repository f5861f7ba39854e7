#pragma once

#include "values/rowtag.h"

#include <QByteArray>
#include <QString>

// Media for the file list's tests, made in a folder of the test's own: audio
// through Orvelle's own writers (tagged with its own tag writers), video
// through the ffmpeg tool, and damaged files of every kind.
namespace TestMedia {

// `seconds` of a 440 Hz stereo tone at 44.1 kHz as .wav, .mp3, .ogg or .wma
// (by the path's extension), with `tag` written into it when it is not empty.
QString audio(const QString& path, double seconds, const RowTag& tag = {});
// `seconds` of a small picture with a tone: .avi, .mpeg, .mpg, .wmv or .asf.
QString video(const QString& path, double seconds);
// A second of pictures with no sound, as ASF whatever the name says: media a
// reader of sound cannot take, as a file whose decoder is missing.
QString silentVideo(const QString& path);
// An .asx playlist that points at `media`.
QString playlist(const QString& path, const QString& media);
// Headerless 44.1 kHz 16-bit stereo PCM.
QString raw(const QString& path, double seconds);
// Dialogic ADPCM at 8000 Hz mono: two samples a byte.
QString Vox(const QString& path, double seconds);

QString write(const QString& path, const QByteArray& bytes);
// The same pseudo-random bytes for the same pattern number.
QByteArray randomBytes(int size, unsigned pattern);
QByteArray read(const QString& path);

} // namespace TestMedia
