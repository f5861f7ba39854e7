#include "support/mediatools.h"
#include "components/componenterror.h"
#include "components/ffmpeg/videofile.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

using namespace MediaTools;

namespace {

class VideoFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // Two seconds of a small test picture with a 440 Hz tone at `rate`, or no sound.
    QString makeVideo(const QString& name, const QStringList& codecs, int rate = 44100,
                      bool withSound = true) const {
        QStringList arguments{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                              QStringLiteral("testsrc=size=64x48:rate=25:duration=2")};
        if (withSound)
            arguments << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
                      << QStringLiteral("sine=frequency=440:duration=2:sample_rate=%1").arg(rate)
                      << QStringLiteral("-ac") << QStringLiteral("2");
        EXPECT_TRUE(ffmpeg(arguments + codecs + QStringList{path(name)}));
        return path(name);
    }

    QString writeText(const QString& name, const QString& text) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path(name);
    }

    QString openError(const QString& file) {
        try {
            video.open(file);
        } catch (const ComponentError& error) {
            return error.message();
        }
        ADD_FAILURE() << "opened " << file.toStdString();
        return {};
    }

    // Writes two seconds of a tone at 44.1 kHz stereo as the converter does, in
    // chunks of 2304 bytes, through RealMedia codec `codec`.
    QString writeRm(const QString& name, int codec, double hz) {
        video.setVideoStream(-1);
        video.setVideoBitrate(0);
        video.setRmAudioCodec(codec);
        video.setAudioInputFormat(44100, 2);
        video.createOutput(path(name), 4);
        const QByteArray pcm = tone(44100, 2, 2.0, hz);
        for (int at = 0; at < pcm.size(); at += 2304)
            video.writeAudio(pcm.mid(at, 2304));
        video.close();
        return path(name);
    }

    QTemporaryDir dir;
    VideoFile video;
};

TEST_F(VideoFileTest, ReadsTheSoundOfEveryVideoFormat) {
    const QString files[] = {
        makeVideo(QStringLiteral("t.avi"), {QStringLiteral("-c:v"), QStringLiteral("mpeg4"),
                                            QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}),
        makeVideo(QStringLiteral("t.mpeg"),
                  {QStringLiteral("-c:v"), QStringLiteral("mpeg1video"), QStringLiteral("-c:a"),
                   QStringLiteral("mp2")},
                  48000),
        makeVideo(QStringLiteral("t.wmv"), {QStringLiteral("-c:v"), QStringLiteral("wmv2"),
                                            QStringLiteral("-c:a"), QStringLiteral("wmav2")}),
        makeVideo(QStringLiteral("t.asf"), {QStringLiteral("-c:v"), QStringLiteral("msmpeg4"),
                                            QStringLiteral("-c:a"), QStringLiteral("wmav2")}),
    };
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        video.open(file);
        const int rate = file.endsWith(QLatin1String(".mpeg")) ? 48000 : 44100;
        EXPECT_EQ(video.getSampleRate(), rate);
        EXPECT_EQ(video.getChannels(), 2);
        EXPECT_NEAR(video.getDurationMs(), 2000, 100);
        // Progress counts 16-bit samples, as the converter adds them up.
        EXPECT_NEAR(video.getLength(), rate * 2 * 2, rate / 5);
        QByteArray pcm;
        for (QByteArray chunk; !(chunk = video.readAudio(rate * 2)).isEmpty();) {
            pcm += chunk;
            EXPECT_EQ(video.getPosition(), pcm.size() / 2);
        }
        EXPECT_NEAR(video.getPosition(), video.getLength(), rate / 5);
        EXPECT_NEAR(dominantFrequency(pcm, rate, 2), 440, 2);

        video.seek(1000);
        EXPECT_EQ(video.getPositionMs(), 1000);
        QByteArray rest;
        for (QByteArray chunk; !(chunk = video.readAudio(2304)).isEmpty();)
            rest += chunk;
        EXPECT_NEAR(rest.size() / 4, rate, rate / 10);
        video.close();
    }
}

TEST_F(VideoFileTest, PlaylistsPointAtTheirFirstLocalFile) {
    const QString avi =
        makeVideo(QStringLiteral("clip.avi"), {QStringLiteral("-c:v"), QStringLiteral("mpeg4")});
    QDir(dir.path()).mkdir(QStringLiteral("lists"));
    video.open(writeText(QStringLiteral("lists/play.asx"),
                         QStringLiteral("<ASX version=\"3.0\"><Entry><Ref HREF=\"http://example."
                                        "invalid/x.wmv\"/><Ref href=\"..\\clip.avi\"/></Entry>"
                                        "</ASX>")));
    EXPECT_EQ(video.getSampleRate(), 44100);

    const QString url = QUrl::fromLocalFile(avi).toString();
    video.open(writeText(QStringLiteral("url.asx"),
                         QStringLiteral("<asx><entry><ref href=\"%1\"/></entry></asx>").arg(url)));
    EXPECT_EQ(video.getChannels(), 2);

    EXPECT_TRUE(openError(writeText(QStringLiteral("net.asx"),
                                    QStringLiteral("<asx><entry><ref href=\"mms://example.invalid/"
                                                   "a\"/></entry></asx>")))
                    .contains(QStringLiteral("network")));
    EXPECT_TRUE(openError(writeText(QStringLiteral("loop.asx"),
                                    QStringLiteral("<asx><entry><ref href=\"loop.asx\"/></entry>"
                                                   "</asx>")))
                    .contains(QStringLiteral("playlist")));
}

TEST_F(VideoFileTest, VideoWithoutSoundOrNoVideoAtAll) {
    const QString silent =
        makeVideo(QStringLiteral("silent.avi"), {QStringLiteral("-c:v"), QStringLiteral("mpeg4")},
                  44100, false);
    EXPECT_TRUE(openError(silent).contains(QStringLiteral("no sound")));
    EXPECT_TRUE(openError(path(QStringLiteral("none.avi"))).contains(QStringLiteral("exist")));
    EXPECT_EQ(video.getDurationMs(), 0);
    EXPECT_TRUE(video.readAudio(0).isEmpty());
}

TEST_F(VideoFileTest, WritesRealMediaWithEachCodec) {
    ASSERT_EQ(video.getRmCodecCount(), 2);
    EXPECT_TRUE(video.getRmCodecName(1).startsWith(QLatin1String("RealAudio")));
    EXPECT_FALSE(video.getRmCodecName(2).isEmpty());
    EXPECT_TRUE(video.getRmCodecName(3).isEmpty());

    const QString real = writeRm(QStringLiteral("speech.rm"), 1, 440);
    const Probe ra = probe(real);
    EXPECT_EQ(ra.codec, QLatin1String("ra_144"));
    EXPECT_EQ(ra.sampleRate, 8000);
    EXPECT_EQ(ra.channels, 1);
    EXPECT_NEAR(ra.duration, 2.0, 0.05); // the packets carry their own times
    EXPECT_NEAR(dominantFrequency(decode(real), 8000, 1), 440, 5);

    const QString ac3 = writeRm(QStringLiteral("music.rm"), 2, 1000);
    const Probe dnet = probe(ac3);
    EXPECT_EQ(dnet.codec, QLatin1String("ac3"));
    EXPECT_EQ(dnet.sampleRate, 44100);
    EXPECT_EQ(dnet.channels, 2);
    EXPECT_NEAR(dnet.duration, 2.0, 0.05);
    EXPECT_NEAR(dominantFrequency(decode(ac3), 44100, 2), 1000, 2);
}

TEST_F(VideoFileTest, RealMediaWriterRefusesWhatItCannotDo) {
    EXPECT_THROW(video.setRmAudioCodec(0), ComponentError);
    EXPECT_THROW(video.setRmAudioCodec(3), ComponentError);
    EXPECT_THROW(video.setVideoStream(0), ComponentError);
    EXPECT_THROW(video.setAudioInputFormat(44100, 0), ComponentError);
    EXPECT_THROW(video.createOutput(path(QStringLiteral("x.rm")), 0), ComponentError);
    EXPECT_THROW(video.writeAudio(QByteArray(2304, 0)), ComponentError);
    const QString missing = path(QStringLiteral("no/folder/x.rm"));
    try {
        video.createOutput(missing, 4);
        FAIL() << "created in a missing folder";
    } catch (const ComponentError& error) {
        EXPECT_TRUE(error.message().contains(missing)) << error.what();
    }
    EXPECT_NO_THROW(video.close());
}

} // namespace
