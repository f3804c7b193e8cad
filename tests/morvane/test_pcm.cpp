// PCM format arithmetic, the sample-format and channel-number converters,
// the WAV decoders, the set-format filter and the codec store.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <type_traits>

#include "DataTestHelpers.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/ClassIds.h"
#include "morvane/api/FrameworkRegistry.h"
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/data/filters/IPcmFilters.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/util/Containers.h"

using namespace morvane;
using namespace datatest;

namespace {

// Calls f with a value of the type that holds one sample of format.
template <class F>
auto ForSampleType(std::uint32_t format, F f)
{
    switch (format) {
    case SAMPLE_FORMAT_U8:
        return f(std::uint8_t{});
    case SAMPLE_FORMAT_S16:
        return f(std::int16_t{});
    case SAMPLE_FORMAT_S32:
        return f(std::int32_t{});
    default:
        return f(float{});
    }
}

// Samples of a format as bytes, and back.
Bytes Pcm(std::uint32_t format, std::initializer_list<double> values)
{
    return ForSampleType(format, [&](auto type) {
        using T = decltype(type);
        Bytes bytes;
        for (double v : values) {
            T sample = std::is_floating_point_v<T> ? static_cast<T>(v) : static_cast<T>(static_cast<long long>(v));
            auto* raw = reinterpret_cast<const std::uint8_t*>(&sample);
            bytes.insert(bytes.end(), raw, raw + sizeof(T));
        }
        return bytes;
    });
}

std::vector<double> Values(std::uint32_t format, const Bytes& bytes)
{
    return ForSampleType(format, [&](auto type) {
        using T = decltype(type);
        std::vector<double> values;
        for (std::size_t at = 0; at + sizeof(T) <= bytes.size(); at += sizeof(T)) {
            T sample;
            std::memcpy(&sample, &bytes[at], sizeof(T));
            values.push_back(sample);
        }
        return values;
    });
}

// A memory stream that reports a PCM format.
CRef<IInputStream> PcmStream(std::uint32_t sampleFormat, std::uint32_t channels, const Bytes& bytes)
{
    TDataFormat_AudioPcm format = MakeAudioPcmFormat(sampleFormat, channels, 8000);
    return CRef<IInputStream>::Adopt(CResourceIs::FromBytes(bytes, &format));
}

Bytes ReadAll(IInputStream* stream)
{
    Bytes all;
    std::uint8_t buffer[256];
    while (std::uint64_t n = stream->Read(buffer, sizeof buffer)) {
        all.insert(all.end(), buffer, buffer + n);
        if (n < sizeof buffer)
            break;
    }
    return all;
}

void PutLe(Bytes& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(Bytes& bytes, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(tag[i]));
}

// A RIFF/WAVE file: "fmt " (16 bytes), a three-byte "LIST" chunk (not padded),
// then "data".
Bytes Wav(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& data,
          std::uint32_t fmtSize = 16, bool withData = true)
{
    Bytes chunks;
    PutTag(chunks, "WAVE");
    PutTag(chunks, "fmt ");
    PutLe(chunks, fmtSize, 4);
    Bytes fmt;
    PutLe(fmt, tag, 2);
    PutLe(fmt, channels, 2);
    PutLe(fmt, rate, 4);
    PutLe(fmt, rate * channels * bits / 8, 4);
    PutLe(fmt, channels * bits / 8, 2);
    PutLe(fmt, bits, 2);
    fmt.resize(fmtSize);
    chunks.insert(chunks.end(), fmt.begin(), fmt.end());
    PutTag(chunks, "LIST");
    PutLe(chunks, 3, 4);
    chunks.insert(chunks.end(), {'a', 'b', 'c'});
    if (withData) {
        PutTag(chunks, "data");
        PutLe(chunks, static_cast<std::uint32_t>(data.size()), 4);
        chunks.insert(chunks.end(), data.begin(), data.end());
    }
    Bytes file;
    PutTag(file, "RIFF");
    PutLe(file, static_cast<std::uint32_t>(chunks.size()), 4);
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}

CRef<IInputStream> Memory(const Bytes& bytes) { return CRef<IInputStream>::Adopt(CResourceIs::FromBytes(bytes)); }

} // namespace

TEST(PcmFormat, Arithmetic)
{
    const TDataFormat_AudioPcm& mono = FORMAT_44100HZ_16BIT_MONO;
    EXPECT_EQ(mono.formatId, kAudioPcmFormatId);
    EXPECT_EQ(mono.size, 32u);
    EXPECT_EQ(mono.GetSampleSize(), 2u);
    EXPECT_EQ(mono.GetBlockSize(), 2u);
    EXPECT_EQ(mono.GetBytesPerSec(), 88200u);
    EXPECT_EQ(mono.TimeToByte(1.0f), 88200);
    EXPECT_EQ(mono.ByteToTime(44100), 0.5f);
    EXPECT_EQ(mono.SampleToTime(22050), 0.5f);
    EXPECT_EQ(mono.TimeToSample(0.99999f), 44099); // truncated toward zero
    EXPECT_EQ(mono.TimeToSample(-0.5f), -22050);
    EXPECT_EQ(mono.GetZeroByte(), 0);
    EXPECT_EQ(FORMAT_44100HZ_16BIT_STEREO.GetBlockSize(), 4u);
    EXPECT_EQ(FORMAT_44100HZ_16BIT_51.GetBlockSize(), 12u);
    EXPECT_EQ(FORMAT_44100HZ_16BIT_51.TimeToByte(0.5f), 22050 * 12);

    EXPECT_EQ(MakeAudioPcmFormat(SAMPLE_FORMAT_U8, 2, 8000).GetZeroByte(), 0x80);
    EXPECT_EQ(MakeAudioPcmFormat(SAMPLE_FORMAT_S32, 1, 8000).GetSampleSize(), 4u);
    EXPECT_EQ(MakeAudioPcmFormat(SAMPLE_FORMAT_FLOAT, 1, 8000).GetSampleSize(), 4u);
    TDataFormat_AudioPcm odd = MakeAudioPcmFormat(7, 2, 44100);
    EXPECT_EQ(odd.GetSampleSize(), 0u);
    EXPECT_EQ(odd.ByteToTime(1000), 0.0f); // no division by a zero rate
}

struct TSampleCase {
    std::uint32_t from, to;
    std::initializer_list<double> in, out;
};

TEST(PcmSampleFormatConverter, EveryKernel)
{
    enum { U8 = SAMPLE_FORMAT_U8, S16 = SAMPLE_FORMAT_S16, S32 = SAMPLE_FORMAT_S32, F = SAMPLE_FORMAT_FLOAT };
    const double kMin = INT32_MIN, kMax = INT32_MAX;
    const TSampleCase cases[] = {
        {U8, S16, {0, 128, 255, 1}, {-32768, 0, 32512, -32512}},
        {U8, S32, {0, 128, 255, 1}, {kMin, 0, 2130706432, -2130706432}},
        {U8, F, {0, 128, 255, 1}, {-1.0, 0, 0.9921875, -0.9921875}},
        {S16, U8, {-32768, -1, 0, 32767, 256}, {0, 127, 128, 255, 129}},
        {S16, S32, {-32768, -1, 0, 32767, 256}, {kMin, -65536, 0, 2147418112, 16777216}},
        {S16, F, {-32768, -1, 0, 32767, 256}, {-1.0, -1.0 / 32768, 0, 32767.0 / 32768, 0.0078125}},
        {S32, U8, {kMin, -1, 0, kMax, 65536}, {0, 127, 128, 255, 128}},
        {S32, S16, {kMin, -1, 0, kMax, 65536}, {-32768, -1, 0, 32767, 1}},
        {S32, F, {kMin, 0, 65536, kMax}, {-1.0, 0, 1.0 / 32768, 1.0}},
        // Out of range float input is cut to the target width, not clamped.
        {F, U8, {-1.0, 0, 0.5, 1.0, 2.0, -0.25}, {0, 127, 191, 255, 126, 95}},
        {F, S16, {-1.0, 0, 0.5, 1.0, 2.0, -0.25}, {-32767, 0, 16383, 32767, -2, -8191}},
        // To 32 bits the full range is used and both ends saturate.
        {F, S32, {-1.0, 0, 0.5, 1.0, 2.0, -0.25}, {kMin, 0, 1073741824, kMax, kMax, -536870912}},
        {S16, S16, {-5, 7}, {-5, 7}},
    };
    for (const TSampleCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from << " to " << c.to);
        auto converter = CreateRef<IAudioPcmSampleFormatConverter>(L"morvane::CAudioPcmSampleFormatConverter");
        converter->SetSampleFormat(c.to);
        converter->Connect(PcmStream(c.from, 1, Pcm(c.from, c.in)).Get());
        const auto* format = static_cast<const TDataFormat_AudioPcm*>(converter->GetFormat());
        EXPECT_EQ(format->sampleFormat, c.to);
        EXPECT_EQ(format->samplesPerSecond, 8000u);
        EXPECT_EQ(Values(c.to, ReadAll(converter.Get())), std::vector<double>(c.out));
    }
}

struct TChannelCase {
    std::uint32_t format, from, to;
    std::initializer_list<double> in, out;
};

TEST(PcmChannelNumberConverter, EveryKernel)
{
    enum { U8 = SAMPLE_FORMAT_U8, S16 = SAMPLE_FORMAT_S16, S32 = SAMPLE_FORMAT_S32, F = SAMPLE_FORMAT_FLOAT };
    const double kMin = INT32_MIN, kMax = INT32_MAX;
    const TChannelCase cases[] = {
        {U8, 1, 2, {10, 200}, {10, 10, 200, 200}},
        {U8, 1, 6, {10}, {10, 10, 10, 10, 10, 10}},
        {U8, 2, 1, {0, 255, 3, 3, 255, 255}, {127, 2, 254}},
        {U8, 2, 6, {10, 20}, {10, 20, 128, 128, 128, 128}},
        {U8, 6, 1, {60, 60, 60, 60, 60, 60, 128, 128, 128, 128, 128, 128}, {60, 126}},
        {U8, 6, 2, {100, 200, 40, 8, 20, 255}, {42, 125}},
        {S16, 1, 2, {-5}, {-5, -5}},
        {S16, 1, 6, {-5}, {-5, -5, -5, -5, -5, -5}},
        {S16, 2, 1, {-3, -3, 32767, 32767, -32768, -32768}, {-2, 32766, -32768}},
        {S16, 2, 6, {-5, 7}, {-5, 7, 0, 0, 0, 0}},
        {S16, 6, 1, {-7, -7, -7, -7, -7, -7, 6000, 6000, 6000, 6000, 6000, 6000}, {-6, 6000}},
        {S16, 6, 2, {-5, 400, -9, 3, 7, -400}, {-2, -2}},
        {S32, 1, 2, {kMin}, {kMin, kMin}},
        {S32, 1, 6, {kMax}, {kMax, kMax, kMax, kMax, kMax, kMax}},
        {S32, 2, 1, {kMax, kMax, -3, -3}, {2147483646, -2}},
        {S32, 2, 6, {kMin, 9}, {kMin, 9, 0, 0, 0, 0}},
        {S32, 6, 1, {kMin, kMin, kMin, kMin, kMin, kMin}, {-2147483646}},
        {S32, 6, 2, {kMax, kMax, kMax, kMax, kMax, kMax}, {2147483644, 2147483644}},
        {F, 1, 2, {0.5}, {0.5, 0.5}},
        {F, 1, 6, {-0.5}, {-0.5, -0.5, -0.5, -0.5, -0.5, -0.5}},
        {F, 2, 1, {1.0, -0.5}, {0.25}},
        {F, 2, 6, {0.5, -0.5}, {0.5, -0.5, 0, 0, 0, 0}},
        {F, 6, 1, {1.5, 3, 0, 0, 0, 1.5}, {1.0}},
        {F, 6, 2, {1, -1, 0.5, 0.25, 2, 0}, {0.9375, -0.0625}},
        {S16, 2, 2, {1, 2}, {1, 2}},
    };
    for (const TChannelCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << ", " << c.from << " -> " << c.to);
        auto converter = CreateRef<IAudioPcmChannelNumberConverter>(L"morvane::CAudioPcmChannelNumberConverter");
        converter->SetNumChannels(c.to);
        converter->Connect(PcmStream(c.format, c.from, Pcm(c.format, c.in)).Get());
        EXPECT_EQ(static_cast<const TDataFormat_AudioPcm*>(converter->GetFormat())->channels, c.to);
        EXPECT_EQ(Values(c.format, ReadAll(converter.Get())), std::vector<double>(c.out));
    }
}

TEST(PcmConverters, PositionsMapBetweenUnits)
{
    // Mono 16-bit samples 0..9 made stereo: every position doubles.
    Bytes samples;
    for (int i = 0; i < 10; ++i)
        PutLe(samples, static_cast<std::uint32_t>(i), 2);
    auto converter = CreateRef<IAudioPcmChannelNumberConverter>(L"morvane::CAudioPcmChannelNumberConverter");
    converter->SetNumChannels(2);
    converter->Connect(PcmStream(SAMPLE_FORMAT_S16, 1, samples).Get());
    EXPECT_EQ(converter->GetLength(), 40u);
    EXPECT_EQ(converter->GetCaps(), 15u);
    converter->Seek(8); // frame 2
    EXPECT_EQ(converter->Tell(), 8u);
    std::uint8_t buffer[16];
    EXPECT_EQ(converter->Read(buffer, 7), 4u); // whole frames only
    EXPECT_EQ(Values(SAMPLE_FORMAT_S16, Bytes(buffer, buffer + 4)), (std::vector<double>{2, 2}));
    converter->Skip(8);
    EXPECT_EQ(converter->Tell(), 20u);
    EXPECT_EQ(converter->Read(buffer, 16), 16u);
    EXPECT_EQ(Values(SAMPLE_FORMAT_S16, Bytes(buffer, buffer + 4)), (std::vector<double>{5, 5}));
    EXPECT_EQ(converter->Read(buffer, 16), 4u); // the last frame
    EXPECT_TRUE(converter->Eof());

    // Skipping on a source that cannot seek reads and drops.
    auto pcmPipe = CreateRef<ISetFormatIsf>(L"morvane::CSetFormatIsf");
    auto* pipe = new CPipeStream(samples);
    auto holdPipe = CRef<IInputStream>::Adopt(pipe);
    pcmPipe->Connect(pipe);
    TDataFormat_AudioPcm mono8k = MakeAudioPcmFormat(SAMPLE_FORMAT_S16, 1, 8000);
    pcmPipe->SetFormat(&mono8k);
    auto widen = CreateRef<IAudioPcmSampleFormatConverter>(L"morvane::CAudioPcmSampleFormatConverter");
    widen->SetSampleFormat(SAMPLE_FORMAT_S32);
    widen->Connect(pcmPipe.Get());
    widen->Skip(12); // three 32-bit samples
    EXPECT_EQ(widen->Read(buffer, 4), 4u);
    EXPECT_EQ(Values(SAMPLE_FORMAT_S32, Bytes(buffer, buffer + 4)), (std::vector<double>{3 * 65536}));
}

TEST(PcmConverters, ConnectionAndSettingFailures)
{
    auto channels = CreateRef<IAudioPcmChannelNumberConverter>(L"morvane::CAudioPcmChannelNumberConverter");
    ExpectThrowReason<CInvalidParameterException>([&] { channels->SetNumChannels(3); },
                                                  L"Channel amount must be 1, 2 or 6");
    auto samples = CreateRef<IAudioPcmSampleFormatConverter>(L"morvane::CAudioPcmSampleFormatConverter");
    EXPECT_THROW(samples->SetSampleFormat(4), CInvalidParameterException);

    char buffer[4];
    ExpectThrowReason<CIOException>([&] { samples->Read(buffer, 4); }, L"Stream is not connected");
    ExpectThrowReason<COperationNotSupportedException>([&] { channels->Seek(0); }, L"Stream is not connected");
    ExpectThrowReason<COperationNotSupportedException>([&] { channels->Skip(2); }, L"Stream is not connected");

    // Bytes of no known format that are not WAV cannot be decoded.
    auto junk = Memory(B({1, 2, 3, 4}));
    ExpectThrowReason<CDataFormatException>([&] { samples->Connect(junk.Get()); }, L"Cannot decode stream");
    EXPECT_EQ(samples->GetSource(), nullptr);

    // A stream that claims PCM with a record of the wrong size.
    auto liar = CreateRef<ISetFormatIsf>(L"morvane::CSetFormatIsf");
    liar->Connect(junk.Get());
    TDataFormat head{kAudioPcmFormatId, 20};
    liar->SetFormat(&head);
    ExpectThrowReason<CDataFormatException>([&] { samples->Connect(liar.Get()); },
                                            L"Unsupported format in decoded stream");
    ExpectThrowReason<CDataFormatException>([&] { channels->Connect(liar.Get()); },
                                            L"Unsupported data format after decoding");
    EXPECT_EQ(channels->GetCaps(), 0u);

    // Four channels are not among the layouts the mixer knows.
    auto quad = PcmStream(SAMPLE_FORMAT_S16, 4, Bytes(8, 0));
    ExpectThrowReason<CDataFormatException>([&] { channels->Connect(quad.Get()); },
                                            L"Unsupported data format after decoding");
}

TEST(WavDecoder, RoundTripFromAFile)
{
    CTempFolder folder;
    Bytes data = Pcm(SAMPLE_FORMAT_S16, {100, -100, 2000, -2000, 32767, -32768});
    WriteFileBytes(folder.Path("tone.wav"), Wav(1, 2, 22050, 16, data));

    CInputStreamSelector file(folder.Wide(L"tone.wav").c_str());
    auto decoded = CRef<IInputStream>::Adopt(file.DecodeStream(kAudioPcmFormatId));
    const auto* format = static_cast<const TDataFormat_AudioPcm*>(decoded->GetFormat());
    EXPECT_EQ(format->formatId, kAudioPcmFormatId);
    EXPECT_EQ(format->size, 32u);
    EXPECT_EQ(format->sampleFormat, static_cast<std::uint32_t>(SAMPLE_FORMAT_S16));
    EXPECT_EQ(format->channels, 2u);
    EXPECT_EQ(format->samplesPerSecond, 22050u);
    EXPECT_EQ(decoded->GetLength(), data.size());
    EXPECT_EQ(ReadAll(decoded.Get()), data);
    EXPECT_TRUE(decoded->Eof());
    decoded->Seek(4);
    EXPECT_EQ(decoded->Tell(), 4u);
    decoded->Skip(4);
    std::uint8_t buffer[16];
    EXPECT_EQ(decoded->Read(buffer, 16), 4u);
    EXPECT_EQ(Values(SAMPLE_FORMAT_S16, Bytes(buffer, buffer + 4)), (std::vector<double>{32767, -32768}));

    // The converters decode the WAV themselves: 8-bit mono to 16-bit stereo.
    WriteFileBytes(folder.Path("bytes.wav"), Wav(1, 1, 8000, 8, B({0, 128, 255})));
    auto widen = CreateRef<IAudioPcmSampleFormatConverter>(L"morvane::CAudioPcmSampleFormatConverter");
    CInputStreamSelector bytes(folder.Wide(L"bytes.wav").c_str());
    widen->Connect(bytes.GetInputStreamTmp());
    auto stereo = CreateRef<IAudioPcmChannelNumberConverter>(L"morvane::CAudioPcmChannelNumberConverter");
    stereo->Connect(widen.Get());
    EXPECT_EQ(Values(SAMPLE_FORMAT_S16, ReadAll(stereo.Get())),
              (std::vector<double>{-32768, -32768, 0, 0, 32512, 32512}));
}

TEST(WavDecoder, RejectedFiles)
{
    auto decoder = CreateRef<IInputStreamFilter>(L"morvane::CWavDecoder");
    auto expectFailure = [&](const Bytes& file, const wchar_t* reason) {
        auto source = Memory(file);
        core_test::ExpectThrow<CDataFormatException>([&] { decoder->Connect(source.Get()); },
                                                     L"morvane::CWavDecoder::Connect", reason);
        // A failed connection leaves nothing connected or held.
        EXPECT_EQ(decoder->GetSource(), nullptr);
        EXPECT_EQ(decoder->GetCaps(), 0u);
        EXPECT_EQ(RefCount(source.Get()), 1);
    };
    expectFailure(Wav(1, 1, 8000, 24, Bytes(6, 0)), L"Usupported bits per sample");
    expectFailure(Wav(3, 1, 8000, 16, Bytes(6, 0)), L"Unsupported wave format");
    expectFailure(Wav(1, 1, 8000, 16, Bytes(6, 0), 14), L"Invalid fmt chunk size");
    expectFailure(Wav(1, 0, 8000, 16, Bytes(6, 0)), L"Invalid fmt chunk");
    expectFailure(Wav(1, 1, 0, 16, Bytes(6, 0)), L"Invalid fmt chunk");

    auto noData = Memory(Wav(1, 1, 8000, 16, {}, 16, false));
    ExpectThrowReason<CObjectNotFoundException>([&] { decoder->Connect(noData.Get()); }, L"Cannot find chunk");
    EXPECT_EQ(decoder->GetSource(), nullptr);

    auto chunks = CreateRef<IWavChunkDecoder>(L"morvane::CWavChunkDecoder");
    Bytes notRiff = Wav(1, 1, 8000, 16, {});
    notRiff[0] = 'X';
    auto bad = Memory(notRiff);
    ExpectThrowReason<CDataFormatException>([&] { chunks->Connect(bad.Get()); }, L"Invalid header");
    auto shortFile = Memory(B({'R', 'I', 'F', 'F'}));
    ExpectThrowReason<CDataFormatException>([&] { chunks->Connect(shortFile.Get()); }, L"Invalid header");
    auto* pipe = new CPipeStream(Wav(1, 1, 8000, 16, {}));
    auto holdPipe = CRef<IInputStream>::Adopt(pipe);
    ExpectThrowReason<CDataFormatException>([&] { chunks->Connect(pipe); }, L"Seek unsupported");
    pipe->caps = STREAM_CAN_SEEK;
    ExpectThrowReason<CDataFormatException>([&] { chunks->Connect(pipe); }, L"Tell unsupported");
    ExpectThrowReason<COperationNotSupportedException>([&] { chunks->SelectChunk("data"); },
                                                       L"Stream is not connected");
}

TEST(WavChunkDecoder, SelectsChunksWithoutRegardToCase)
{
    auto chunks = CreateRef<IWavChunkDecoder>(L"morvane::CWavChunkDecoder");
    auto source = Memory(Wav(1, 1, 8000, 8, B({9, 8, 7, 6, 5})));
    chunks->Connect(source.Get());
    chunks->SelectChunk("DATA");
    EXPECT_EQ(chunks->GetLength(), 5u);
    std::uint8_t buffer[64];
    EXPECT_EQ(chunks->Read(buffer, 64), 5u); // never past the chunk
    EXPECT_EQ(buffer[0], 9);
    EXPECT_TRUE(chunks->Eof());

    // The odd-sized chunk before "data" was not padded.
    chunks->SelectChunk("list");
    EXPECT_EQ(chunks->Read(buffer, 64), 3u);
    EXPECT_EQ(Bytes(buffer, buffer + 3), B({'a', 'b', 'c'}));

    ExpectThrowReason<CObjectNotFoundException>([&] { chunks->SelectChunk("cue "); }, L"Cannot find chunk");
    ExpectThrowReason<CObjectNotFoundException>([&] { chunks->SelectChunk("dat"); }, L"Cannot find chunk");

    // No chunk selected: the source is read as it is.
    chunks->SelectChunk(nullptr);
    chunks->Seek(0);
    EXPECT_EQ(chunks->Read(buffer, 4), 4u);
    EXPECT_EQ(Bytes(buffer, buffer + 4), B({'R', 'I', 'F', 'F'}));
}

TEST(SetFormatIsf, PassesBytesAndReportsItsOwnCopy)
{
    auto filter = CreateRef<ISetFormatIsf>(L"morvane::CSetFormatIsf");
    auto source = Memory(B({1, 2, 3}));
    filter->Connect(source.Get());
    EXPECT_EQ(filter->GetFormat()->formatId, CId::Null());
    TDataFormat_AudioPcm format = MakeAudioPcmFormat(SAMPLE_FORMAT_U8, 1, 11025);
    filter->SetFormat(&format);
    format.channels = 5; // the filter keeps its own copy
    const auto* reported = static_cast<const TDataFormat_AudioPcm*>(filter->GetFormat());
    EXPECT_EQ(reported->channels, 1u);
    EXPECT_EQ(reported->samplesPerSecond, 11025u);
    filter->Skip(1);
    EXPECT_EQ(ReadAll(filter.Get()), B({2, 3}));
    TDataFormat broken{kAudioPcmFormatId, 8};
    EXPECT_THROW(filter->SetFormat(&broken), CInvalidParameterException);
}

TEST(CodecStore, DecodingAndRegistration)
{
    EXPECT_EQ(q.codecStore.DecodeStream(nullptr, kAudioPcmFormatId), nullptr);

    // Already in the wanted format: the stream itself, one more reference.
    auto pcm = PcmStream(SAMPLE_FORMAT_S16, 1, Bytes(4, 0));
    IInputStream* same = q.codecStore.DecodeStream(pcm.Get(), kAudioPcmFormatId);
    EXPECT_EQ(same, pcm.Get());
    EXPECT_EQ(same->Release(), 1);

    EXPECT_EQ(q.codecStore.GetDecoderClassInfo(CId::Null(), kAudioPcmFormatId)->classId, clsid::CWavDecoder);
    EXPECT_THROW(q.codecStore.GetDecoderClassInfo(kAudioPcmFormatId, CId::Null()), CClassNotFoundException);
    auto decoders = CRef<IObjectEnumerator>::Adopt(q.codecStore.EnumerateDecoders());
    ASSERT_TRUE(decoders->HasNext());
    IObject* first = decoders->GetNext();
    auto pointer = QueryRef<IPtrObject>(first);
    first->Release();
    EXPECT_EQ(static_cast<const TDecoderClassInfo*>(pointer->GetPtr())->classId, clsid::CWavDecoder);

    const CId unknown(0x7E570002, 0, 0, 2);
    ExpectThrowReason<CBugException>(
        [&] { q.codecStore.RegisterDecoder(TDecoderClassInfo(unknown, CId::Null(), kAudioPcmFormatId)); },
        L"Class must be registered first");

    CTempFolder folder;
    WriteFileBytes(folder.Path("a.wav"), Wav(1, 1, 8000, 8, B({1, 2})));
    auto decodedFile = CRef<IInputStream>::Adopt(q.codecStore.DecodeFile(folder.Wide(L"a.wav").c_str(), kAudioPcmFormatId));
    EXPECT_EQ(ReadAll(decodedFile.Get()), B({1, 2}));

    // Encoding: only the pass-through exists.
    CRecordingStream out;
    IOutputStream* passed = q.codecStore.EncodeStream(&out, &FORMAT_44100HZ_16BIT_MONO, &FORMAT_44100HZ_16BIT_MONO);
    EXPECT_EQ(passed, &out);
    passed->Release();
    ExpectThrowReason<CDataFormatException>(
        [&] { q.codecStore.EncodeStream(&out, &FORMAT_44100HZ_16BIT_MONO, &FORMAT_44100HZ_16BIT_STEREO); },
        L"Cannot encode stream");
}

namespace {

const TDataFormat kPrivateIn{CId(0x7E570003, 0, 0, 1), 20};
const TDataFormat kPrivateOut{CId(0x7E570003, 0, 0, 2), 20};
const CId kRelabelClass(0x7E570003, 0, 0, 3);

// Passes its source on under the private output format.
class CRelabel : public CInputStreamFilterImpl<IInputStreamFilter> {
public:
    CRelabel() : CInputStreamFilterImpl(kRelabelClass) {}
    const TDataFormat* GetFormat() override { return &kPrivateOut; }
};

} // namespace

TEST(CodecStore, TriesCodecsInOrderAndSkipsThoseThatFail)
{
    // Before the one that fits: no stream filter, a filter that refuses the
    // stream, a filter that connects but delivers the wrong format.
    RegisterClassOf<CRelabel>(kRelabelClass, L"test::CRelabel");
    for (const CId& decoder : {clsid::CResource, clsid::CWavChunkDecoder, clsid::CInputStreamFilter, kRelabelClass})
        q.codecStore.RegisterDecoder(TDecoderClassInfo(decoder, kPrivateIn.formatId, kPrivateOut.formatId));
    auto source = CRef<IInputStream>::Adopt(CResourceIs::FromBytes(B({5, 6, 7}), &kPrivateIn));
    auto decoded = CRef<IInputStream>::Adopt(q.codecStore.DecodeStream(source.Get(), kPrivateOut.formatId));
    CId decoderClass;
    EXPECT_EQ(decoded->GetClassId(decoderClass), kRelabelClass);
    EXPECT_EQ(ReadAll(decoded.Get()), B({5, 6, 7}));
    EXPECT_EQ(RefCount(source.Get()), 2); // ours and the decoder's: the skipped ones let go

    // An encoder that connects is used: writes reach the target through it.
    q.codecStore.RegisterEncoder(TEncoderClassInfo(clsid::CResource, kPrivateIn.formatId, kPrivateOut.formatId));
    q.codecStore.RegisterEncoder(
        TEncoderClassInfo(clsid::COutputStreamFilter, kPrivateIn.formatId, kPrivateOut.formatId));
    CRecordingStream target;
    auto encoder = CRef<IOutputStream>::Adopt(q.codecStore.EncodeStream(&target, &kPrivateIn, &kPrivateOut));
    ASSERT_NE(encoder.Get(), &target);
    encoder->Write("ok", 2);
    EXPECT_EQ(target.All(), B({'o', 'k'}));
}
