#include "mediatools.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

namespace MediaTools {

Result run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.closeWriteChannel();
    Result result;
    if (!process.waitForFinished(60000)) {
        ADD_FAILURE() << "cannot run " << program.toStdString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString makeMedia(const QString& path, const QString& kind, const QStringList& extraArguments) {
    QStringList codec;
    if (kind == QLatin1String("mp3"))
        codec = {"-c:a", "libmp3lame", "-id3v2_version", "0", "-f", "mp3"};
    else if (kind == QLatin1String("ogg"))
        codec = {"-c:a", "libvorbis", "-f", "ogg"};
    else if (kind == QLatin1String("wma"))
        codec = {"-c:a", "wmav2", "-b:a", "64k", "-f", "asf"};
    else if (kind == QLatin1String("opus"))
        codec = {"-c:a", "libopus", "-f", "ogg"};
    else if (kind == QLatin1String("oga"))
        codec = {"-c:a", "flac", "-f", "ogg"};
    else
        codec = {"-c:a", "pcm_s16le", "-f", "wav"};
    const QStringList arguments =
        QStringList{"-v", "error", "-nostdin", "-y",
                    "-f", "lavfi", "-i",       "sine=frequency=440:duration=1"} +
        codec + extraArguments + QStringList{path};
    const Result result = run("ffmpeg", arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return path;
}

QByteArray decodedPcm(const QString& path) {
    const Result result =
        run("ffmpeg", {"-v", "error", "-nostdin", "-i", path, "-f", "s16le", "-"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_FALSE(result.out.isEmpty());
    return result.out;
}

QMap<QString, QString> ffprobeTags(const QString& path) {
    const Result result = run("ffprobe", {"-v", "error", "-show_entries", "format_tags:stream_tags",
                                          "-of", "json", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QMap<QString, QString> tags;
    const QJsonObject root = QJsonDocument::fromJson(result.out).object();
    auto take = [&](const QJsonObject& object) {
        const QJsonObject values = object.value("tags").toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            tags.insert(it.key().toLower(), it.value().toString());
    };
    take(root.value("format").toObject());
    for (const auto& stream : root.value("streams").toArray())
        take(stream.toObject());
    return tags;
}

Result mutagen(const QString& script, const QString& path) {
    // The system's Python carries mutagen; a Python earlier on PATH may not.
    static const QString python = [] {
        for (const QString& candidate :
             {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")})
            if (run(candidate, {"-c", "import mutagen"}).exitCode == 0)
                return candidate;
        return QStringLiteral("python3");
    }();
    Result result = run(python, {"-c", "import sys\n" + script, path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return result;
}

QString tagLibFields(const QString& path) {
    const TagLib::FileRef file(QFile::encodeName(path).constData());
    if (file.isNull() || !file.tag())
        return QStringLiteral("(TagLib cannot read the file)");
    const TagLib::Tag* tag = file.tag();
    auto text = [](const TagLib::String& s) { return QString::fromUtf8(s.toCString(true)); };
    return QStringList{text(tag->title()),
                       text(tag->artist()),
                       text(tag->album()),
                       QString::number(tag->year()),
                       QString::number(tag->track()),
                       text(tag->comment()),
                       text(tag->genre())}
        .join('|');
}

unsigned Mode(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st.st_mode & 07777;
}

void setMode(const QString& path, unsigned mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

int oggPageOffset(const QByteArray& bytes, int n) {
    int offset = -1;
    for (int i = 0; i <= n; ++i) {
        offset = bytes.indexOf("OggS", offset + 1);
        if (offset < 0)
            return -1;
    }
    return offset;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace MediaTools
