#pragma once

#include <cstddef>
#include <cstdint>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

// The fuzzer's bytes as a file of the given name in a folder of this
// process, for parsers that read by path.
inline QString fuzzFile(const char* name, const uint8_t* data, size_t size) {
    static const QString folder = [] {
        const QString path =
            QDir::tempPath() +
            QStringLiteral("/orvelle-fuzz-%1").arg(QCoreApplication::applicationPid());
        QDir().mkpath(path);
        return path;
    }();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}
