// The codec and device stores before the framework is opened.
#include <gtest/gtest.h>

#include "DataTestHelpers.h"
#include "morvane/api/CMorvane.h"
#include "morvane/data/TDataFormat.h"

using namespace morvane;
using namespace datatest;

TEST(ClosedStores, EveryOperationIsAProgrammingError)
{
    ASSERT_FALSE(q.IsInitialized());
    const CId someClass(1, 2, 3, 4);
    ExpectThrowReason<CBugException>(
        [&] { q.codecStore.RegisterDecoder(TDecoderClassInfo(someClass, CId::Null(), kAudioPcmFormatId)); },
        L"Not initialized");
    ExpectThrowReason<CBugException>([&] { q.codecStore.GetDecoderClassInfo(CId::Null(), kAudioPcmFormatId); },
                                     L"Not initialized");
    ExpectThrowReason<CBugException>([&] { q.codecStore.DecodeStream(nullptr, kAudioPcmFormatId); },
                                     L"Not initialized");
    ExpectThrowReason<CBugException>([&] { q.codecStore.EncodeStream(nullptr, nullptr, nullptr); },
                                     L"Not initialized");
    ExpectThrowReason<CBugException>([&] { q.deviceStore.CreateDevice(DEVICE_TYPE_AUDIO); }, L"Not initialized");
    ExpectThrowReason<CBugException>(
        [&] { q.deviceStore.RegisterDevice(TDeviceClassInfo(someClass, DEVICE_TYPE_AUDIO)); }, L"Not initialized");

    // Opened, the WAV decoder is there; closed again, the stores refuse once more.
    q.Init();
    EXPECT_NO_THROW(q.codecStore.GetDecoderClassInfo(CId::Null(), kAudioPcmFormatId));
    q.Close();
    EXPECT_THROW(q.codecStore.GetDecoderClassInfo(CId::Null(), kAudioPcmFormatId), CBugException);
}
