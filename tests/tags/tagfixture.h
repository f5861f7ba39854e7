#pragma once

#include "support/mediatools.h"

#include <gtest/gtest.h>
#include <QString>
#include <QTemporaryDir>

// A test with a folder of its own for the files it makes.
class TagFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

// Seven tag values with characters from several scripts, for every format.
template <typename Tag> Tag sampleTag() {
    Tag tag;
    tag.title = QStringLiteral("Título");
    tag.artist = QStringLiteral("Артист");
    tag.album = QStringLiteral("Album 日本");
    tag.year = QStringLiteral("1999");
    tag.comment = QStringLiteral("a comment");
    tag.genre = QStringLiteral("Rock");
    return tag;
}
// The sample as an outside reader lists it: title to genre joined by '|', track 7.
inline QString sampleFields() {
    return QStringLiteral("Título|Артист|Album 日本|1999|7|a comment|Rock");
}
