#pragma once

#include "components/lame/mp3lameencoder.h"
#include "components/output/outputwriter.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

// An output writer and an MP3 encoder, writing into a folder of their own.
class OutputWriterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes like the converter: one second per Write.
    void writeFile(const QString& file, const QByteArray& pcm, int rate = 44100, int channels = 2) {
        writer.SetInputFormat(rate, channels);
        writer.Create(file);
        const int second = rate * channels * 2;
        for (int at = 0; at < pcm.size(); at += second)
            writer.Write(pcm.mid(at, second));
        writer.Close();
    }

    QTemporaryDir dir;
    OutputWriter writer;
    Mp3LameEncoder lame;
};
