// The sound buffer on its own: playing, ending, positions, loops, seeks and
// the checks of its operations. The sound system's clock is the test's own:
// time moves only when a test advances it, and the output takes each chunk at
// its moment, in lockstep with the refill. So what is heard when is exact,
// however busy the machine; only the buffer's own threads run in real time.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "CDxAudioBuffer.h"
#include "CSoundSystem.h"
#include "DxTestHelpers.h"
#include "MemoryPcmSource.h"
#include "morvane/api/CRef.h"

using namespace morvane;
using namespace mrvx_std_dxa8;
using namespace dxa8_test;

namespace {

// The heard time may differ from the clock by a frame of rounding.
constexpr float kFrame = 1.0f / 44100;

class BufferTest : public ::testing::Test {
protected:
    BufferTest() { m_system->Clock().UseManualClock(); }

    std::unique_ptr<CDxAudioBuffer> Make(float seconds, TBufferingMode mode)
    {
        auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(seconds));
        m_source = source;
        return std::make_unique<CDxAudioBuffer>(m_system, source.Get(), mode);
    }

    void Advance(double seconds)
    {
        m_system->Clock().Advance(std::chrono::nanoseconds(std::llround(seconds * 1e9)));
    }

    // The buffer's threads notice the end on their next look: real time, so
    // the limit only guards against a hang.
    static bool Ends(CDxAudioBuffer& buffer) { return buffer.WaitEnded(10000ms); }

    std::shared_ptr<CSoundSystem> m_system = std::make_shared<CSoundSystem>();
    CRef<CMemoryPcmSource> m_source;
};

class BufferModeTest : public BufferTest, public ::testing::WithParamInterface<TBufferingMode> {};

TEST_P(BufferModeTest, PlaysAtTheClocksPaceToItsEndAndStopsByItself)
{
    auto buffer = Make(0.4f, GetParam());
    buffer->Play();
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_FALSE(buffer->HasEnded());
    // What is heard is what the clock has played, however late the refill is.
    for (int i = 1; i <= 39; ++i) {
        Advance(0.01);
        ASSERT_NEAR(buffer->TellTime(), 0.01f * i, kFrame) << "after " << i * 10 << " ms";
    }
    // 10 ms before the end nothing may end it, whenever the threads look.
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_FALSE(buffer->HasEnded());
    Advance(0.05);
    ASSERT_TRUE(Ends(*buffer));
    EXPECT_FALSE(buffer->IsPlaying());
    // Stopped means rewound.
    EXPECT_NEAR(buffer->TellTime(), 0.0f, 1e-6);
    // And it plays again from the start.
    buffer->Play();
    EXPECT_FALSE(buffer->HasEnded());
    Advance(0.2);
    EXPECT_NEAR(buffer->TellTime(), 0.2f, kFrame);
    Advance(0.25);
    EXPECT_TRUE(Ends(*buffer));
}

TEST_P(BufferModeTest, PauseKeepsThePositionAndStopRewinds)
{
    auto buffer = Make(3.0f, GetParam());
    buffer->Play();
    Advance(0.4);
    buffer->Pause();
    EXPECT_FALSE(buffer->IsPlaying());
    EXPECT_FALSE(buffer->HasEnded());
    const float paused = buffer->TellTime();
    EXPECT_NEAR(paused, 0.4f, kFrame);
    Advance(0.2);
    EXPECT_EQ(buffer->TellTime(), paused);

    buffer->Play();
    Advance(0.2);
    EXPECT_NEAR(buffer->TellTime(), 0.6f, kFrame);

    buffer->Stop();
    EXPECT_TRUE(buffer->HasEnded());
    EXPECT_EQ(buffer->TellTime(), 0.0f);
    buffer->Play();
    Advance(0.15);
    EXPECT_NEAR(buffer->TellTime(), 0.15f, kFrame);
    buffer->Stop();
}

TEST_P(BufferModeTest, SeekTimeWhilePlayingMovesWhatIsHeard)
{
    auto buffer = Make(3.0f, GetParam());
    buffer->Play();
    Advance(0.2);
    buffer->SeekTime(2.0f);
    Advance(0.1);
    // A streaming buffer first plays what the output took before the seek
    // (at most a chunk of 1024 frames); a whole one moves at once.
    const float t = buffer->TellTime();
    EXPECT_GE(t, 2.1f - 1024 * kFrame);
    EXPECT_LE(t, 2.1f + kFrame);
    EXPECT_TRUE(buffer->IsPlaying());
    // The rest of the stream plays and the buffer stops by itself.
    Advance(1.0);
    EXPECT_TRUE(Ends(*buffer));
}

INSTANTIATE_TEST_SUITE_P(AllModes, BufferModeTest,
                         ::testing::Values(BUFFERING_STABLE, BUFFERING_FULL, BUFFERING_STREAM_SHORT,
                                           BUFFERING_STREAM, BUFFERING_STREAM_STAGED));

class StreamingModeTest : public BufferTest, public ::testing::WithParamInterface<TBufferingMode> {
protected:
    // Plays a 0.5-0.8 s loop for 1.1 s in steps of 7 ms (which never end
    // within a millisecond of a loop's end) and checks every reading against
    // the loop as heard: the loop start 0.3 s after Play, then every 0.3 s,
    // although the buffer reads each round 0.2 s earlier.
    void ExpectTheLoopHeardOnTime(CDxAudioBuffer& buffer)
    {
        std::string seen;
        int jumps = 0, firstJump = -1;
        float last = buffer.TellTime();
        for (int step = 1; step * 7 <= 1100; ++step) {
            Advance(0.007);
            const float t = buffer.TellTime();
            const float heard = 0.5f + std::fmod(step * 0.007f, 0.3f);
            char reading[40];
            std::snprintf(reading, sizeof(reading), "%d:%.4f ", step * 7, t);
            seen += reading;
            EXPECT_NEAR(t, heard, kFrame) << "after " << step * 7 << " ms";
            if (t < last - 0.1f) {
                ++jumps;
                if (firstJump < 0)
                    firstJump = step * 7;
            }
            last = t;
        }
        EXPECT_EQ(jumps, 3) << "ms:position " << seen;
        EXPECT_EQ(firstJump, 301) << "ms:position " << seen;
    }
};

TEST_P(StreamingModeTest, TellTimeJumpsBackWhenTheLoopIsHeard)
{
    auto buffer = Make(2.0f, GetParam());
    buffer->SetLoopTimes(0.5f, 0.8f);
    buffer->EnableLoop(true);
    // Switching the loop on moves to its start, before playing too.
    EXPECT_NEAR(buffer->TellTime(), 0.5f, 1e-3f);
    buffer->Play();
    EXPECT_NEAR(buffer->TellTime(), 0.5f, kFrame);
    ExpectTheLoopHeardOnTime(*buffer);
    buffer->Stop();
}

// The refill (or, staged, the reader) held inside the source's Read while the
// clock runs a whole second on: the output waits for the refill where it must,
// and no loop byte reaches the ear before its time, whatever the order in
// which refill, staging and output meet.
TEST_P(StreamingModeTest, AReadHeldUpInTheSourceMovesNoLoopByteForward)
{
    auto buffer = Make(2.0f, GetParam());
    buffer->SetLoopTimes(0.5f, 0.8f);
    buffer->EnableLoop(true);
    buffer->Play();
    m_source->SetGateOpen(false);
    std::thread clock([&] { Advance(1.0); });
    // Until a thread of the buffer reads again, nothing is known; once one
    // waits at the gate, open it.
    ASSERT_TRUE(WaitFor([&] { return m_source->WaitingAtTheGate() > 0; }, 10000ms));
    m_source->SetGateOpen(true);
    clock.join();
    EXPECT_NEAR(buffer->TellTime(), 0.5f + std::fmod(1.0f, 0.3f), kFrame);
    // And the loop goes on as heard from there.
    Advance(0.2);
    EXPECT_NEAR(buffer->TellTime(), 0.5f + std::fmod(1.2f, 0.3f), kFrame);
    buffer->Stop();
}

TEST_P(StreamingModeTest, LoopToTheEndWhenEndIsZero)
{
    auto buffer = Make(1.2f, GetParam());
    buffer->SetLoopTimes(1.0f, 0);
    buffer->EnableLoop(true);
    buffer->Play();
    float lowest = 10, highest = 0;
    for (int i = 0; i < 100; ++i) {
        Advance(0.005);
        float t = buffer->TellTime();
        lowest = std::min(lowest, t);
        highest = std::max(highest, t);
    }
    // Half a second of a 0.2 s loop: never ended, never left the loop.
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_GE(lowest, 1.0f - 1e-3f);
    EXPECT_LE(highest, 1.2f + 1e-3f);
    buffer->Stop();
}

TEST_P(StreamingModeTest, AStalledSourceIsSilenceNotTheEnd)
{
    auto buffer = Make(0.5f, GetParam());
    m_source->SetStalled(true);
    buffer->Play();
    Advance(0.3);
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_GT(buffer->StalledBytes(), 0u);
    // Heard position: where the source stalled.
    EXPECT_EQ(buffer->TellTime(), 0.0f);
    m_source->SetStalled(false);
    Advance(1.0);
    EXPECT_TRUE(Ends(*buffer));
}

// The refill thread stops playback at the end and rewinds; a source that
// cannot rewind after all must not take the program down with it.
TEST_P(StreamingModeTest, ARewindThatFailsAtTheEndStillStops)
{
    auto buffer = Make(0.2f, GetParam());
    buffer->Play();
    m_source->SetSeekFails(true);
    Advance(0.5);
    EXPECT_TRUE(Ends(*buffer));
    EXPECT_FALSE(buffer->IsPlaying());
}

// An output that falls behind (a busy machine) has heard everything it took:
// its write cursor stands on the play cursor. A seek then must rewrite the
// whole ring and be heard as soon as the output goes on.
TEST_P(StreamingModeTest, ASeekWhileTheOutputIsLateIsHeard)
{
    auto buffer = Make(3.0f, GetParam());
    buffer->Play();
    Advance(0.1);
    m_system->Clock().HoldOutputs(true);
    // Past the end of the chunk the output took before it stalled.
    Advance(0.06);
    buffer->SeekTime(2.0f);
    m_system->Clock().HoldOutputs(false);
    Advance(0.03);
    // Heard from 2.0 s on; the chunks that fell due while the output was
    // late are taken at once, so it is at most those 0.06 s further on.
    const float t = buffer->TellTime();
    EXPECT_GE(t, 2.0f);
    EXPECT_LE(t, 2.09f + kFrame);
    buffer->Stop();
}

INSTANTIATE_TEST_SUITE_P(Streaming, StreamingModeTest,
                         ::testing::Values(BUFFERING_STREAM_SHORT, BUFFERING_STREAM, BUFFERING_STREAM_STAGED));

// A whole buffer holds its loop as read (the rounds one after another) and
// its watch thread, which looks every 5 ms of real time, moves the play
// position back to the loop start at the loop end, and starts the buffer again
// when it has played to its end: the heard time stays inside the loop.
TEST_F(BufferTest, WholeModesLoopThroughTheirWatchThread)
{
    auto buffer = Make(0.3f, BUFFERING_FULL);
    buffer->SetLoopTimes(0.1f, 0.2f);
    buffer->EnableLoop(true);
    buffer->SeekTime(0.1f);
    buffer->Play();
    int loops = 0;
    float last = buffer->TellTime();
    for (int i = 0; i < 80; ++i) {
        Advance(0.005);
        float t = buffer->TellTime();
        // Played to the end of the buffer before the watch thread looked,
        // or the ring it started again took no chunk yet: the sound goes on
        // as a card's would, a millisecond at a time, until it is heard to
        // move. (Waiting with the clock stopped hung on a busy machine now
        // and then: 1 run in 150 under the thread sanitizer.)
        if (t == last) {
            ASSERT_TRUE(WaitFor(
                [&] {
                    Advance(0.001);
                    return (t = buffer->TellTime()) != last;
                },
                10000ms))
                << "after " << i;
        }
        EXPECT_GE(t, 0.1f - kFrame);
        EXPECT_LT(t, 0.2f);
        loops += t < last;
        last = t;
    }
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_GE(loops, 3);
    buffer->EnableLoop(false);
    Advance(0.3);
    EXPECT_TRUE(Ends(*buffer));
}

TEST_F(BufferTest, BufferSizesFollowTheMode)
{
    EXPECT_EQ(Make(1.0f, BUFFERING_STREAM_SHORT)->BufferBytes(), 3087u * 2);
    EXPECT_EQ(Make(1.0f, BUFFERING_STREAM)->BufferBytes(), 8820u * 2);
    EXPECT_EQ(Make(1.0f, BUFFERING_STREAM_STAGED)->BufferBytes(), 8820u * 2);
    // The whole stream, to the last frame.
    EXPECT_EQ(Make(0.7f, BUFFERING_FULL)->BufferBytes(), 30870u * 2);
    EXPECT_EQ(Make(0.7f, BUFFERING_STABLE)->BufferBytes(), 30870u * 2);
}

TEST_F(BufferTest, WholeModesNeedALength)
{
    for (TBufferingMode mode : {BUFFERING_STABLE, BUFFERING_FULL}) {
        auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.1f, STREAM_CAN_SEEK | STREAM_CAN_TELL));
        ExpectThrow<CDeviceFailedException>(
            [&] { CDxAudioBuffer buffer(m_system, source.Get(), mode); }, nullptr,
            L"Cannot use STABLE or FULL buffering mode with source with unknown length");
    }
    auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.2f, STREAM_CAN_SEEK | STREAM_CAN_TELL));
    ExpectThrow<CInvalidParameterException>(
        [&] { CDxAudioBuffer buffer(m_system, source.Get(), static_cast<TBufferingMode>(5)); }, nullptr,
        L"Unknown buffering mode");
    CDxAudioBuffer buffer(m_system, source.Get(), BUFFERING_STREAM);
    EXPECT_EQ(ReasonOf([&] { buffer.GetTimeLength(); }), L"Stream does not support GetLength");
    EXPECT_EQ(ReasonOf([&] { buffer.EnableLoop(true); }), L"Stream does not support GetLength");
    EXPECT_EQ(ReasonOf([&] { buffer.SetLoopTimes(0.0f, 0); }), L"Stream does not support GetLength");
    // Without a length it still plays to its end.
    buffer.Play();
    Advance(0.5);
    EXPECT_TRUE(Ends(buffer));
}

TEST_F(BufferTest, LoopTimesAreChecked)
{
    auto buffer = Make(3.0f, BUFFERING_STREAM);
    ExpectThrow<CInvalidParameterException>([&] { buffer->SetLoopTimes(2.0f, 1.0f); }, nullptr,
        L"startTime >= endTime");
    ExpectThrow<CInvalidParameterException>([&] { buffer->SetLoopTimes(1.0f, 1.0f); }, nullptr,
        L"startTime >= endTime");
    ExpectThrow<CInvalidParameterException>([&] { buffer->SetLoopTimes(-0.5f, 1.0f); }, nullptr, L"startTime < 0");
    ExpectThrow<CInvalidParameterException>([&] { buffer->SetLoopTimes(3.5f, 0); }, nullptr, L"startTime >= endTime");
    EXPECT_EQ(ReasonOf([&] { buffer->SetLoopTimes(1.0f, 0); }), L"(no exception)");
    EXPECT_NEAR(buffer->GetTimeLength(), 3.0f, 1e-4f);
}

TEST_F(BufferTest, SourcesThatCannotSeekOrTell)
{
    auto noSeek = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(1.0f, STREAM_CAN_TELL | STREAM_CAN_GET_LENGTH));
    CDxAudioBuffer streaming(m_system, noSeek.Get(), BUFFERING_STREAM);
    ExpectThrow<COperationNotSupportedException>([&] { streaming.SeekTime(0.5f); }, nullptr,
        L"Stream does not support Seek");
    // Stop ignores a rewind that the source cannot do.
    streaming.Play();
    streaming.Stop();
    EXPECT_TRUE(streaming.HasEnded());

    auto noTell = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(1.0f, STREAM_CAN_SEEK | STREAM_CAN_GET_LENGTH));
    CDxAudioBuffer blind(m_system, noTell.Get(), BUFFERING_STREAM);
    ExpectThrow<COperationNotSupportedException>([&] { blind.TellTime(); }, nullptr, L"Stream does not support Tell");
    ExpectThrow<COperationNotSupportedException>([&] { blind.FlushAndSeek(0); }, nullptr,
        L"Stream does not support Tell");

    auto neither = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(1.0f, STREAM_CAN_GET_LENGTH));
    CDxAudioBuffer stuck(m_system, neither.Get(), BUFFERING_STREAM);
    EXPECT_EQ(ReasonOf([&] { stuck.EnableLoop(true); }), L"Stream does not support Seek/Tell");
    EXPECT_EQ(ReasonOf([&] { stuck.SetLoopTimes(0.1f, 0.5f); }), L"Stream does not support Tell or Seek");

    // The full mode re-reads from the start and needs no Tell for that.
    auto full = Make(0.3f, BUFFERING_FULL);
    EXPECT_EQ(ReasonOf([&] { full->FlushAndSeek(0); }), L"(no exception)");
}

TEST_F(BufferTest, AStableBufferReadsItsSourceOnceAndCannotBeFlushed)
{
    auto buffer = Make(0.2f, BUFFERING_STABLE);
    ExpectThrow<COperationNotSupportedException>([&] { buffer->FlushAndSeek(0); }, nullptr,
        L"Stable buffer cannot be flushed");
    buffer->Play();
    Advance(0.25);
    ASSERT_TRUE(Ends(*buffer));
    std::uint64_t reads = m_source->Reads();
    // Released: only the test's reference is left.
    EXPECT_EQ(m_source->AddRef(), 2);
    m_source->Release();
    buffer->SeekTime(0.1f);
    buffer->Play();
    Advance(0.15);
    ASSERT_TRUE(Ends(*buffer));
    EXPECT_EQ(m_source->Reads(), reads);
}

TEST_F(BufferTest, SeekingBeyondTheEndEndsPlayback)
{
    auto buffer = Make(1.0f, BUFFERING_STREAM);
    buffer->Play();
    Advance(0.1);
    // Flushing without a loop seeks to the end of the source.
    buffer->FlushAndSeek(CDxAudioBuffer::kAllOnes);
    Advance(0.1);
    EXPECT_TRUE(Ends(*buffer));
    EXPECT_FALSE(buffer->IsPlaying());
    // Not playing, the same flush reports the end, not a position past it.
    buffer->FlushAndSeek(CDxAudioBuffer::kAllOnes);
    EXPECT_NEAR(buffer->TellTime(), 1.0f, 1e-3f);
}

} // namespace
