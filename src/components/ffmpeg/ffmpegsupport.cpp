#include "components/ffmpeg/ffmpegsupport.h"

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
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

void quietLibrary() {
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
}

} // namespace FfmpegSupport
