// What reaches the "card": SDL's disk driver writes every byte that the
// output callback hands it into a file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "CDxAudioBuffer.h"
#include "CSoundSystem.h"
#include "DxTestHelpers.h"
#include "MemoryPcmSource.h"
#include "morvane/api/CRef.h"

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

class DiskOutputTest : public ::testing::Test {
protected:
    void Prepare(const char* delay)
    {
        m_path = ::testing::TempDir() + "dxa8_disk_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw";
        std::remove(m_path.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_path.c_str(), 1);
        if (delay)
            setenv("SDL_DISKAUDIODELAY", delay, 1);
        else
            unsetenv("SDL_DISKAUDIODELAY");
        m_system = std::make_shared<CSoundSystem>();
    }

    void TearDown() override
    {
        m_system.reset();
        std::remove(m_path.c_str());
    }

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
        ASSERT_TRUE(buffer.WaitEnded(3000ms));
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
            ASSERT_TRUE(buffer.WaitEnded(3000ms));
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

} // namespace
