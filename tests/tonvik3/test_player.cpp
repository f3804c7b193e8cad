// The song data's edits, the module object and the module player as a
// stream, built-in-code songs.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "PlayerTestSupport.h"
#include "core/module/CoreClasses.h"
#include "core/synth/CNoiseGenerator.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "support/ExpectThrow.h"

namespace {

using namespace ovk;
using namespace tonvik_test;
using morvane::CRef;

TEST(SongData, OrderAndRowEditsMoveOnlyTheirOwnEntries)
{
    COvkModuleData song;
    EXPECT_EQ(song.SongLength(), 0);
    song.orderTable[7][255] = 3;
    EXPECT_EQ(song.SongLength(), 256);
    song.orderTable[0][254] = 2;
    song.orderTable[1][0] = 9;
    song.InsertOrderPosition(255);  // clears the last position, moves nothing
    EXPECT_EQ(song.SongLength(), 255);
    EXPECT_EQ(song.orderTable[0][254], 2u);

    song.orderTable[0][0] = 1;
    song.InsertOrderPosition(0);
    EXPECT_EQ(song.orderTable[0][0], 0u);
    EXPECT_EQ(song.orderTable[0][1], 1u);
    EXPECT_EQ(song.orderTable[0][255], 2u);
    EXPECT_EQ(song.orderTable[1][1], 9u);
    song.DeleteOrderPosition(0);
    EXPECT_EQ(song.orderTable[0][0], 1u);
    EXPECT_EQ(song.orderTable[0][255], 0u);
    EXPECT_EQ(song.orderTable[1][0], 9u);

    for (std::uint32_t r = 0; r < kRows; ++r)
        song.patterns[2][5][r] = r + 1;
    song.patterns[2][6][0] = 77;
    song.InsertRow(2, 5, 3);
    EXPECT_EQ(song.patterns[2][5][3], 0u);
    EXPECT_EQ(song.patterns[2][5][15], 15u);
    song.DeleteRow(2, 5, 0);
    EXPECT_EQ(song.patterns[2][5][0], 2u);
    EXPECT_EQ(song.patterns[2][5][2], 0u);
    EXPECT_EQ(song.patterns[2][5][15], 0u);
    EXPECT_EQ(song.patterns[2][6][0], 77u);

    EXPECT_EQ(song.FirstEmptyPattern(2), 1);
    for (int p = 1; p < kPatterns; ++p)
        song.patterns[2][p][15] = kStopNote;
    EXPECT_EQ(song.FirstEmptyPattern(2), 0);
    song.patterns[2][9][15] = 0;
    EXPECT_EQ(song.FirstEmptyPattern(2), 9);
}

TEST(SongData, ChoosingAnEffectTypeKeepsTheFieldsItDoesNotUse)
{
    TOvkEffect effect;
    effect.SetType(EFFECT_FLANGE);
    EXPECT_EQ(effect.p1, 400);
    EXPECT_EQ(effect.p2, 128);
    EXPECT_EQ(effect.envelopeA, TOvkEnvelope::FlangeDefault());
    effect.SetType(EFFECT_LOWPASS);
    EXPECT_EQ(effect.p1, 100);
    EXPECT_EQ(effect.p2, 128);
    EXPECT_EQ(effect.envelopeA, TOvkEnvelope::Default());
}

class ModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterCoreClasses(); }
    CRef<COvkModule> module = NewModule();
};

TEST_F(ModuleTest, ChangeCounterCountsWriteUnlocksOnly)
{
    EXPECT_EQ(module->GetChangeCount(), 1u);
    module->Lock(0);
    module->Unlock();
    EXPECT_EQ(module->GetChangeCount(), 1u);
    COvkModuleData* data = module->Lock(2);
    EXPECT_EQ(data->tempo, 120);
    module->Unlock();
    EXPECT_EQ(module->GetChangeCount(), 2u);

    // Nested levels: a write and a read inside a write.
    EXPECT_EQ(module->Lock(2), data);
    EXPECT_EQ(module->Lock(1), data);
    EXPECT_EQ(module->Lock(0), data);
    module->Unlock();
    EXPECT_EQ(module->GetChangeCount(), 2u);
    module->Unlock();
    EXPECT_EQ(module->GetChangeCount(), 3u);
    module->Unlock();
    EXPECT_EQ(module->GetChangeCount(), 4u);
}

TEST_F(ModuleTest, ModifiedHookHearsEveryCountedChange)
{
    std::vector<IOvkModule*> heard;
    COvkModule::TModifiedHook previous =
        COvkModule::SetModifiedHook([&heard](IOvkModule* changed) { heard.push_back(changed); });
    module->Lock(2);
    module->Unlock();
    module->Lock(0);
    module->Unlock();
    COvkModule::SetModifiedHook(previous);
    module->Lock(2);
    module->Unlock();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], static_cast<IOvkModule*>(module.Get()));
}

TEST_F(ModuleTest, ClassesAreCreatedByNameWithTheirIds)
{
    CRef<IOvkModule> song = morvane::CreateRef<IOvkModule>(L"ovk::COvkModule");
    ASSERT_TRUE(song);
    morvane::CId id;
    EXPECT_EQ(song->GetClassId(id), clsid::COvkModule);
    EXPECT_EQ(song->GetChangeCount(), 1u);
    COvkModuleData* data = song->Lock(0);
    EXPECT_EQ(data->SongLength(), 0);
    EXPECT_EQ(data->channels[3].carriers.size(), 1u);
    song->Unlock();

    CRef<morvane::IObject> object =
        CRef<morvane::IObject>::Adopt(morvane::q.classStore.CreateObject(clsid::COvkModulePlayer));
    CRef<IOvkModulePlayer> player = morvane::QueryRef<IOvkModulePlayer>(object.Get());
    ASSERT_TRUE(player);
    EXPECT_TRUE(morvane::QueryRef<morvane::IInputStream>(object.Get()));
    EXPECT_TRUE(morvane::QueryRef<morvane::IStream>(object.Get()));
    EXPECT_FALSE(morvane::QueryRef<IOvkModule>(object.Get()));
    EXPECT_EQ(player->GetClassId(id), clsid::COvkModulePlayer);
}

using tonvik_test::ExpectThrow;

TEST(PlayerStream, UnconnectedPlayerRefusesStreamOperations)
{
    CRef<COvkModulePlayer> player = NewPlayer(nullptr);
    EXPECT_EQ(player->GetCaps(), 0u);
    EXPECT_EQ(player->Tell(), 0u);
    EXPECT_TRUE(player->Eof());
    EXPECT_FALSE(player->HasProperty(nullptr));
    char buffer[4];
    ExpectThrow<morvane::CIOException>([&] { player->Read(buffer, 4); }, L"ovk::COvkModulePlayer::Read",
                                       L"Not connected to module");
    ExpectThrow<morvane::CNullPtrException>([&] { player->Read(nullptr, 4); }, L"ovk::COvkModulePlayer::Read",
                                            L"buffer is NULL");
    ExpectThrow<morvane::COperationNotSupportedException>([&] { player->Seek(0); },
                                                          L"ovk::COvkModulePlayer::Seek", L"Not connected to mod");
    ExpectThrow<morvane::COperationNotSupportedException>([&] { player->GetLength(); },
                                                          L"ovk::COvkModulePlayer::GetLength", L"Not connected");
    ExpectThrow<morvane::COperationNotSupportedException>([&] { player->Flush(); },
                                                          L"ovk::COvkModulePlayer::Flush", L"Flush not supported");
    ExpectThrow<morvane::CNullPtrException>([&] { player->Read(static_cast<morvane::IMediaSample*>(nullptr)); },
                                            L"ovk::COvkModulePlayer::Read", L"sample is NULL");
    ExpectThrow<morvane::CInvalidParameterException>(
        [&] { player->Read(reinterpret_cast<morvane::IMediaSample*>(buffer)); }, L"ovk::COvkModulePlayer::Read",
        L"Media samples are not supported");
    // Nothing to convert without a row length; the mixer's calls do nothing.
    EXPECT_EQ(player->TimeToRow(3.0f), 0);
    player->SetChannelEnabled(0, false);
    std::int32_t history[2] = {5, 5};
    player->GetHistory(-1, 0, history, 2);
    EXPECT_EQ(history[0], 5);
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { CNoiseGenerator::ResetForThisThread(); }
    CRef<COvkModule> module = NewModule();
};

TEST_F(PlayerTest, EmptySongHasEndedAtOnce)
{
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    EXPECT_EQ(player->GetCaps(), 7u);
    EXPECT_TRUE(player->Eof());
    EXPECT_EQ(player->GetLength(), 0u);
    EXPECT_TRUE(ReadSamples(player.Get(), 100).empty());
    EXPECT_EQ(player->GetFormat()->size, 32u);
}

TEST_F(PlayerTest, OnePositionLastsSixteenRows)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        song.orderTable[0][0] = 1;
        song.patterns[0][1][0] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    EXPECT_EQ(player->GetLength(), 176384u);
    std::vector<std::uint8_t> buffer(200000);
    EXPECT_EQ(player->Read(buffer.data(), 7), 6u);
    EXPECT_EQ(player->Tell(), 6u);
    player->Seek(0);
    EXPECT_EQ(player->Read(buffer.data(), buffer.size()), 176384u);
    EXPECT_TRUE(player->Eof());
    EXPECT_EQ(player->Read(buffer.data(), 2), 0u);
    // A count beyond 32 bits is read as 0xFFFFFFFF bytes.
    player->Seek(0);
    std::vector<std::uint8_t> large(176384 + 16);
    EXPECT_EQ(player->Read(large.data(), 0x100000000ull), 176384u);

    player->Seek(1001);
    EXPECT_EQ(player->Tell(), 1000u);
    EXPECT_FALSE(player->Eof());
    player->Skip(8);
    EXPECT_EQ(player->Tell(), 1008u);
    player->Seek(1000000);
    EXPECT_EQ(player->Tell(), player->GetLength());
    EXPECT_TRUE(player->Eof());
    EXPECT_EQ(player->GetRow(), (500000u / 5512u) % 16u);

    player->SeekRow(15);
    EXPECT_EQ(player->Tell(), 15u * 5512u * 2u);
    EXPECT_EQ(player->GetRow(), 15u);
    EXPECT_FLOAT_EQ(player->RowToTime(0), 0.0001f);
    for (unsigned row : {0u, 1u, 15u, 100u, 4095u})
        EXPECT_EQ(player->TimeToRow(player->RowToTime(row)), static_cast<std::int64_t>(row));
}

TEST_F(PlayerTest, ASeekInsideARowStartsTheRowAgain)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.channels[0].carriers[0].type = OSC_SAW;
        song.patterns[0][1][2] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    player->SeekRow(2);
    const TSamples fromRowStart = ReadSamples(player.Get(), 200);
    player->Seek(2 * (2 * 5512 + 3000));
    // The note starts again at phase 0, wherever in the row the seek landed.
    EXPECT_EQ(ReadSamples(player.Get(), 200), fromRowStart);
}

TEST_F(PlayerTest, PatternLoopJumpsBackAndNeverEnds)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        song.orderTable[0][0] = 1;
        song.orderTable[0][1] = 1;
        song.patterns[0][1][0] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    player->SeekRow(16);
    EXPECT_TRUE(player->SetPatternLoop(true));
    const std::uint64_t start = player->Tell();
    ReadSamples(player.Get(), 88192 - 10);
    const TSamples across = ReadSamples(player.Get(), 20);
    ASSERT_EQ(across.size(), 20u);
    EXPECT_EQ(player->Tell(), start + 20);
    ReadSamples(player.Get(), 3 * 88192);
    EXPECT_FALSE(player->Eof());
    EXPECT_FALSE(player->SetPatternLoop(false));
    ReadSamples(player.Get(), 88192);
    EXPECT_TRUE(player->Eof());
}

TEST_F(PlayerTest, MixClipsAtSixteenBits)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.masterVolume = 256;
        for (int c : {0, 1}) {
            song.channels[c].volume = 256;
            song.channels[c].carriers[0].type = OSC_SQUARE;
            song.channels[c].carriers[0].volume = 256;
            song.patterns[c][1][0] = 58;
        }
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    const TSamples samples = ReadSamples(player.Get(), 1000);
    EXPECT_EQ(samples[0], -32768);
    EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 32767);
    std::int32_t channel[1];
    player->GetHistory(0, 0, channel, 1);
    EXPECT_EQ(channel[0], -32768);  // one channel alone: (256 x -32768) >> 8 ... >> 8
}

TEST_F(PlayerTest, HistoriesHoldTheLastSamples)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.masterVolume = 256;
        song.channels[3].carriers[0].type = OSC_SAW;
        song.patterns[3][1][0] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    const TSamples first = ReadSamples(player.Get(), 1000);
    const TSamples samples = ReadSamples(player.Get(), 3000);
    std::vector<std::int32_t> mix(100), channel(100), other(100, 7);
    const unsigned position = static_cast<unsigned>(player->Tell());
    player->GetHistory(-1, position - 200, mix.data(), 100);
    player->GetHistory(3, position - 200, channel.data(), 100);
    player->GetHistory(2, position - 200, other.data(), 100);
    EXPECT_TRUE(std::equal(mix.begin(), mix.end(), samples.end() - 100));
    EXPECT_EQ(channel, mix);  // a single channel at master volume 256 is the mix
    EXPECT_EQ(other, std::vector<std::int32_t>(100, 0));
    // Further back than the start of the read, across the reads.
    player->GetHistory(-1, 2, mix.data(), 100);
    EXPECT_TRUE(std::equal(mix.begin(), mix.end(), first.begin() + 1));

    // Channels outside 0-7 are ignored.
    std::vector<std::int32_t> untouched(4, 9);
    player->GetHistory(8, position - 8, untouched.data(), 4);
    EXPECT_EQ(untouched, std::vector<std::int32_t>(4, 9));
    player->SetChannelEnabled(8, false);
    player->SetChannelEnabled(0xFFFFFFFFu, false);

    // Muted: silent in the mix, still recorded.
    player->SetChannelEnabled(3, false);
    const TSamples muted = ReadSamples(player.Get(), 100);
    EXPECT_EQ(muted, TSamples(100, 0));
    player->GetHistory(3, position + 100, channel.data(), 100);
    EXPECT_NE(channel, std::vector<std::int32_t>(100, 0));
    // A seek clears the histories.
    player->Seek(0);
    player->GetHistory(3, 0, channel.data(), 100);
    EXPECT_EQ(channel, std::vector<std::int32_t>(100, 0));
    player->GetHistory(-1, 0, mix.data(), 100);
    EXPECT_EQ(mix, std::vector<std::int32_t>(100, 0));
}

TEST_F(PlayerTest, APlayerWithoutHistoriesSoundsTheSameAndRemembersNothing)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.channels[3].carriers[0].type = OSC_SAW;
        song.patterns[3][1][0] = 58;
        song.channels[3].effects.resize(1);  // a delay, which reads its own past
    });
    for (const bool reference : {false, true}) {
        CRef<COvkModulePlayer> kept = NewPlayer(module.Get());
        CRef<COvkModulePlayer> bare =
            CRef<COvkModulePlayer>::Adopt(new COvkModulePlayer(COvkModulePlayer::THistories::None));
        bare->Connect(module.Get());
        kept->SetReferenceRendering(reference);
        bare->SetReferenceRendering(reference);
        const TSamples expected = ReadSamples(kept.Get(), 5000);
        EXPECT_EQ(ReadSamples(bare.Get(), 5000), expected) << (reference ? "reference" : "block") << " path";
        ASSERT_NE(expected, TSamples(5000, 0));
        for (const int channel : {-1, 3}) {
            std::vector<std::int32_t> past(100, 7);
            bare->GetHistory(channel, 4900 * 2, past.data(), 100);
            EXPECT_EQ(past, std::vector<std::int32_t>(100, 0)) << "channel " << channel;
        }
    }
}

TEST_F(PlayerTest, EditsAreHeardInTheNextRead)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.patterns[0][1][0] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    EXPECT_NE(ReadSamples(player.Get(), 500), TSamples(500, 0));
    Edit(module.Get(), [](COvkModuleData& song) { song.channels[0].volume = 0; });
    EXPECT_EQ(ReadSamples(player.Get(), 500), TSamples(500, 0));
    Edit(module.Get(), [](COvkModuleData& song) { song.channels[0].volume = 100; });
    // The sine went on running while it was silent.
    const TSamples resumed = ReadSamples(player.Get(), 500);
    EXPECT_NE(resumed, TSamples(500, 0));
    EXPECT_EQ(player->Tell(), 3000u);
}

TEST_F(PlayerTest, TempoChangeRestartsTheCurrentRow)
{
    auto song = [](COvkModuleData& data) {
        PlainSong(data);
        data.channels[0].carriers[0].type = OSC_SAW;
        data.patterns[0][1][3] = 70;
    };
    Edit(module.Get(), song);
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    player->SeekRow(3);
    ReadSamples(player.Get(), 2000);
    Edit(module.Get(), [](COvkModuleData& data) { data.tempo = 140; });
    const TSamples afterChange = ReadSamples(player.Get(), 1000);
    const std::uint32_t rowLength = COvkModuleData::RowLengthOf(140);
    EXPECT_EQ(player->Tell(), 2u * (3u * rowLength + 1000u));
    EXPECT_EQ(player->GetLength(), 2u * 16u * rowLength);

    CRef<COvkModule> other = NewModule();
    Edit(other.Get(), song);
    Edit(other.Get(), [](COvkModuleData& data) { data.tempo = 140; });
    CRef<COvkModulePlayer> fresh = NewPlayer(other.Get());
    fresh->SeekRow(3);
    EXPECT_EQ(ReadSamples(fresh.Get(), 1000), afterChange);
}

TEST_F(PlayerTest, SeekEmptiesEchoesAndPlacesEnvelopes)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.orderTable[0][1] = 2;
        TOvkEffect delay;
        delay.p1 = 100;
        song.channels[0].effects.push_back(delay);
        song.channels[0].carriers[0].type = OSC_SQUARE;
        song.patterns[0][1][0] = 58;
        song.patterns[0][1][1] = kStopNote;
        song.channels[0].envelope.sustainEnabled = false;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    ReadSamples(player.Get(), 5512 + 100);
    // The stop note ended the square; the echo of its first row follows.
    EXPECT_NE(ReadSamples(player.Get(), 5512), TSamples(5512, 0));
    player->Seek(2 * (5512 + 100));
    EXPECT_EQ(ReadSamples(player.Get(), 5512), TSamples(5512, 0));
}

TEST_F(PlayerTest, SeekPlacesEnvelopesWherePlayingWouldHaveThem)
{
    // At tempo 131 a row is 5049 samples, 11 x 459: every fourth row starts on
    // an envelope tick, so a seek there must continue exactly as playback does.
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.tempo = 131;
        song.channels[0].carriers.clear();
        song.channels[0].modulators.clear();
        const std::int32_t modes[] = {RESET_SONG, RESET_PATTERN, RESET_SECOND_PATTERN, RESET_FOURTH_PATTERN, 7};
        for (std::int32_t i = 0; i < 5; ++i) {
            TOvkOscillator carrier;
            carrier.type = OSC_SAW;
            carrier.cents = 100 * i;
            carrier.volumeEnvelope.keepEnabled = false;
            carrier.volumeEnvelope.speed = 300 + 50 * i;
            carrier.volumeEnvelope.resetMode = modes[i];
            carrier.transposeEnvelope = carrier.volumeEnvelope;
            carrier.transposeEnvelope.min = 200;
            song.channels[0].AddPair(carrier, TOvkOscillator());
        }
        for (int p = 0; p < 6; ++p)
            song.orderTable[0][p] = 1;
        song.patterns[0][1][0] = 58;
        song.patterns[0][1][4] = 61;
    });
    ASSERT_EQ(COvkModuleData::RowLengthOf(131), 5049u);
    for (unsigned row : {52u, 64u, 84u}) {
        CRef<COvkModulePlayer> playing = NewPlayer(module.Get());
        ReadSamples(playing.Get(), row * 5049u);
        CRef<COvkModulePlayer> seeking = NewPlayer(module.Get());
        seeking->SeekRow(row);
        EXPECT_EQ(ReadSamples(seeking.Get(), 12000), ReadSamples(playing.Get(), 12000)) << row;
    }
}

TEST_F(PlayerTest, ConnectingAgainStartsOverAndKeepsOneReference)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.patterns[0][1][0] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    const TSamples first = ReadSamples(player.Get(), 3000);
    player->SetPatternLoop(true);
    player->SetChannelEnabled(0, false);
    // Connected again while it holds the only reference: the module lives on,
    // held once by the player.
    COvkModule* song = module.Detach();
    song->Release();
    player->Connect(song);
    EXPECT_EQ(song->AddRef(), 2);
    module = CRef<COvkModule>::Adopt(song);
    EXPECT_EQ(player->Tell(), 0u);
    EXPECT_EQ(ReadSamples(player.Get(), 3000), first);  // unmuted, from scratch
    player->Close();
    EXPECT_EQ(song->AddRef(), 2);  // the test's and this one: the player let go
    song->Release();
    EXPECT_EQ(player->GetCaps(), 0u);
    EXPECT_TRUE(player->Eof());
}

TEST_F(PlayerTest, DamagedSongsStillPlay)
{
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.tempo = 0;
        song.orderTable[1][0] = 0xFFFFFFF0u;  // not a pattern
        song.channels[0].carriers.resize(3);
        song.channels[0].carriers[2].fmEnabled = true;
        song.patterns[0][1][0] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    EXPECT_EQ(player->GetLength(), 2u * 16u * COvkModuleData::RowLengthOf(1));
    EXPECT_EQ(ReadSamples(player.Get(), 5000).size(), 5000u);
}

} // namespace
