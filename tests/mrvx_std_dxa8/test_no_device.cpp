// Without any sound card the buffer plays against a silent clock: the user
// hears of it once, and playback behaves as with a card.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CDxAudioBuffer.h"
#include "CSoundSystem.h"
#include "DxTestHelpers.h"
#include "MemoryPcmSource.h"
#include "morvane/api/CRef.h"
#include "support/TestSupport.h"

using namespace morvane;
using namespace mrvx_std_dxa8;
using namespace dxa8_test;

namespace {

TEST(NoDeviceTest, PlaysSilentlyInRealTimeAndSaysSoOnce)
{
    tonvik_test::CMessageBoxCapture boxes;
    // No driver of that name: SDL audio cannot start at all.
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    auto system = std::make_shared<CSoundSystem>();
    EXPECT_FALSE(system->HasCard());

    for (TBufferingMode mode : {BUFFERING_FULL, BUFFERING_STREAM}) {
        auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(1.0f));
        CDxAudioBuffer buffer(system, source.Get(), mode);
        buffer.SetLoopTimes(0.2f, 0.5f);
        buffer.Play();
        auto start = TClock::now();
        std::this_thread::sleep_for(300ms);
        float t = buffer.TellTime();
        EXPECT_NEAR(t, SecondsSince(start), kTimeSlack);
        // Looping, as with a card.
        buffer.EnableLoop(true);
        std::this_thread::sleep_for(450ms);
        t = buffer.TellTime();
        EXPECT_GE(t, 0.2f - 1e-3f);
        EXPECT_LE(t, 0.5f + 0.035f);
        buffer.EnableLoop(false);
        buffer.SeekTime(0.8f);
        EXPECT_TRUE(buffer.WaitEnded(2000ms));
        EXPECT_FALSE(buffer.IsPlaying());
    }
    std::vector<std::wstring> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], L"No audio output device found; playing silently");
}

} // namespace
