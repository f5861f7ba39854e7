#include "support/testenvironment.h"

#include <QDir>
#include <QTemporaryDir>

void setUpTestEnvironment() {
    static QTemporaryDir root;
    const QString base = root.path();
    for (const char* sub : {"config", "cache", "runtime", "home/Music"})
        QDir().mkpath(base + QLatin1Char('/') + QLatin1String(sub));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(base + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("/runtime")));
    qputenv("XDG_MUSIC_DIR", QFile::encodeName(base + QStringLiteral("/home/Music")));
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString testSourceDir() {
    const QString dir = qEnvironmentVariable("ORVELLE_TEST_SOURCE_DIR");
    return dir.isEmpty() ? QDir::currentPath() : dir;
}
