#include "filelist/testmedia.h"

#include "support/mediatools.h"
#include "components/output/outputwriter.h"
#include "tags/tagdispatch.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <random>

namespace TestMedia {

QString audio(const QString& path, double seconds, const RowTag& tag) {
    const QString kind = QFileInfo(path).suffix().toLower();
    OutputWriter writer;
    if (kind == QLatin1String("mp3"))
        writer.setMp3Settings({});
    else if (kind == QLatin1String("ogg"))
        writer.setOggFormat({44100, 2, 128, 0, 0, -1});
    else if (kind == QLatin1String("wma"))
        writer.setWmaProfile(9);
    else
        writer.setWavFormat(44100, 2, 16);
    writer.setInputFormat(44100, 2);
    writer.create(path);
    writer.write(MediaTools::tone(44100, 2, seconds, 440));
    writer.close();
    if (tag != RowTag{})
        writeRowTags(path, tag);
    return path;
}

QString video(const QString& path, double seconds) {
    const QString kind = QFileInfo(path).suffix().toLower();
    QStringList codecs;
    if (kind == QLatin1String("avi"))
        codecs << "-c:v"
               << "mpeg4"
               << "-c:a"
               << "libmp3lame";
    else if (kind == QLatin1String("mpeg") || kind == QLatin1String("mpg"))
        codecs << "-c:v"
               << "mpeg1video"
               << "-c:a"
               << "mp2"
               << "-f"
               << "mpeg";
    else
        codecs << "-c:v"
               << "wmv2"
               << "-c:a"
               << "wmav2"
               << "-f"
               << "asf";
    const QString duration = QString::number(seconds);
    EXPECT_TRUE(MediaTools::ffmpeg(
        QStringList{"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25:duration=" + duration, "-f",
                    "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=" + duration,
                    "-ac", "2"} +
        codecs + QStringList{path}))
        << path.toStdString();
    return path;
}

QString silentVideo(const QString& path) {
    EXPECT_TRUE(MediaTools::ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25:duration=1",
                                    "-c:v", "wmv2", "-f", "asf", path}))
        << path.toStdString();
    return path;
}

QString playlist(const QString& path, const QString& media) {
    return write(path, "<asx version=\"3.0\"><entry><ref href=\"" +
                           QFileInfo(media).fileName().toUtf8() + "\"/></entry></asx>\n");
}

QString raw(const QString& path, double seconds) {
    return write(path, MediaTools::tone(44100, 2, seconds, 440));
}

QString Vox(const QString& path, double seconds) {
    return write(path, randomBytes(int(seconds * 4000), 3));
}

QString write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    return path;
}

QByteArray randomBytes(int size, unsigned pattern) {
    std::mt19937 random(pattern);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random() & 0xff);
    return bytes;
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestMedia
