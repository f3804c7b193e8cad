// Song and instrument files built by hand: record order, defaults, unit and
// value conversions, damaged and cut files, and the file-level save.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "SongFileTestSupport.h"
#include "core/files/AtomicFile.h"
#include "core/files/SongFiles.h"
#include "morvane/api/CException.h"
#include "morvane/api/Utf.h"
#include "morvane/data/IStream.h"
#include "support/ExpectThrow.h"

using namespace tonvik_test;
using ovk::COvkModuleChannel;
using ovk::COvkModuleData;
using ovk::TOvkEffect;
using ovk::TOvkEnvelope;
using ovk::TOvkOscillator;

namespace {

constexpr const wchar_t* kInvalidData = L"Invalid data format";
constexpr const wchar_t* kInvalidFile = L"Invalid file format";

template <class Fn>
void ExpectDataFormat(Fn fn, const wchar_t* method, const wchar_t* reason)
{
    tonvik_test::ExpectThrow<morvane::CDataFormatException>(fn, method, reason);
}

CBytes SongV3() { return std::move(CBytes().SongHeader("tonvik v3.0")); }
CBytes SongV2() { return std::move(CBytes().SongHeader("tonvik v2.0")); }

CBytes& Oscillator(CBytes& b, const TOvkOscillator& o, bool withFm)
{
    b.I32(o.type).I32(o.volume).I32(o.cents);
    if (withFm)
        b.Bool(o.fmEnabled);
    return b.Envelope(o.volumeEnvelope).Envelope(o.transposeEnvelope);
}

TEST(SongFile, HeaderAndEndOnlyGivesTheResetSong)
{
    COvkModuleData song;
    LoadSong(song, GoldenBytes("effects.tonvik"));
    LoadSong(song, SongV3().I32(18).I32(255));
    EXPECT_TRUE(SameSong(song, COvkModuleData()));
    EXPECT_EQ(song.channels[5].carriers.size(), 1u);
    EXPECT_EQ(song.channels[5].modulators.size(), 1u);
}

TEST(SongFile, ChannelHeaderWithoutOscillatorsLeavesNoPairsButKeepsEffects)
{
    COvkModuleData song;
    LoadSong(song, SongV3().I32(18).I32(8).I32(2).I32(10).I32(20).I32(4).I32(2).I32(90).Envelope(TOvkEnvelope()).I32(255));
    EXPECT_TRUE(song.channels[2].carriers.empty());
    EXPECT_TRUE(song.channels[2].modulators.empty());
    ASSERT_EQ(song.channels[2].effects.size(), 1u);
    EXPECT_EQ(song.channels[2].effects[0].p1, 10);
    EXPECT_EQ(song.channels[2].volume, 90);
    EXPECT_EQ(song.channels[3].carriers.size(), 1u);
}

TEST(SongFile, EnvelopeSpeedIsConvertedUntilTheUnitMarker)
{
    TOvkEnvelope e;
    e.speed = 441;
    COvkModuleData song;
    LoadSong(song, SongV3().I32(4).I32(0).I32(100).Envelope(e).I32(18).I32(4).I32(1).I32(100).Envelope(e).I32(255));
    EXPECT_EQ(song.channels[0].envelope.speed, 44);
    EXPECT_EQ(song.channels[1].envelope.speed, 441);
    e.speed = -441;
    LoadSong(song, SongV3().I32(9).I32(0).Envelope(e).I32(255));
    EXPECT_EQ(song.channels[0].effects.at(0).envelopeA.speed, -44);
}

TEST(SongFile, OldTempoRecordResetsTheMasterVolume)
{
    COvkModuleData song;
    LoadSong(song, SongV3().I32(18).I32(16).I32(90).I32(77).I32(255));
    EXPECT_EQ(song.tempo, 90);
    EXPECT_EQ(song.masterVolume, 77);
    LoadSong(song, SongV3().I32(18).I32(16).I32(90).I32(77).I32(1).I32(140).I32(255));
    EXPECT_EQ(song.tempo, 140);
    EXPECT_EQ(song.masterVolume, 100);
}

TEST(SongFile, WorkingRecordsCarryUnstoredFieldsFromRecordToRecord)
{
    TOvkEnvelope b = MarkedEnvelope(3);
    COvkModuleData song;
    // A resonance leaves its envelope B and p2, a delay its p1: the flange and
    // the low-pass after them take those over.
    LoadSong(song, SongV3()
                       .I32(18)
                       .I32(15).I32(0).I32(1).I32(2).Envelope(TOvkEnvelope()).Envelope(b)
                       .I32(8).I32(0).I32(400).I32(128)
                       .I32(9).I32(0).Envelope(TOvkEnvelope::FlangeDefault())
                       .I32(12).I32(1).I32(66)
                       .I32(255));
    const auto& effects = song.channels[0].effects;
    ASSERT_EQ(effects.size(), 3u);
    EXPECT_EQ(effects[2].type, ovk::EFFECT_FLANGE);
    EXPECT_EQ(effects[2].p1, 400);
    EXPECT_EQ(effects[2].envelopeB, b);
    const TOvkEffect& overdrive = song.channels[1].effects.at(0);
    EXPECT_EQ(overdrive.type, ovk::EFFECT_OVERDRIVE);
    EXPECT_EQ(overdrive.p1, 66);
    EXPECT_EQ(overdrive.p2, 255);
    EXPECT_EQ(overdrive.envelopeA, TOvkEnvelope());
    EXPECT_EQ(overdrive.envelopeB, b);
}

TEST(SongFile, OldOscillatorRecordAddsADefaultModulator)
{
    TOvkOscillator o;
    o.type = 2;
    o.volume = 99;
    o.cents = -5;
    o.volumeEnvelope = MarkedEnvelope(1);
    COvkModuleData song;
    CBytes file = SongV3().I32(18).I32(4).I32(7).I32(100).Envelope(TOvkEnvelope()).I32(5).I32(7);
    LoadSong(song, Oscillator(file, o, false).I32(255));
    ASSERT_EQ(song.channels[7].carriers.size(), 1u);
    EXPECT_EQ(song.channels[7].carriers[0], o);
    EXPECT_EQ(song.channels[7].modulators, std::vector<TOvkOscillator>{TOvkOscillator()});
}

TEST(SongFile, UnknownHeaderTagOrChannelIsRefused)
{
    COvkModuleData song;
    ExpectDataFormat([&] { LoadSong(song, CBytes().SongHeader("tonvik v3.1").I32(255)); }, L"ovk::COvkModuleData::Load",
                     kInvalidFile);
    ExpectDataFormat([&] { LoadSong(song, CBytes().SongHeader("TONVIK V3.0").I32(255)); }, L"ovk::COvkModuleData::Load",
                     kInvalidFile);
    const wchar_t* v3 = L"ovk::COvkModuleData::LoadVersion3";
    for (std::int32_t tag : {0, 19, 254, 256, -1})
        ExpectDataFormat([&] { LoadSong(song, SongV3().I32(tag).I32(255)); }, v3, kInvalidData);
    for (std::int32_t channel : {8, -1})
        ExpectDataFormat([&] { LoadSong(song, SongV3().I32(8).I32(channel).I32(1).I32(2).I32(255)); }, v3,
                         kInvalidData);
    // What was read before the failure stays; the rest is the reset song.
    ExpectDataFormat([&] { LoadSong(song, SongV3().I32(16).I32(99).I32(3).I32(77)); }, v3, kInvalidData);
    EXPECT_EQ(song.tempo, 99);
    EXPECT_EQ(song.masterVolume, 3);
}

TEST(SongFile, CutFileIsRefusedAtEveryLengthAndNoRecordIsRepeated)
{
    const TBytes whole = GoldenBytes("effects.tonvik");
    COvkModuleData original;
    LoadSong(original, whole);
    // Every cut in the header and the order table, every 41st in the notes, every one in the channels.
    for (std::size_t length = 0; length < whole.size(); length += length < 600 || length > 16400 ? 1 : 41) {
        COvkModuleData song;
        const TBytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        try {
            LoadSong(song, cut);
            ADD_FAILURE() << "loaded a file cut at " << length;
        } catch (const morvane::CDataFormatException& e) {
            EXPECT_STREQ(e.GetReason(), length < 25 ? kInvalidFile : kInvalidData) << length;
        }
        for (int c = 0; c < ovk::kChannels; ++c)
            ASSERT_LE(song.channels[c].carriers.size(), std::max<std::size_t>(1, original.channels[c].carriers.size()));
    }
}

// ---- version 2 songs

const float kFlatEnvelope[6] = {0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f};

TEST(SongFileV2, OrderTableAcceptsMinusOneAndRefusesSixteen)
{
    for (std::int32_t value : {-1, 15, 16}) {
        CBytes file = SongV2().I32(2);
        for (int i = 0; i < 2048; ++i)
            file.I32(i == 300 ? value : 0);
        file.I32(8);
        COvkModuleData song;
        if (value == 16) {
            ExpectDataFormat([&] { LoadSong(song, file); }, L"ovk::COvkModuleData::LoadVersion2", kInvalidData);
        } else {
            LoadSong(song, file);
            EXPECT_EQ(song.orderTable[1][300 - 256], static_cast<std::uint32_t>(value));
        }
    }
}

TEST(SongFileV2, EffectsAndIgnoredRecordsConvert)
{
    const float flange[6] = {50.0f, 120.9f, 1.0f, 3.1415927f, 0.0f, 0.0f};
    CBytes file = SongV2();
    file.I32(9).I32(1).Bool(true).I32(2);
    file.I32(10).Bool(true).F32(1.0f).F32(2.0f).OldEnvelope(kFlatEnvelope, true, false, false);
    file.I32(5).I32(4).Bool(true).F32(3.0f).F32(0.5f);
    file.I32(5).I32(4).Bool(false).F32(3.0f).F32(0.5f);
    file.I32(6).I32(4).Bool(true).F32(9.0f).OldEnvelope(flange, false, true, true);
    file.I32(6).I32(4).Bool(false).F32(9.0f).OldEnvelope(flange, false, true, true);
    file.I32(8);
    COvkModuleData song;
    LoadSong(song, file);
    const auto& effects = song.channels[4].effects;
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0].type, ovk::EFFECT_DELAY);
    EXPECT_EQ(effects[0].p1, 50);   // 3 / 6 × 100 + 0.5
    EXPECT_EQ(effects[0].p2, 128);  // 0.5 × 255 + 0.5
    EXPECT_EQ(effects[1].type, ovk::EFFECT_FLANGE);
    EXPECT_EQ(effects[1].p1, 400);
    EXPECT_EQ(effects[1].envelopeA.min, 50);
    EXPECT_EQ(effects[1].envelopeA.max, 120);
    EXPECT_EQ(effects[1].envelopeA.speed, 65);  // 1 × 655 × 44 / 441
    EXPECT_EQ(effects[1].envelopeA.phase, 32768);
    EXPECT_EQ(effects[1].envelopeA.resetMode, ovk::RESET_SONG);
    EXPECT_FALSE(effects[1].envelopeA.keepEnabled);
    EXPECT_TRUE(effects[1].envelopeA.sustainEnabled);
}

TEST(SongFileV2, FileMayEndAfterAnyRecordButNotInsideOne)
{
    CBytes file = SongV2().I32(4).I32(1).F32(0.5f).OldEnvelope(kFlatEnvelope, true, false, false);
    COvkModuleData song;
    LoadSong(song, file);
    EXPECT_EQ(song.channels[1].volume, 127);
    EXPECT_EQ(song.channels[1].envelope.max, 256);
    EXPECT_TRUE(song.channels[1].carriers.empty());

    const TBytes whole = file;
    for (std::size_t drop = 1; drop < 27; ++drop)
        ExpectDataFormat([&] { LoadSong(song, TBytes(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(drop))); },
                         L"ovk::COvkModuleData::LoadVersion2", kInvalidData);
}

TEST(SongFileV2, ChannelOutsideTheSongIsRefused)
{
    COvkModuleData song;
    const wchar_t* v2 = L"ovk::COvkModuleData::LoadVersion2";
    ExpectDataFormat([&] { LoadSong(song, SongV2().I32(5).I32(8).Bool(false).F32(0).F32(0).I32(8)); }, v2, kInvalidData);
    ExpectDataFormat([&] { LoadSong(song, SongV2().I32(4).I32(-1).F32(1).OldEnvelope(kFlatEnvelope, 1, 0, 0).I32(8)); },
                     v2, kInvalidData);
    ExpectDataFormat([&] { LoadSong(song, SongV2().I32(11).I32(8)); }, v2, kInvalidData);
}

TEST(SongFileV2, DamagedFloatsGiveBoundedValues)
{
    const float huge[6] = {1e30f, -1e30f, 1e30f, std::nanf("1"), -1e30f, 1e30f};
    CBytes file = SongV2().I32(7).I32(0).I32(0).I32(4);
    file.OldEnvelope(huge, true, true, false).OldEnvelope(huge, true, true, false).F32(std::nanf("1")).F32(1e20f).I32(8);
    COvkModuleData song;
    LoadSong(song, file);
    ASSERT_EQ(song.channels[0].carriers.size(), 2u);
    const TOvkOscillator& o = song.channels[0].carriers[1];
    EXPECT_EQ(o.type, ovk::OSC_NOISE);
    EXPECT_EQ(o.volume, 0);
    EXPECT_EQ(o.cents, 2147483647);
    EXPECT_EQ(o.volumeEnvelope.min, 2147483647);
    EXPECT_EQ(o.volumeEnvelope.max, -2147483647 - 1);
    EXPECT_EQ(o.volumeEnvelope.phase, 0);
    EXPECT_EQ(o.transposeEnvelope.min, 2147483647);
    EXPECT_EQ(o.transposeEnvelope.max, 0);
}

// ---- instruments

CBytes InstrumentV3() { return std::move(CBytes().InstrumentHeader("tonviki v3.0")); }

TEST(InstrumentFile, LayoutOfAChannelWithOnePair)
{
    COvkModuleChannel channel;
    channel.volume = 150;
    channel.envelope = MarkedEnvelope(4);
    channel.carriers[0].cents = 33;
    channel.modulators[0].type = ovk::OSC_SAW;
    CBytes expected = InstrumentV3();
    expected.I32(18).I32(4).I32(150).Envelope(MarkedEnvelope(4)).I32(6);
    Oscillator(expected, channel.carriers[0], true).I32(7);
    Oscillator(expected, channel.modulators[0], false).I32(255);
    EXPECT_EQ(SaveInstrument(channel), expected.Get());

    COvkModuleChannel loaded;
    loaded.effects.push_back(TOvkEffect());
    LoadInstrument(loaded, expected);
    EXPECT_EQ(loaded, channel);
}

TEST(InstrumentFile, WithoutChannelRecordTheListsGrow)
{
    COvkModuleChannel channel;
    CBytes file = InstrumentV3().I32(18).I32(6);
    Oscillator(file, TOvkOscillator(), true).I32(7);
    Oscillator(file, TOvkOscillator(), false).I32(13).I32(5).I32(6).I32(255);
    LoadInstrument(channel, file);
    EXPECT_EQ(channel.carriers.size(), 2u);
    EXPECT_EQ(channel.modulators.size(), 2u);
    ASSERT_EQ(channel.effects.size(), 1u);
    EXPECT_EQ(channel.effects[0].type, ovk::EFFECT_OVERDRIVE);
    EXPECT_EQ(channel.effects[0].p1, 5);
    EXPECT_EQ(channel.effects[0].p2, 6);
}

TEST(InstrumentFile, EachEffectStartsFromItsTypeDefaults)
{
    COvkModuleChannel channel;
    // Unlike in song files, the low-pass does not take over the delay's p2.
    LoadInstrument(channel, InstrumentV3().I32(8).I32(1).I32(2).I32(10).I32(140).Envelope(TOvkEnvelope()).I32(255));
    ASSERT_EQ(channel.effects.size(), 2u);
    EXPECT_EQ(channel.effects[1].type, ovk::EFFECT_LOWPASS);
    EXPECT_EQ(channel.effects[1].p1, 140);
    EXPECT_EQ(channel.effects[1].p2, 128);
}

TEST(InstrumentFile, SongFileAndSongOnlyTagsAreRefused)
{
    COvkModuleChannel channel;
    ExpectDataFormat([&] { LoadInstrument(channel, GoldenBytes("one_sine.tonvik")); },
                     L"morvane::COvkModuleChannel::Load", kInvalidFile);
    ExpectDataFormat([&] { LoadInstrument(channel, CBytes().InstrumentHeader("tonviki v3.00").I32(255)); },
                     L"morvane::COvkModuleChannel::Load", kInvalidFile);
    for (std::int32_t tag : {1, 2, 3, 5, 12, 16, 19})
        ExpectDataFormat([&] { LoadInstrument(channel, InstrumentV3().I32(tag).I32(0).I32(255)); },
                         L"ovk::COvkModuleChannel::LoadVersion3", kInvalidData);
}

TEST(InstrumentFile, CutFileIsRefusedAtEveryLength)
{
    const TBytes whole = GoldenBytes("instr_rich.v3.tonviki");
    for (std::size_t length = 0; length < whole.size(); ++length) {
        COvkModuleChannel channel;
        try {
            LoadInstrument(channel, TBytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
            ADD_FAILURE() << "loaded a file cut at " << length;
        } catch (const morvane::CDataFormatException& e) {
            EXPECT_STREQ(e.GetReason(), length < 27 ? kInvalidFile : kInvalidData) << length;
        }
        ASSERT_LE(channel.carriers.size(), 3u);
        ASSERT_LE(channel.effects.size(), 7u);
    }
}

TEST(InstrumentFileV2, RecordsConvertAndOnlyTheEndTagEndsTheFile)
{
    const float envelope[6] = {0.25f, 1.0f, 0.0f, 1.5707964f, 0.0f, 0.0f};
    const float transpose[6] = {12.0f, -12.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    CBytes file = CBytes().InstrumentHeader("tonviki v2.0");
    file.I32(9).Bool(true).I32(5);
    file.I32(4).F32(0.5f).OldEnvelope(envelope, true, false, false);
    file.I32(7).I32(0).I32(2).OldEnvelope(envelope, true, false, false).OldEnvelope(transpose, true, false, true);
    file.F32(0.5f).F32(-12.5f);
    file.I32(5).Bool(true).F32(6.0f).F32(1.0f);
    COvkModuleChannel channel;
    ExpectDataFormat([&] { LoadInstrument(channel, file); }, L"ovk::COvkModuleData::LoadVersion2", kInvalidData);

    channel = COvkModuleChannel();
    LoadInstrument(channel, file.I32(8));
    EXPECT_EQ(channel.volume, 128);  // rounded: 0.5 × 255 + 0.5
    EXPECT_EQ(channel.envelope.min, 64);
    EXPECT_EQ(channel.envelope.phase, 16384);
    ASSERT_EQ(channel.carriers.size(), 1u);
    const TOvkOscillator& carrier = channel.carriers[0];
    EXPECT_EQ(carrier.type, ovk::OSC_SAW);
    EXPECT_EQ(carrier.volume, 127);  // truncated here
    EXPECT_EQ(carrier.cents, -1250);
    EXPECT_EQ(carrier.transposeEnvelope.min, 512);
    EXPECT_EQ(carrier.transposeEnvelope.max, 128);
    EXPECT_EQ(carrier.transposeEnvelope.resetMode, ovk::RESET_SONG);
    EXPECT_EQ(channel.modulators, std::vector<TOvkOscillator>{TOvkOscillator()});
    ASSERT_EQ(channel.effects.size(), 1u);
    EXPECT_EQ(channel.effects[0].p1, 100);
    EXPECT_EQ(channel.effects[0].p2, 255);
}

// ---- saving to a path

class SaveToPath : public ::testing::Test {
protected:
    std::wstring Path(const std::string& name) const { return morvane::utf::FromUtf8(m_folder.Path(name)); }
    std::size_t EntryCount() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_folder.Get()),
                                                      std::filesystem::directory_iterator()));
    }

    CTempFolder m_folder;
};

TEST_F(SaveToPath, ReplacedFileKeepsItsNameLinkAndPermissions)
{
    const std::wstring path = Path("Übung ♫.tonvik");
    COvkModuleData song;
    LoadSong(song, GoldenBytes("arrangement.tonvik"));
    ovk::SaveSongFile(path.c_str(), song);
    const std::string utf8 = morvane::utf::ToUtf8(path);
    ASSERT_EQ(chmod(utf8.c_str(), 0640), 0);
    ASSERT_EQ(symlink(utf8.c_str(), m_folder.Path("link.tonvik").c_str()), 0);
    song.tempo = 61;
    ovk::SaveSongFile(Path("link.tonvik").c_str(), song);
    EXPECT_TRUE(std::filesystem::is_symlink(m_folder.Path("link.tonvik")));
    struct stat info {};
    ASSERT_EQ(stat(utf8.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    COvkModuleData loaded;
    ovk::LoadSongFile(path.c_str(), loaded);
    EXPECT_TRUE(SameSong(loaded, song));
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(SaveToPath, LargeFileWrittenInPiecesAndPatchedComesOutWhole)
{
    // Megabytes in pieces of odd sizes, then a patch near the start, as the
    // WAV export writes its samples and then its sizes.
    const std::wstring path = Path("large.bin");
    TBytes expected(3 * 1024 * 1024 + 777);
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<std::uint8_t>(i * 131 + i / 4099);
    ovk::WriteFileAtomically(path.c_str(), [&](morvane::IOutputStream* stream) {
        for (std::size_t at = 0; at < expected.size();) {
            const std::size_t piece = std::min<std::size_t>(expected.size() - at, 100003);
            stream->Write(expected.data() + at, piece);
            at += piece;
        }
        stream->Seek(4);
        stream->Write("SIZE", 4);
        EXPECT_EQ(stream->Tell(), 8u);
    });
    std::copy_n("SIZE", 4, expected.begin() + 4);
    EXPECT_TRUE(ReadFileBytes(morvane::utf::ToUtf8(path)) == expected);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SaveToPath, FailedSaveLeavesThePreviousFileAndNoTemporary)
{
    const std::wstring path = Path("song.tonvik");
    ovk::SaveSongFile(path.c_str(), COvkModuleData());
    const TBytes before = ReadFileBytes(morvane::utf::ToUtf8(path));
    EXPECT_THROW(ovk::WriteFileAtomically(path.c_str(),
                                          [](morvane::IOutputStream* stream) {
                                              stream->Write("partial", 7);
                                              MRV_THROW(morvane::CIOException, L"test", L"disk full");
                                          }),
                 morvane::CIOException);
    EXPECT_EQ(ReadFileBytes(morvane::utf::ToUtf8(path)), before);
    EXPECT_THROW(ovk::SaveSongFile(Path("no/such/folder.tonvik").c_str(), COvkModuleData()),
                 morvane::CFileAccessException);
    EXPECT_EQ(EntryCount(), 1u);
}

} // namespace
