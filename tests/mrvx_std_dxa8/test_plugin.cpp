// The plug-in as the framework loads it from the build tree: what it
// registers, and its device and media control seen only through interfaces.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "DxTestHelpers.h"
#include "DxInterfaces.h"
#include "MemoryPcmSource.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/devices/CDeviceClassStore.h"

using namespace morvane;
using namespace dxa8_test;
namespace dx = mrvx_std_dxa8;

namespace {

CRef<IAudioDevice> CreateAudioDevice()
{
    auto device = CRef<IDevice>::Adopt(q.deviceStore.CreateDevice(DEVICE_TYPE_AUDIO));
    return QueryRef<IAudioDevice>(device.Get());
}

CRef<IMediaControl> Render(IAudioDevice* device, IInputStream* source, TBufferingMode mode)
{
    CInputStreamSelector selector(source);
    return CRef<IMediaControl>::Adopt(device->RenderAudio(selector, mode));
}

bool SdlInProcess()
{
    void* sdl = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (sdl)
        dlclose(sdl);
    return sdl != nullptr;
}

// First in this file: every test runs in a process of its own under ctest,
// and this one must find no device opened before it when run by hand too.
TEST(PluginTest, LoadsSdlOnlyWhenADeviceIsFirstOpened)
{
    ASSERT_TRUE(q.pluginStore.IsPluginLoaded(L"mrvx_std_dxa8"));
    auto device = CreateAudioDevice();
    ASSERT_TRUE(device);
    // A program that never plays does not pay for SDL and what it pulls in.
    EXPECT_FALSE(SdlInProcess());
    // Opening starts SDL in the background; playing waits for it.
    device->Open();
    auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.1f));
    auto control = Render(device.Get(), source.Get(), BUFFERING_STREAM);
    control->Play();
    EXPECT_TRUE(SdlInProcess());
    control->Stop();
    device->Close();
}

TEST(PluginTest, IsLoadedFromTheBuildTreeAndRegistersItsClassesAndDevice)
{
    EXPECT_TRUE(q.pluginStore.IsPluginLoaded(L"mrvx_std_dxa8"));
    const TClassInfo* device = q.classStore.GetClassInfo(L"mrvx_std_dxa8::CDxAudioDevice");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->id, dx::clsid::CDxAudioDevice);
    EXPECT_EQ(q.classStore.GetClassInfo(L"mrvx_std_dxa8::CDxAudioDeviceResource")->id,
              dx::clsid::CDxAudioDeviceResource);
    EXPECT_EQ(q.classStore.GetClassInfo(L"mrvx_std_dxa8::CDxAudioRenderer")->id, dx::clsid::CDxAudioRenderer);

    // The audio device of the device store is the plug-in's.
    auto audio = CreateAudioDevice();
    ASSERT_TRUE(audio);
    CId classId;
    EXPECT_EQ(audio->GetClassId(classId), dx::clsid::CDxAudioDevice);
    EXPECT_TRUE(QueryRef<dx::IDxAudioDevice>(audio.Get()));
    EXPECT_TRUE(QueryRef<IDevice>(audio.Get()));
    EXPECT_FALSE(QueryRef<IMediaControl>(audio.Get()));

    auto renderer = CRef<IObject>::Adopt(q.classStore.CreateObject(dx::clsid::CDxAudioRenderer));
    EXPECT_TRUE(QueryRef<IMediaControl>(renderer.Get()));
    EXPECT_TRUE(QueryRef<dx::IDxAudioRenderer>(renderer.Get()));
    EXPECT_TRUE(QueryRef<dx::IDxAudioDeviceResource>(renderer.Get()));
    auto resource = CRef<IObject>::Adopt(q.classStore.CreateObject(L"mrvx_std_dxa8::CDxAudioDeviceResource"));
    EXPECT_TRUE(QueryRef<dx::IDxAudioDeviceResource>(resource.Get()));
}

TEST(PluginTest, ASongPlaysThroughTheDeviceToItsEnd)
{
    auto device = CreateAudioDevice();
    auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.3f));
    ExpectThrow<CDeviceFailedException>([&] { Render(device.Get(), source.Get(), BUFFERING_STREAM); }, nullptr,
        L"Device is not open");
    device->Open();
    device->Open(); // twice is once
    auto control = Render(device.Get(), source.Get(), BUFFERING_STREAM);
    EXPECT_NEAR(control->GetTimeLength(), 0.3f, 1e-4f);
    auto start = TClock::now();
    control->Play();
    EXPECT_TRUE(control->IsPlaying());
    EXPECT_TRUE(WaitFor([&] { return !control->IsPlaying(); }, 10000ms));
    EXPECT_GE(SecondsSince(start), 0.28);
    EXPECT_EQ(control->TellTime(), 0.0f);
    device->Close();
}

TEST(PluginTest, CapsFollowTheModeAndTheSource)
{
    auto device = CreateAudioDevice();
    device->Open();
    auto full = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.1f));
    EXPECT_EQ(Render(device.Get(), full.Get(), BUFFERING_STABLE)->GetCaps(), 1 | 2 | 8);
    EXPECT_EQ(Render(device.Get(), full.Get(), BUFFERING_STREAM_SHORT)->GetCaps(), 1 | 2 | 8 | 16);
    EXPECT_EQ(Render(device.Get(), full.Get(), BUFFERING_STREAM)->GetCaps(), 1 | 2 | 4 | 8 | 16);
    EXPECT_EQ(Render(device.Get(), full.Get(), BUFFERING_FULL)->GetCaps(), 1 | 2 | 4 | 8 | 16);
    auto tellOnly = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(0.1f, STREAM_CAN_TELL));
    EXPECT_EQ(Render(device.Get(), tellOnly.Get(), BUFFERING_STREAM_STAGED)->GetCaps(), 8);
    ExpectThrow<CDeviceFailedException>(
        [&] { Render(device.Get(), tellOnly.Get(), BUFFERING_FULL); }, nullptr,
        L"Cannot use STABLE or FULL buffering mode with source with unknown length");

    // A renderer that was never opened reports nothing and plays nothing.
    auto idle = CreateRef<IMediaControl>(dx::clsid::CDxAudioRenderer);
    EXPECT_EQ(idle->GetCaps(), 0);
    EXPECT_FALSE(idle->IsPlaying());
    ExpectThrow<CDeviceFailedException>([&] { idle->Play(); }, nullptr, L"Device is not open");
    // Nor does it open on a closed device.
    device->Close();
    ExpectThrow<CDeviceFailedException>(
        [&] {
            QueryRef<dx::IDxAudioRenderer>(idle.Get())
                ->Open(QueryRef<dx::IDxAudioDevice>(device.Get()).Get(), full.Get(), BUFFERING_STREAM);
        }, nullptr,
        L"Device is not open");
}

TEST(PluginTest, ClosingTheDeviceFreesTheRenderersBuffer)
{
    auto device = CreateAudioDevice();
    device->Open();
    auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(2.0f));
    auto control = Render(device.Get(), source.Get(), BUFFERING_STREAM);
    control->Play();
    std::this_thread::sleep_for(100ms);
    device->Close();
    // The buffer held the only other reference to the source.
    EXPECT_EQ(source->AddRef(), 2);
    source->Release();

    EXPECT_FALSE(control->IsPlaying());
    ExpectThrow<CDeviceFailedException>([&] { control->Play(); }, nullptr, L"Device is not open");
    for (auto op : std::vector<std::function<void()>>{[&] { control->TellTime(); },
                                                      [&] { control->SeekTime(0.5f); },
                                                      [&] { control->SetLoopTimes(0.1f, 0.2f); },
                                                      [&] { control->GetTimeLength(); }})
        ExpectThrow<COperationNotSupportedException>(op, nullptr, L"Device is not open");
    ExpectThrow<COperationNotSupportedException>([&] { control->EnableLoop(true); }, nullptr, L"Renderer not open");
    control->Stop();
    control->Pause();
    control->Flush();

    // A reopened device renders anew.
    device->Open();
    auto again = Render(device.Get(), source.Get(), BUFFERING_STREAM_SHORT);
    again->Play();
    EXPECT_TRUE(again->IsPlaying());
    again->Stop();
}

} // namespace
