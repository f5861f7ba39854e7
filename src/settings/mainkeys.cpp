#include "settings/mainkeys.h"

#include "settings/settingsfile.h"

#include <algorithm>
#include <QDir>
#include <QStandardPaths>
#include <QThread>

QString defaultOutputPath() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? QDir::homePath() + QStringLiteral("/Music") : music;
}

int conversionRowsAtOnce(int jobs) {
    if (jobs <= 0)
        jobs = QThread::idealThreadCount();
    return std::clamp(jobs, 1, MainKeys::MaxJobs);
}

int conversionRowsAtOnce(const SettingsFile& settings) {
    return conversionRowsAtOnce(settings.read(MainKeys::Jobs));
}
