// The sound buffer on its own: playing, ending, positions, loops, seeks and
// the checks of its operations. SDL runs its dummy driver (no sound card), so
// every ring plays against a real-time clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <string>

#include "CDxAudioBuffer.h"
#include "CSoundSystem.h"
#include "DxTestHelpers.h"
#include "MemoryPcmSource.h"
#include "morvane/api/CRef.h"

using namespace morvane;
using namespace mrvx_std_dxa8;
using namespace dxa8_test;

namespace {

class BufferTest : public ::testing::Test {
protected:
    std::shared_ptr<CSoundSystem> m_system = std::make_shared<CSoundSystem>();

    std::unique_ptr<CDxAudioBuffer> Make(float seconds, TBufferingMode mode)
    {
        auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(seconds));
        m_source = source;
        return std::make_unique<CDxAudioBuffer>(m_system, source.Get(), mode);
    }

    CRef<CMemoryPcmSource> m_source;
};

class BufferModeTest : public BufferTest, public ::testing::WithParamInterface<TBufferingMode> {};

TEST_P(BufferModeTest, PlaysToItsEndInRealTimeAndStopsByItself)
{
    auto buffer = Make(0.4f, GetParam());
    auto start = TClock::now();
    buffer->Play();
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_FALSE(buffer->HasEnded());
    ASSERT_TRUE(buffer->WaitEnded(3000ms));
    double took = SecondsSince(start);
    EXPECT_FALSE(buffer->IsPlaying());
    // 0.4 s of sound, plus the buffer's silence after the end being heard.
    EXPECT_GE(took, 0.35);
    EXPECT_LE(took, 1.2);
    // Stopped means rewound.
    EXPECT_NEAR(buffer->TellTime(), 0.0f, 1e-6);
    // And it plays again from the start.
    buffer->Play();
    EXPECT_FALSE(buffer->HasEnded());
    EXPECT_TRUE(buffer->WaitEnded(3000ms));
}

TEST_P(BufferModeTest, PauseKeepsThePositionAndStopRewinds)
{
    auto buffer = Make(3.0f, GetParam());
    // The ring starts when Play returns and stops as Pause begins.
    buffer->Play();
    auto start = TClock::now();
    std::this_thread::sleep_for(400ms);
    double played = SecondsSince(start);
    buffer->Pause();
    EXPECT_FALSE(buffer->IsPlaying());
    EXPECT_FALSE(buffer->HasEnded());
    float paused = buffer->TellTime();
    EXPECT_NEAR(paused, played, kTimeSlack);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(buffer->TellTime(), paused);

    buffer->Play();
    auto resumedAt = TClock::now();
    std::this_thread::sleep_for(200ms);
    double resumedFor = SecondsSince(resumedAt);
    float resumed = buffer->TellTime();
    EXPECT_NEAR(resumed - paused, resumedFor, kTimeSlack);

    buffer->Stop();
    EXPECT_TRUE(buffer->HasEnded());
    EXPECT_EQ(buffer->TellTime(), 0.0f);
    buffer->Play();
    std::this_thread::sleep_for(150ms);
    EXPECT_LT(buffer->TellTime(), 0.3f);
    buffer->Stop();
}

TEST_P(BufferModeTest, SeekTimeWhilePlayingMovesWhatIsHeard)
{
    auto buffer = Make(3.0f, GetParam());
    buffer->Play();
    std::this_thread::sleep_for(200ms);
    buffer->SeekTime(2.0f);
    std::this_thread::sleep_for(100ms);
    float t = buffer->TellTime();
    EXPECT_GE(t, 2.0f);
    EXPECT_LE(t, 2.2f);
    EXPECT_TRUE(buffer->IsPlaying());
    // The rest of the stream plays and the buffer stops by itself.
    EXPECT_TRUE(buffer->WaitEnded(2000ms));
}

INSTANTIATE_TEST_SUITE_P(AllModes, BufferModeTest,
                         ::testing::Values(BUFFERING_STABLE, BUFFERING_FULL, BUFFERING_STREAM_SHORT,
                                           BUFFERING_STREAM, BUFFERING_STREAM_STAGED));

class StreamingModeTest : public BufferTest, public ::testing::WithParamInterface<TBufferingMode> {};

// The loop jumps back when the looped audio reaches the ear: 0.3 s after the
// start, although the buffer has read it 0.2 s earlier.
TEST_P(StreamingModeTest, TellTimeJumpsBackWhenTheLoopIsHeard)
{
    auto buffer = Make(2.0f, GetParam());
    buffer->SetLoopTimes(0.5f, 0.8f);
    buffer->EnableLoop(true);
    // Switching the loop on moves to its start, before playing too.
    EXPECT_NEAR(buffer->TellTime(), 0.5f, 1e-3f);
    auto start = TClock::now();
    buffer->Play();
    float last = buffer->TellTime();
    EXPECT_NEAR(last, 0.5f, 0.03f);
    double firstJump = -1;
    int jumps = 0;
    // What was seen, for a failure to show: a wrong jump on a busy machine
    // says more with the readings around it.
    std::string seen;
    while (SecondsSince(start) < 1.1) {
        float t = buffer->TellTime();
        char reading[40];
        std::snprintf(reading, sizeof(reading), "%.3f:%.3f ", SecondsSince(start), t);
        seen += reading;
        EXPECT_GE(t, 0.5f - 1e-3f);
        EXPECT_LE(t, 0.8f + 1e-3f);
        if (t < last - 0.1f) {
            if (firstJump < 0)
                firstJump = SecondsSince(start);
            ++jumps;
        }
        last = t;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_GE(jumps, 2);
    // Heard after the 0.3 s of the loop, not when read 0.2 s earlier.
    EXPECT_GT(firstJump, 0.25) << "elapsed:position " << seen;
    EXPECT_LT(firstJump, 0.5) << "elapsed:position " << seen;
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
        float t = buffer->TellTime();
        lowest = std::min(lowest, t);
        highest = std::max(highest, t);
        std::this_thread::sleep_for(5ms);
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
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_GT(buffer->StalledBytes(), 0u);
    // Heard position: where the source stalled.
    EXPECT_EQ(buffer->TellTime(), 0.0f);
    m_source->SetStalled(false);
    EXPECT_TRUE(buffer->WaitEnded(3000ms));
}

// The refill thread stops playback at the end and rewinds; a source that
// cannot rewind after all must not take the program down with it.
TEST_P(StreamingModeTest, ARewindThatFailsAtTheEndStillStops)
{
    auto buffer = Make(0.2f, GetParam());
    buffer->Play();
    m_source->SetSeekFails(true);
    EXPECT_TRUE(buffer->WaitEnded(2000ms));
    EXPECT_FALSE(buffer->IsPlaying());
}

// An output that falls behind (a busy machine) has heard everything it took:
// its write cursor stands on the play cursor. A seek then must rewrite the
// whole ring and be heard as soon as the output goes on.
TEST_P(StreamingModeTest, ASeekWhileTheOutputIsLateIsHeard)
{
    auto buffer = Make(3.0f, GetParam());
    std::promise<void> stalled;
    std::promise<void> resumed;
    std::atomic<bool> stallNext{false};
    m_system->SetRenderObserver([&](const std::uint8_t*, std::size_t) {
        if (stallNext.exchange(false)) {
            stalled.set_value();
            std::this_thread::sleep_for(150ms);
            resumed.set_value();
        }
    });
    buffer->Play();
    std::this_thread::sleep_for(100ms);
    stallNext = true;
    stalled.get_future().wait();
    // Past the end of the chunk the output took before it stalled.
    std::this_thread::sleep_for(60ms);
    buffer->SeekTime(2.0f);
    resumed.get_future().wait();
    std::this_thread::sleep_for(30ms);
    const float t = buffer->TellTime();
    m_system->SetRenderObserver(nullptr);
    EXPECT_GE(t, 2.0f);
    EXPECT_LE(t, 2.2f);
    buffer->Stop();
}

INSTANTIATE_TEST_SUITE_P(Streaming, StreamingModeTest,
                         ::testing::Values(BUFFERING_STREAM_SHORT, BUFFERING_STREAM, BUFFERING_STREAM_STAGED));

TEST_F(BufferTest, WholeModesLoopThroughTheirWatchThread)
{
    auto buffer = Make(0.3f, BUFFERING_FULL);
    buffer->SetLoopTimes(0.1f, 0.2f);
    buffer->EnableLoop(true);
    buffer->SeekTime(0.1f);
    buffer->Play();
    std::this_thread::sleep_for(400ms);
    EXPECT_TRUE(buffer->IsPlaying());
    float t = buffer->TellTime();
    // The watch thread looks every 5 ms, and the output may be a chunk ahead.
    EXPECT_GE(t, 0.1f - 1e-3f);
    EXPECT_LE(t, 0.2f + 0.035f);
    buffer->EnableLoop(false);
    EXPECT_TRUE(buffer->WaitEnded(1000ms));
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
    EXPECT_TRUE(buffer.WaitEnded(2000ms));
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
    ASSERT_TRUE(buffer->WaitEnded(2000ms));
    std::uint64_t reads = m_source->Reads();
    // Released: only the test's reference is left.
    EXPECT_EQ(m_source->AddRef(), 2);
    m_source->Release();
    buffer->SeekTime(0.1f);
    buffer->Play();
    ASSERT_TRUE(buffer->WaitEnded(2000ms));
    EXPECT_EQ(m_source->Reads(), reads);
}

TEST_F(BufferTest, SeekingBeyondTheEndEndsPlayback)
{
    auto buffer = Make(1.0f, BUFFERING_STREAM);
    buffer->Play();
    std::this_thread::sleep_for(100ms);
    // Flushing without a loop seeks to the end of the source.
    buffer->FlushAndSeek(CDxAudioBuffer::kAllOnes);
    EXPECT_TRUE(buffer->WaitEnded(1000ms));
    EXPECT_FALSE(buffer->IsPlaying());
    // Not playing, the same flush reports the end, not a position past it.
    buffer->FlushAndSeek(CDxAudioBuffer::kAllOnes);
    EXPECT_NEAR(buffer->TellTime(), 1.0f, 1e-3f);
}

} // namespace
