#pragma once

#include "components/output/outputwriter.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

// An output writer and an MP3 encoder, writing into a folder of their own.
class OutputWriterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes like the converter: one second per Write.
    void writeFile(const QString& file, const QByteArray& pcm, int rate = 44100, int channels = 2) {
        writer.setInputFormat(rate, channels);
        writer.create(file);
        const int second = rate * channels * 2;
        for (int at = 0; at < pcm.size(); at += second)
            writer.write(pcm.mid(at, second));
        writer.close();
    }

    QTemporaryDir dir;
    OutputWriter writer;
};
