// Gaps come from the drive's Q sub-channel, found by a binary search; a drive
// that reports nothing, or garbage, gets no gaps rather than invented ones.
#include "components/subchannel.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// A drive whose Q follows a disc of tracks at starts with gaps, through an
// optional spoiler; it counts the sectors asked.
class FakeDrive : public SubchannelReader {
public:
    QVector<int> starts;
    QVector<int> gaps;
    std::function<std::optional<QPosition>(int, QPosition)> spoil;
    int reads = 0;

    std::optional<QPosition> qPosition(int lsn) override {
        ++reads;
        int t = 0;
        while (t + 1 < starts.size() && lsn >= starts[t + 1] - gaps[t + 1])
            ++t;
        const QPosition q{t + 1, lsn < starts[t] ? 0 : 1};
        return spoil ? spoil(lsn, q) : std::optional<QPosition>(q);
    }
};

} // namespace

TEST(Subchannel, GapsAreFoundOrNotClaimed) {
    const QVector<int> starts{375, 20000, 45000, 45100};
    const QVector<int> gaps{375, 150, 0, 37};
    const struct {
        const char* what;
        std::function<std::optional<QPosition>(int, QPosition)> spoil;
        bool read;
    } cases[] = {
        {"a drive that reports Q", {}, true},
        {"a drive whose Q fails now and then",
         [](int lsn, QPosition q) -> std::optional<QPosition> {
             static int n = 0;
             return ++n % 3 == 0 && lsn > 0 ? std::nullopt : std::optional<QPosition>(q);
         },
         true},
        {"a drive without Q", [](int, QPosition) { return std::optional<QPosition>(); }, false},
        {"a drive reporting garbage",
         [](int lsn, QPosition) {
             return std::optional<QPosition>({lsn % 97, lsn % 7});
         },
         false},
        {"a drive reporting the track one late",
         [](int, QPosition q) {
             return std::optional<QPosition>({q.track + 1, q.index});
         },
         false},
    };
    for (const auto& c : cases) {
        FakeDrive drive;
        drive.starts = starts;
        drive.gaps = gaps;
        drive.spoil = c.spoil;
        DiscLayout disc;
        for (int start : starts)
            disc.tracks << LayoutTrack{start, true};
        disc.leadout = 60000;
        const DiscLayout found = withGaps(disc, drive);
        QVector<int> pregaps;
        for (const LayoutTrack& track : found.tracks)
            pregaps << track.pregap;
        EXPECT_EQ(found.indexesRead, c.read) << c.what;
        EXPECT_EQ(pregaps, c.read ? gaps : QVector<int>(4, 0)) << c.what;
        // A binary search: a few dozen sectors, not the thousands between tracks.
        EXPECT_LT(drive.reads, 80) << c.what;
    }
}
