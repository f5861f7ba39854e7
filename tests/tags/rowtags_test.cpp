#include "tags/id3v2tag.h"
#include "tags/rowtags.h"
#include "tags/tagdispatch.h"
#include "tags/tagfixture.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using namespace MediaTools;

namespace {

RowTags threeRows() {
    RowTags tags;
    tags.append({"t0", "a0", "b0"});
    tags.append({"t1", "a1", "b1"});
    tags.append({"t2", "a2", "b2"});
    return tags;
}

} // namespace

TEST(RowTags, LeavingAnEditChangesOnlyTheSelectedRows) {
    RowTags tags = threeRows();
    tags.storeInRows(RowTagField::Title, "new", {0, 2});
    EXPECT_EQ(tags.at(0), (RowTag{"new", "a0", "b0"}));
    EXPECT_EQ(tags.at(1), (RowTag{"t1", "a1", "b1"}));
    EXPECT_EQ(tags.at(2), (RowTag{"new", "a2", "b2"}));
    tags.storeInRows(RowTagField::Album, "x", {});
    EXPECT_EQ(tags.at(0).album, QStringLiteral("b0"));
}

TEST(RowTags, AllStoresIntoEveryRowOfTheList) {
    RowTags tags = threeRows();
    tags.storeInAllRows(RowTagField::Artist, "", 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(tags.at(row).artist.isEmpty());
    tags.storeInAllRows(RowTagField::Album, "every", 2);
    EXPECT_EQ(tags.at(1).album, QStringLiteral("every"));
    EXPECT_EQ(tags.at(2).album, QStringLiteral("b2")); // beyond the list's rows

    RowTags none;
    none.storeInAllRows(RowTagField::Title, "x", 0);
    EXPECT_EQ(none.size(), 0);
}

TEST(TagDispatch, TagsGoByExtensionWhateverItsCase) {
    QTemporaryDir dir;
    const RowTag row{"Title é", "Artist", "Album"};
    for (const auto& [name, kind] :
         {std::pair{"a.MP3", "mp3"}, std::pair{"b.Ogg", "ogg"}, std::pair{"c.wma", "wma"}}) {
        const QString file = makeMedia(dir.filePath(name), kind);
        writeRowTags(file, row);
        EXPECT_EQ(readRowTags(file), row) << name;
    }
    ID3StructV2 full;
    full.title = "T";
    full.year = "1990";
    ASSERT_TRUE(writeID3v2Tag(dir.filePath("a.MP3"), full));
    writeRowTags(dir.filePath("a.MP3"), row);
    EXPECT_TRUE(readID3v2Tag(dir.filePath("a.MP3")).year.isEmpty()); // a row has no year to give

    const QString wav = makeMedia(dir.filePath("d.wav"), "wav");
    const QByteArray before = readAll(wav);
    writeRowTags(wav, row);
    EXPECT_EQ(readAll(wav), before);
    EXPECT_EQ(readRowTags(wav), RowTag());
}
