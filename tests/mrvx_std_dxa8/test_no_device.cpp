// When SDL audio cannot start at all, buffers play against the silent clock
// and the user hears of it once. (The buffer tests play against that clock
// too: SDL's dummy driver counts as no card.)
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

    // Two outputs (a whole and a streamed buffer), one message.
    for (TBufferingMode mode : {BUFFERING_FULL, BUFFERING_STREAM}) {
        auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.3f));
        CDxAudioBuffer buffer(system, source.Get(), mode);
        auto start = TClock::now();
        buffer.Play();
        ASSERT_TRUE(buffer.WaitEnded(10000ms));
        EXPECT_GE(SecondsSince(start), 0.28);
    }
    std::vector<std::wstring> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], L"No audio output device found; playing silently");
}

} // namespace
