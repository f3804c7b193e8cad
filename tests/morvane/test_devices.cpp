// The device store, the default device classes and the media control that
// plays nothing. The lock of the store must be free after every failure.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>

#include "DataTestHelpers.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/ClassIds.h"
#include "morvane/api/FrameworkRegistry.h"
#include "morvane/devices/CDevice.h"
#include "morvane/util/Containers.h"

using namespace morvane;
using namespace datatest;

namespace {

const CId kFirstAudio(0x7E57DE00, 0, 0, 1);
const CId kSecondAudio(0x7E57DE00, 0, 0, 2);
const CId kNotADevice(0x7E57DE00, 0, 0, 3);
const CId kNeverRegistered(0x7E57DE00, 0, 0, 4);

class CFirstAudio : public CObjectImpl<IAudioDevice> {
public:
    CFirstAudio() : CObjectImpl(kFirstAudio) {}
    void Close() override {}
    void Open() override {}
    IMediaControl* RenderAudio(const CInputStreamSelector&, TBufferingMode) override { return nullptr; }

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IAudioDevice, IDevice>(this, id); }
};

class CSecondAudio : public CDevice {};

std::vector<TDeviceClassInfo> RegisteredDevices()
{
    std::vector<TDeviceClassInfo> devices;
    auto list = CRef<IObjectEnumerator>::Adopt(q.deviceStore.EnumerateDevices());
    while (list->HasNext()) {
        IObject* next = list->GetNext();
        auto pointer = QueryRef<IPtrObject>(next);
        next->Release();
        devices.push_back(*static_cast<const TDeviceClassInfo*>(pointer->GetPtr()));
    }
    return devices;
}

const TDeviceClassInfo* FirstOfType(const std::vector<TDeviceClassInfo>& devices, TDeviceType type)
{
    for (const TDeviceClassInfo& info : devices)
        if (info.type == type)
            return &info;
    return nullptr;
}

CId ClassOf(IObject* object)
{
    CId id;
    object->GetClassId(id);
    return id;
}

// Creates the first audio device on another thread: it finishes only when
// the store's lock is free.
void ExpectAudioDeviceFromAnotherThread(const CId& expectedClass)
{
    auto created = std::make_shared<CId>(); // outlives a thread that never finishes
    bool finished = core_test::FinishesOnThread([created] {
        try {
            auto device = CRef<IDevice>::Adopt(q.deviceStore.CreateDevice(DEVICE_TYPE_AUDIO));
            *created = ClassOf(device.Get());
        } catch (const CException&) {
            // the null id left behind fails the check below
        }
    });
    ASSERT_TRUE(finished) << "the device store stayed locked";
    EXPECT_EQ(*created, expectedClass);
}

} // namespace

TEST(DeviceStore, RegistrationLookupAndFailures)
{
    // A plug-in in the search folders may have registered devices already.
    const std::size_t before = RegisteredDevices().size();

    ExpectThrowReason<CBugException>(
        [] { q.deviceStore.RegisterDevice(TDeviceClassInfo(kNeverRegistered, DEVICE_TYPE_AUDIO)); },
        L"Class must be registered first");
    EXPECT_EQ(RegisteredDevices().size(), before);

    RegisterClassOf<CFirstAudio>(kFirstAudio, L"test::CFirstAudio");
    RegisterWithClassStore(TClassInfo(kSecondAudio, L"test::CSecondAudio", &CreateInstance<CSecondAudio>));
    q.deviceStore.RegisterDevice(TDeviceClassInfo(kFirstAudio, DEVICE_TYPE_AUDIO));
    q.deviceStore.RegisterDevice(TDeviceClassInfo(kSecondAudio, DEVICE_TYPE_AUDIO));
    std::vector<TDeviceClassInfo> devices = RegisteredDevices();
    ASSERT_EQ(devices.size(), before + 2);
    EXPECT_EQ(devices[before].classId, kFirstAudio);
    EXPECT_EQ(devices[before + 1].classId, kSecondAudio);

    // The first audio device registered wins, every time.
    const CId firstAudio = FirstOfType(devices, DEVICE_TYPE_AUDIO)->classId;
    if (before == 0) {
        EXPECT_EQ(firstAudio, kFirstAudio);
    }
    for (int i = 0; i < 2; ++i) {
        IDevice* device = q.deviceStore.CreateDevice(DEVICE_TYPE_AUDIO);
        EXPECT_EQ(ClassOf(device), firstAudio);
        device->Release();
    }
    // Through the registered name, as the editor does it.
    auto viaName = CreateRef<IDevice>(L"morvane::CAudioDevice");
    ASSERT_TRUE(viaName);
    EXPECT_EQ(ClassOf(viaName.Get()), firstAudio);

    if (FirstOfType(devices, DEVICE_TYPE_VIDEO))
        GTEST_SKIP() << "a plug-in registered a video device";
    core_test::ExpectThrow<CClassNotFoundException>([] { q.deviceStore.CreateDevice(DEVICE_TYPE_VIDEO); },
                                                    L"morvane::CDeviceClassStore::CreateDevice", L"");
    EXPECT_THROW(q.classStore.CreateObject(clsid::CVideoDevice), CClassNotFoundException);
    ExpectAudioDeviceFromAnotherThread(firstAudio);

    // A registered class that is not a device.
    RegisterClassOf<CMediaControl>(kNotADevice, L"test::CNotADevice");
    q.deviceStore.RegisterDevice(TDeviceClassInfo(kNotADevice, DEVICE_TYPE_VIDEO));
    ExpectThrowReason<CBugException>([] { q.deviceStore.CreateDevice(DEVICE_TYPE_VIDEO); },
                                     L"Device interface not found");
    ExpectAudioDeviceFromAnotherThread(firstAudio);
}

TEST(DeviceStore, BothWaysOfCreatingADeviceRunTogether)
{
    // One thread through the device store, one through the class store's
    // registered name, whose factory calls the device store.
    RegisterClassOf<CFirstAudio>(kFirstAudio, L"test::CFirstAudio");
    q.deviceStore.RegisterDevice(TDeviceClassInfo(kFirstAudio, DEVICE_TYPE_AUDIO));
    auto run = [](bool viaName) {
        return std::async(std::launch::async, [viaName] {
            for (int i = 0; i < 300; ++i) {
                IObject* object = viaName ? q.classStore.CreateObject(L"morvane::CAudioDevice")
                                          : q.deviceStore.CreateDevice(DEVICE_TYPE_AUDIO);
                object->Release();
            }
        });
    };
    std::future<void> a = run(true), b = run(false);
    bool finished = a.wait_for(std::chrono::seconds(30)) == std::future_status::ready &&
                    b.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!finished) {
        ADD_FAILURE() << "the two stores deadlocked";
        std::quick_exit(1); // the threads cannot be joined
    }
    a.get();
    b.get();
}

TEST(DeviceClasses, DefaultDeviceAndSilentMediaControl)
{
    auto device = CreateRef<IDevice>(clsid::CDevice);
    ASSERT_TRUE(device);
    device->Open();
    device->Close();
    EXPECT_FALSE(QueryRef<IAudioDevice>(device.Get()));

    auto control = CreateRef<IMediaControl>(clsid::CMediaControl);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->GetCaps(), 31);
    control->SeekTime(12.5f);
    control->EnableLoop(true);
    control->SetLoopTimes(1.0f, 2.0f);
    control->Play();
    EXPECT_FALSE(control->IsPlaying());
    EXPECT_EQ(control->TellTime(), 0.0f);
    EXPECT_EQ(control->GetTimeLength(), 0.0f);
    control->Pause();
    control->Flush();
    control->Stop();
    EXPECT_FALSE(control->IsPlaying());
}
