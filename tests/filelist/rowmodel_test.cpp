#include "filelist/rowmodel.h"

#include <gtest/gtest.h>
#include <QSignalSpy>

namespace {

RowModel::Row fileRow(const QString& name) {
    return {name,
            "00:01",
            "MP3",
            RowModel::Unconverted,
            "/music/" + name + ".wav",
            RowModel::Tick::None,
            {name, "Artist " + name, "Album"},
            {}};
}

RowModel::Row trackRow(const QString& name) {
    RowModel::Row row = fileRow(name);
    row.sourcePath.clear();
    row.tick = RowModel::Tick::Ticked;
    return row;
}

QStringList captions(const RowModel& model) {
    QStringList texts;
    for (int row = 0; row < model.count(); ++row)
        texts << model.row(row).caption;
    return texts;
}

TEST(RowModel, ShowsFiveColumnsWithTheListsCaptions) {
    RowModel model;
    model.append(fileRow("a"));
    EXPECT_EQ(model.columnCount(), 5);
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers << model.headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"File  Name", "Time", "Target", "Status", "Path"}));
    EXPECT_EQ(model.data(model.index(0, RowModel::ColStatus)).toString(), "Unconverter");
    EXPECT_EQ(model.data(model.index(0, RowModel::ColPath)).toString(), "/music/a.wav");
    EXPECT_EQ(model.data(model.index(0, RowModel::ColName), Qt::ToolTipRole).toString(), "a");
    EXPECT_FALSE(model.data(model.index(0, RowModel::ColTime), Qt::ToolTipRole).isValid());
    EXPECT_FALSE(model.data(model.index(1, 0)).isValid()) << "no row 1";
}

TEST(RowModel, OnlyRowsWithATickBoxAreTickedAndUserCheckable) {
    RowModel model;
    model.setRows({trackRow("t1"), fileRow("f1"), trackRow("t2")});
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(1, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::CheckStateRole).isValid());
    // A click in the tick box arrives as a check state.
    EXPECT_TRUE(model.setData(model.index(2, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(model.isTicked(2));
    EXPECT_FALSE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    model.tickAll(false);
    EXPECT_FALSE(model.isTicked(0));
    model.tickAll(true);
    EXPECT_TRUE(model.isTicked(0));
    EXPECT_TRUE(model.isTicked(2));
    EXPECT_FALSE(model.isTicked(1)) << "a row without a tick box stays without";
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::CheckStateRole).isValid());
}

TEST(RowModel, RemovedRowsTakeTheirTagsWithThem) {
    RowModel model;
    model.setRows({fileRow("a"), fileRow("b"), fileRow("c"), fileRow("d"), fileRow("e")});
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    // In any order, with repeats and rows that do not exist.
    model.removeRows({1, 3, 1, 9, -1});
    EXPECT_EQ(captions(model), (QStringList{"a", "c", "e"}));
    EXPECT_EQ(removed.count(), 2);
    for (int row = 0; row < model.count(); ++row)
        EXPECT_EQ(model.tag(row).title, model.row(row).caption) << row;
    model.clear();
    EXPECT_EQ(model.count(), 0);
}

TEST(RowModel, TagEditsReachTheGivenRowsOrAll) {
    RowModel model;
    model.setRows({fileRow("a"), fileRow("b"), fileRow("c")});
    model.storeTag(RowTagField::Artist, "Band", {0, 2, 7});
    EXPECT_EQ(model.tag(0).artist, "Band");
    EXPECT_EQ(model.tag(1).artist, "Artist b");
    EXPECT_EQ(model.tag(2).artist, "Band");
    EXPECT_EQ(model.count(), 3) << "a row outside the list is not made";
    model.storeTagInAllRows(RowTagField::Album, "");
    model.storeTagInAllRows(RowTagField::Title, "T");
    for (int row = 0; row < model.count(); ++row)
        EXPECT_EQ(model.tag(row), (RowTag{"T", row == 1 ? "Artist b" : "Band", ""}));
}

TEST(RowModel, TargetsAndStatusChangeOneCellAndSayWhich) {
    RowModel model;
    model.setRows({fileRow("a"), fileRow("b")});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setTarget(1, "OGG");
    model.setStatus(0, "Converted");
    model.setTarget(5, "WAV");
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(1, RowModel::ColTarget));
    EXPECT_EQ(changed[1][0].toModelIndex(), model.index(0, RowModel::ColStatus));
    model.setAllTargets("WMA");
    EXPECT_EQ(model.row(0).target, "WMA");
    EXPECT_EQ(model.row(1).target, "WMA");
    EXPECT_TRUE(model.setData(model.index(0, RowModel::ColTarget), "RM"));
    EXPECT_EQ(model.row(0).target, "RM");
}

} // namespace
