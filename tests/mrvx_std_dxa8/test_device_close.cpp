// Closing the device while another thread drives its renderers: every call
// either works or reports that the device is not open, and nothing touches
// freed memory (run under the address and thread sanitizers).
#include <gtest/gtest.h>

#include <atomic>

#include "CDxAudioDevice.h"
#include "DxTestHelpers.h"
#include "MemoryPcmSource.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CStreamSelectors.h"

using namespace morvane;
using namespace dxa8_test;
namespace dx = mrvx_std_dxa8;

namespace {

// Any operation; "Device is not open" and "Renderer not open" are the only
// failures allowed.
bool Drive(IMediaControl* control, int step)
{
    try {
        switch (step % 7) {
        case 0: control->Play(); break;
        case 1: control->TellTime(); break;
        case 2: control->IsPlaying(); break;
        case 3: control->SeekTime(0.25f); break;
        case 4: control->Pause(); break;
        case 5: control->GetCaps(); break;
        default: control->EnableLoop(step % 2 == 0); break;
        }
    } catch (const CException& e) {
        std::wstring reason = e.GetReason();
        return reason == L"Device is not open" || reason == L"Renderer not open";
    }
    return true;
}

TEST(DeviceCloseTest, RenderersStaySafeWhileTheDeviceClosesUnderThem)
{
    auto device = CRef<dx::CDxAudioDevice>::Adopt(new dx::CDxAudioDevice);
    for (int round = 0; round < 4; ++round) {
        device->Open();
        std::vector<CRef<IMediaControl>> controls;
        for (TBufferingMode mode : {BUFFERING_FULL, BUFFERING_STREAM, BUFFERING_STREAM_STAGED}) {
            auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(1.0f));
            CInputStreamSelector selector(source.Get());
            controls.push_back(CRef<IMediaControl>::Adopt(device->RenderAudio(selector, mode)));
            controls.back()->Play();
        }
        std::atomic<bool> done{false};
        std::atomic<int> badFailures{0};
        std::thread driver([&] {
            for (int step = 0; !done; ++step)
                for (auto& control : controls)
                    if (!Drive(control.Get(), step))
                        ++badFailures;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + 20 * round));
        device->Close();
        std::this_thread::sleep_for(20ms);
        done = true;
        driver.join();
        EXPECT_EQ(badFailures.load(), 0);
        for (auto& control : controls) {
            EXPECT_FALSE(control->IsPlaying());
            ExpectThrow<CDeviceFailedException>([&] { control->Play(); }, nullptr, L"Device is not open");
        }
    }
}

TEST(DeviceCloseTest, ReleasingControlsAndDeviceFromTwoThreads)
{
    for (int round = 0; round < 5; ++round) {
        auto device = CRef<dx::CDxAudioDevice>::Adopt(new dx::CDxAudioDevice);
        device->Open();
        auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.5f));
        CRef<IMediaControl> control;
        {
            CInputStreamSelector selector(source.Get());
            control = CRef<IMediaControl>::Adopt(device->RenderAudio(selector, BUFFERING_STREAM));
        }
        control->Play();
        std::thread releaser([&] { control.Reset(); });
        device->Close();
        device.Reset();
        releaser.join();
        EXPECT_EQ(source->AddRef(), 2);
        source->Release();
    }
}

} // namespace
