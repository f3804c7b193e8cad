// The undo history on its own: its bound, duplicate snapshots, and when redo
// is still allowed.
#include <gtest/gtest.h>

#include "gui/document/CUndoHistory.h"

namespace {

using ovk::CUndoHistory;
using ovk::TUndoSnapshot;

TUndoSnapshot Snapshot(std::uint32_t marker, int row = 0)
{
    TUndoSnapshot s{};
    s.notes.patterns[0][1][0] = marker;
    s.row = row;
    return s;
}

TEST(UndoHistoryTest, KeepsTheNewest256AndSkipsDuplicates)
{
    CUndoHistory history;
    EXPECT_FALSE(history.TakeUndo(Snapshot(0)));
    EXPECT_TRUE(history.Push(Snapshot(1)));
    EXPECT_FALSE(history.Push(Snapshot(1)));  // the same notes, another cursor or not
    EXPECT_EQ(history.Size(), 1u);
    for (std::uint32_t i = 2; i <= 257; ++i)
        history.Push(Snapshot(i, static_cast<int>(i % 16)));
    EXPECT_EQ(history.Size(), 256u);
    // The oldest (1) is gone: undoing everything ends at 2.
    std::uint32_t last = 0;
    while (auto s = history.TakeUndo(Snapshot(1000)))
        last = s->notes.patterns[0][1][0];
    EXPECT_EQ(last, 2u);
}

TEST(UndoHistoryTest, RedoGivesBackWhatUndoReplacedAndANewSnapshotClearsIt)
{
    CUndoHistory history;
    history.Push(Snapshot(1));
    history.Push(Snapshot(2));
    // The song now holds 3.
    auto undone = history.TakeUndo(Snapshot(3, 7));
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->notes.patterns[0][1][0], 2u);
    auto redone = history.TakeRedo(Snapshot(2));
    ASSERT_TRUE(redone);
    EXPECT_EQ(redone->notes.patterns[0][1][0], 3u);
    EXPECT_EQ(redone->row, 7);
    EXPECT_EQ(history.Size(), 2u);
    EXPECT_FALSE(history.TakeRedo(Snapshot(3)));

    history.TakeUndo(Snapshot(3));
    EXPECT_EQ(history.RedoSize(), 1u);
    history.Push(Snapshot(5));
    EXPECT_EQ(history.RedoSize(), 0u);
}

TEST(UndoHistoryTest, InstrumentSnapshotsCountTheirRecordAndLargeOnesPushOutOldOnes)
{
    CUndoHistory history;
    TUndoSnapshot instrument = Snapshot(1);
    instrument.instrumentChannel = 2;
    instrument.instrument = ovk::COvkModuleChannel();
    // The same notes with a channel record is another snapshot, not a duplicate.
    EXPECT_TRUE(history.Push(Snapshot(1)));
    EXPECT_TRUE(history.Push(instrument));
    instrument.instrument->volume = 5;
    EXPECT_TRUE(history.Push(instrument));
    EXPECT_FALSE(history.Push(instrument));

    // A channel of 60000 oscillator pairs is about 9.6 MB: two of them overfill the
    // 16 MiB, and everything older goes.
    TUndoSnapshot huge = Snapshot(2);
    huge.instrumentChannel = 0;
    huge.instrument = ovk::COvkModuleChannel();
    huge.instrument->carriers.assign(60000, ovk::TOvkOscillator());
    huge.instrument->modulators.assign(60000, ovk::TOvkOscillator());
    history.Push(huge);
    huge.notes.patterns[0][1][1] = 1;
    history.Push(huge);
    EXPECT_LE(history.Bytes(), CUndoHistory::kByteLimit);
    EXPECT_EQ(history.Size(), 1u);
    EXPECT_EQ(history.Newest()->notes.patterns[0][1][1], 1u);
}

} // namespace
