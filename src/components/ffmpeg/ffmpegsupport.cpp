#include "components/ffmpeg/ffmpegsupport.h"

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavutil/error.h>
}

namespace FfmpegSupport {

QString errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

QByteArray fileUrl(const QString& path) {
    return QByteArrayLiteral("file:") + QFile::encodeName(QFileInfo(path).absoluteFilePath());
}

} // namespace FfmpegSupport
