#include "filelist/filekinds.h"

#include <QFileInfo>
#include <QStringList>

namespace {

QString extensionOf(const QString& fileName) {
    return QFileInfo(fileName).suffix().toLower();
}

bool isOneOf(const QString& extension, std::initializer_list<const char*> extensions) {
    for (const char* known : extensions)
        if (extension == QLatin1String(known))
            return true;
    return false;
}

// The kinds people keep music in today, which FFmpeg decodes; .mp4, .mka and
// .webm are read for their sound like any audio file.
const std::initializer_list<const char*> NewerAudioKinds = {
    "flac", "opus", "oga", "m4a",  "aac", "mp4", "aiff", "aif",
    "ape",  "wv",   "mka", "webm", "mp2", "ac3", "dts",  "caf"};

QString patterns(std::initializer_list<const char*> extensions) {
    QString patterns;
    for (const char* extension : extensions)
        patterns += QStringLiteral("*.%1;").arg(QLatin1String(extension));
    return patterns;
}

} // namespace

bool isAudioFile(const QString& fileName) {
    const QString extension = extensionOf(fileName);
    return isOneOf(extension, {"mp3", "wav", "ogg", "wma", "raw", "vox"}) ||
           isOneOf(extension, NewerAudioKinds);
}

bool isVideoFile(const QString& fileName) {
    return !isAudioFile(fileName);
}

bool isFolderVideoFile(const QString& fileName) {
    return isOneOf(extensionOf(fileName), {"mpeg", "wmv", "avi", "mpg", "asx", "asf"});
}

bool isWmaFile(const QString& fileName) {
    return extensionOf(fileName) == QLatin1String("wma");
}

QString formatDuration(qint64 milliseconds) {
    const qint64 seconds = std::max<qint64>(milliseconds, 0) / 1000;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds - hours * 3600) / 60;
    const auto twoDigits = [](qint64 value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    return twoDigits(hours) + QLatin1Char(':') + twoDigits(minutes) + QLatin1Char(':') +
           twoDigits(seconds % 60);
}

QList<OpenDialogFilter> openDialogFilters() {
    const QString newer = patterns(NewerAudioKinds);
    return {
        {QStringLiteral("All Supported Files"),
         QStringLiteral("*.mp3;*.wav;*.wma;*.ogg;") + newer +
             QStringLiteral("*.avi;*.mpeg;*.wmv;*.mpg;*.asf;*.asx;")},
        {QStringLiteral("All Supported Audio Files"),
         QStringLiteral("*.mp3;*.wav;*.wma;*.ogg;*.raw;*.vox;") + newer},
        {QStringLiteral("All Supported Video File"),
         QStringLiteral("*.avi;*.mpeg;*.wmv;*.mpg;*.asf;*.asx;")},
        {QStringLiteral("WMA Files(*.wma)"), QStringLiteral("*.wma")},
        {QStringLiteral("OGG Files(*.ogg)"), QStringLiteral("*.ogg")},
        {QStringLiteral("MP3 Files(*.mp3)"), QStringLiteral("*.mp3")},
        {QStringLiteral("RWA File(*.raw);"), QStringLiteral("*.raw")},
        {QStringLiteral("Vox File(*.vox);"), QStringLiteral("*.vox")},
        {QStringLiteral("WAV Files(*.wav)"), QStringLiteral("*.wav")},
        {QStringLiteral("FLAC Files(*.flac)"), QStringLiteral("*.flac")},
        {QStringLiteral("Opus Files(*.opus)"), QStringLiteral("*.opus;*.oga;")},
        {QStringLiteral("AAC Files(*.m4a,*.aac,*.mp4)"), QStringLiteral("*.m4a;*.aac;*.mp4;")},
        {QStringLiteral("AIFF Files(*.aiff,*.aif,*.caf)"), QStringLiteral("*.aiff;*.aif;*.caf;")},
        {QStringLiteral("Other Audio Files"),
         QStringLiteral("*.ape;*.wv;*.mka;*.webm;*.mp2;*.ac3;*.dts;")},
        {QStringLiteral("AVI File(*.avi);"), QStringLiteral("*.avi")},
        {QStringLiteral("MPEG(*.mpeg,*.mpg);"), QStringLiteral("*.mpeg;*mpg;")},
        {QStringLiteral("WMV(*.wmv,*.asf,*.asx);"), QStringLiteral("*.wmv;*.asf;*.asx;")},
    };
}

QString openDialogFilterText() {
    // Qt's dialog reads the patterns from the last parentheses, separated by spaces.
    QStringList entries;
    for (const OpenDialogFilter& filter : openDialogFilters())
        entries << filter.name + QStringLiteral(" (") +
                       filter.patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)
                           .join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    return entries.join(QStringLiteral(";;"));
}
