// What reaches the "card": SDL's disk driver writes every byte that the
// output callback hands it into a file. The outputs run in lockstep with the
// refill (a late refill holds the card up instead of letting it play the
// ring's old bytes), so what reaches the card does not depend on how busy the
// machine is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "CDxAudioBuffer.h"
#include "CSoundSystem.h"
#include "DxTestHelpers.h"
#include "MemoryPcmSource.h"
#include "core/files/SongFiles.h"
#include "core/module/COvkModule.h"
#include "core/module/COvkModulePlayer.h"
#include "core/module/Playback.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/devices/CDeviceClassStore.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

using namespace morvane;
using namespace mrvx_std_dxa8;
using namespace dxa8_test;

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file is silence, then exactly the source, then silence.
void ExpectSourceBetweenSilence(const std::vector<std::uint8_t>& file, const std::vector<std::uint8_t>& source)
{
    std::size_t first = 0;
    while (first < file.size() && file[first] == 0)
        ++first;
    ASSERT_GE(file.size() - first, source.size());
    EXPECT_TRUE(std::equal(source.begin(), source.end(), file.begin() + static_cast<std::ptrdiff_t>(first)));
    std::size_t nonZeroAfter = 0;
    for (std::size_t i = first + source.size(); i < file.size(); ++i)
        nonZeroAfter += file[i] != 0;
    EXPECT_EQ(nonZeroAfter, 0u);
}

// The file is silence (SDL may hand the card a chunk of it before the output
// starts), then exactly the song from its first sample that is not 0 to its
// last one, then silence.
void ExpectSongBetweenSilence(const std::vector<std::uint8_t>& heard, const std::vector<std::uint8_t>& song, int mode)
{
    auto nonZero = [](std::uint8_t b) { return b != 0; };
    const auto songStart = std::find_if(song.begin(), song.end(), nonZero);
    const auto heardStart = std::find_if(heard.begin(), heard.end(), nonZero);
    ASSERT_GE(heardStart - heard.begin(), songStart - song.begin()) << "mode " << mode;
    ASSERT_GE(heard.end() - heardStart, song.end() - songStart) << "mode " << mode;
    const auto differ = std::mismatch(songStart, song.end(), heardStart);
    EXPECT_TRUE(differ.first == song.end()) << "mode " << mode << ": first difference at byte "
                                            << (differ.first - song.begin()) << " of " << song.size();
    EXPECT_TRUE(std::all_of(differ.second, heard.end(), [](std::uint8_t b) { return b == 0; })) << "mode " << mode;
}

class DiskOutputTest : public ::testing::Test {
protected:
    void Prepare(const char* delay)
    {
        // A folder of this run's own: the same test run elsewhere on the
        // machine at the same time (another build, another checkout) must
        // not write into this card's file.
        m_path = m_folder.Path("card.raw");
        std::remove(m_path.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_path.c_str(), 1);
        if (delay)
            setenv("SDL_DISKAUDIODELAY", delay, 1);
        else
            unsetenv("SDL_DISKAUDIODELAY");
        // Also for the sound system of a device that the framework opens.
        setenv("MRVX_STD_DXA8_LOCKSTEP", "1", 1);
        m_system = std::make_shared<CSoundSystem>();
        ASSERT_TRUE(m_system->Clock().Lockstep());
    }

    void TearDown() override
    {
        m_system.reset();
        std::remove(m_path.c_str());
        unsetenv("MRVX_STD_DXA8_LOCKSTEP");
    }

    tonvik_test::CTempFolder m_folder;
    std::string m_path;
    std::shared_ptr<CSoundSystem> m_system;
};

TEST_F(DiskOutputTest, AWholeStreamReachesTheCardByteForByte)
{
    Prepare("0");
    ASSERT_TRUE(m_system->HasCard());
    // 16-bit stereo, a length that is no multiple of SDL's chunk.
    auto bytes = CMemoryPcmSource::Pattern(12345 * 4);
    auto source = CRef<CMemoryPcmSource>::Adopt(new CMemoryPcmSource(bytes, FORMAT_44100HZ_16BIT_STEREO));
    {
        CDxAudioBuffer buffer(m_system, source.Get(), BUFFERING_STABLE);
        buffer.Play();
        ASSERT_TRUE(buffer.WaitEnded(10000ms));
    }
    ExpectSourceBetweenSilence(ReadFile(m_path), bytes);
}

TEST_F(DiskOutputTest, AStreamedSourceReachesTheCardByteForByte)
{
    // Paced in real time, as a card would take it.
    Prepare(nullptr);
    ASSERT_TRUE(m_system->HasCard());
    auto bytes = CMemoryPcmSource::Pattern(static_cast<std::size_t>(0.6 * 44100) * 2);
    for (TBufferingMode mode : {BUFFERING_STREAM, BUFFERING_STREAM_STAGED}) {
        auto source = CRef<CMemoryPcmSource>::Adopt(new CMemoryPcmSource(bytes, FORMAT_44100HZ_16BIT_MONO));
        {
            CDxAudioBuffer buffer(m_system, source.Get(), mode);
            buffer.Play();
            ASSERT_TRUE(buffer.WaitEnded(10000ms));
        }
        ExpectSourceBetweenSilence(ReadFile(m_path), bytes);
        std::remove(m_path.c_str());
    }
}

// Closing a card's output takes a while; meanwhile the watch thread of a
// looping whole buffer must not take the stopped ring for the end of a round
// and start it again.
TEST_F(DiskOutputTest, PausingALoopingWholeBufferSilencesIt)
{
    Prepare(nullptr);
    ASSERT_TRUE(m_system->HasCard());
    auto source = CRef<CMemoryPcmSource>::Adopt(MakeMonoSource(1.0f));
    CDxAudioBuffer buffer(m_system, source.Get(), BUFFERING_FULL);
    buffer.SetLoopTimes(0.0f, 0.05f);
    buffer.EnableLoop(true);
    for (int round = 0; round < 5; ++round) {
        buffer.Play();
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 10 * round));
        buffer.Pause();
        float paused = buffer.TellTime();
        std::this_thread::sleep_for(40ms);
        EXPECT_EQ(buffer.TellTime(), paused) << "round " << round;
    }
}

// A song played as the editor and tonvik3-cli play it, through the device and
// media control of the plug-in that the framework loaded: every sample of the
// song from the chosen row on reaches the card, the last ones included, in
// every buffering mode.
TEST_F(DiskOutputTest, EverySampleOfASongFromAPositionOnReachesTheCard)
{
    auto module = CRef<ovk::COvkModule>::Adopt(new ovk::COvkModule);
    // Four positions of two seconds.
    ovk::LoadSongFile(utf::PathFromBytes(tonvik_test::DataPath("golden/arrangement.tonvik")).c_str(),
                      *module->Lock(2));
    module->Unlock();
    const unsigned int row = 3 * 16;
    // What the player gives from the first sample of the row to the end.
    std::vector<std::uint8_t> expected;
    {
        auto player = CRef<ovk::COvkModulePlayer>::Adopt(new ovk::COvkModulePlayer);
        player->Connect(module.Get());
        player->SeekRow(row);
        std::uint8_t block[4096];
        while (const std::uint64_t got = player->Read(block, sizeof(block)))
            expected.insert(expected.end(), block, block + got);
    }
    ASSERT_EQ(expected.size(), 16u * 5512u * 2u);

    for (TBufferingMode mode : {BUFFERING_STABLE, BUFFERING_FULL, BUFFERING_STREAM_SHORT, BUFFERING_STREAM,
                                BUFFERING_STREAM_STAGED}) {
        // A whole buffer holds the song before it plays; a streamed one is paced as a card would take it.
        const bool whole = mode == BUFFERING_STABLE || mode == BUFFERING_FULL;
        Prepare(whole ? "0" : nullptr);
        auto created = CRef<IDevice>::Adopt(q.deviceStore.CreateDevice(DEVICE_TYPE_AUDIO));
        CRef<IAudioDevice> device = QueryRef<IAudioDevice>(created.Get());
        ASSERT_TRUE(device);
        device->Open();
        auto player = CRef<ovk::COvkModulePlayer>::Adopt(new ovk::COvkModulePlayer);
        player->Connect(module.Get());
        CRef<IMediaControl> control;
        {
            CInputStreamSelector selector(static_cast<IInputStream*>(player.Get()));
            control = CRef<IMediaControl>::Adopt(device->RenderAudio(selector, mode));
        }
        ovk::PlayFromRow(*control, *player, row);
        const auto start = TClock::now();
        while (control->IsPlaying() && SecondsSince(start) < 30)
            std::this_thread::sleep_for(20ms);
        EXPECT_FALSE(control->IsPlaying()) << "mode " << mode;
        control.Reset();
        device->Close();
        ExpectSongBetweenSilence(ReadFile(m_path), expected, mode);
        std::remove(m_path.c_str());
    }
}

} // namespace
