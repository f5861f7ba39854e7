#include "settings/mainkeys.h"

#include <QDir>
#include <QStandardPaths>

QString defaultOutputPath() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? QDir::homePath() + QStringLiteral("/Music") : music;
}
