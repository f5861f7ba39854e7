#pragma once

#include <QByteArray>
#include <QString>

// Small pieces every FFmpeg wrapper of Orvelle needs.
namespace FfmpegSupport {
// FFmpeg's own words for an error code.
QString errorText(int code);
// The URL FFmpeg opens for a local path: always through the file protocol, so
// that a name like "a:b.wma" is never taken for another protocol.
QByteArray fileUrl(const QString& path);
// Keeps FFmpeg's own log lines off the user's terminal: a damaged file gets
// Orvelle's message, not a stream of decoder complaints. Once per process.
void quietLibrary();
} // namespace FfmpegSupport
