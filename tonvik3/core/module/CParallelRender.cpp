#include "core/module/CParallelRender.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "core/song/COvkModuleData.h"
#include "core/synth/CNoiseGenerator.h"
#include "core/synth/VectorPath.h"
#include "morvane/api/CException.h"

namespace ovk {

namespace {

// The channels of each of groups groups, as bit masks: channels that cost
// about the same to render (oscillator pairs, effects) spread evenly, the
// costliest first, each into the group that has the least so far.
std::vector<std::uint32_t> SplitChannels(const COvkModuleData& song, std::size_t groups)
{
    std::array<std::uint32_t, kChannels> order{};
    std::array<std::uint64_t, kChannels> cost{};
    for (std::uint32_t c = 0; c < kChannels; ++c) {
        order[c] = c;
        const COvkModuleChannel& channel = song.channels[c];
        cost[c] = 1 + 4 * std::uint64_t(channel.carriers.size()) + 2 * std::uint64_t(channel.effects.size());
    }
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return cost[a] > cost[b]; });
    std::vector<std::uint32_t> masks(groups, 0);
    std::vector<std::uint64_t> load(groups, 0);
    for (const std::uint32_t c : order) {
        const std::size_t g = static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        masks[g] |= 1u << c;
        load[g] += cost[c];
    }
    return masks;
}

// Holds the song's read lock for the threads of one round.
class CSongRead {
public:
    explicit CSongRead(IOvkModule* module) : m_module(module), m_song(module->Lock(kSongRead)) {}
    ~CSongRead() { m_module->Unlock(); }
    CSongRead(const CSongRead&) = delete;
    CSongRead& operator=(const CSongRead&) = delete;
    COvkModuleData* Song() const { return m_song; }

private:
    IOvkModule* m_module;
    COvkModuleData* m_song;
};

} // namespace

unsigned CParallelRender::DefaultThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, static_cast<unsigned>(kChannels));
}

CParallelRender::CParallelRender(IOvkModule* module, unsigned threads) : m_module(module)
{
    if (!module)
        MRV_THROW(morvane::CNullPtrException, L"ovk::CParallelRender::CParallelRender", L"module is NULL");
    const std::size_t groups = std::clamp<std::size_t>(threads, 1, kChannels);
    std::vector<std::uint32_t> masks;
    {
        const CSongRead read(module);
        masks = SplitChannels(*read.Song(), groups);
    }
    for (const std::uint32_t mask : masks) {
        auto group = std::make_unique<TGroup>();
        // Nobody asks a render for its past: its players keep no histories.
        group->player = morvane::CRef<COvkModulePlayer>::Adopt(new COvkModulePlayer(COvkModulePlayer::THistories::None));
        if (groups > 1)
            group->player->SetChannelGroup(mask);
        group->mix.resize(kRoundSamples + 8);
        group->player->Connect(module);
        m_groups.push_back(std::move(group));
    }
    // The helpers start last, when everything they touch is made.
    const std::uint32_t noiseState = CNoiseGenerator::GetState();
    try {
        for (std::size_t g = 1; g < m_groups.size(); ++g)
            m_groups[g]->thread = std::thread(&CParallelRender::Work, this, g, noiseState);
    } catch (...) {
        StopHelpers();
        throw;
    }
}

CParallelRender::~CParallelRender() { StopHelpers(); }

void CParallelRender::StopHelpers()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_stop = true;
    }
    m_start.notify_all();
    for (const std::unique_ptr<TGroup>& group : m_groups)
        if (group->thread.joinable())
            group->thread.join();
}

std::uint64_t CParallelRender::GetLength() { return m_groups.front()->player->GetLength(); }

std::uint64_t CParallelRender::Read(void* buffer, std::uint64_t count)
{
    if (!buffer)
        MRV_THROW(morvane::CNullPtrException, L"ovk::CParallelRender::Read", L"buffer is NULL");
    const std::uint32_t samples = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFFFFFFu)) / 2;
    std::uint8_t* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < samples) {
        const std::uint32_t round = std::min(samples - done, kRoundSamples);
        const std::uint32_t produced = RenderRound(out + 2 * std::size_t(done), round);
        done += produced;
        if (produced < round)
            break;
    }
    return 2 * std::uint64_t(done);
}

void CParallelRender::RenderGroup(TGroup& group, std::uint32_t samples, COvkModuleData* song)
{
    try {
        group.produced = group.player->ReadMix(group.mix.data(), samples, song);
    } catch (...) {
        group.error = std::current_exception();
    }
}

void CParallelRender::Work(std::size_t index, std::uint32_t noiseState)
{
    CNoiseGenerator::SetState(noiseState);
    TGroup& group = *m_groups[index];
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_start.wait(lock, [&] { return m_stop || m_round != seen; });
        if (m_stop)
            return;
        seen = m_round;
        const std::uint32_t samples = m_samples;
        COvkModuleData* const song = m_song;
        std::uint8_t* const out = m_out;
        lock.unlock();
        RenderGroup(group, samples, song);
        lock.lock();
        AwaitAllRendered(lock);
        lock.unlock();
        MixShare(index, out);
        lock.lock();
        if (--m_busy == 0)
            m_finished.notify_one();
    }
}

void CParallelRender::AwaitAllRendered(std::unique_lock<std::mutex>& lock)
{
    if (++m_groupsRendered == m_groups.size())
        m_rendered.notify_all();
    m_rendered.wait(lock, [&] { return m_groupsRendered == m_groups.size(); });
}

std::uint32_t CParallelRender::RenderRound(std::uint8_t* out, std::uint32_t samples)
{
    // The song stays read-locked until every group has rendered the round,
    // so that all of them render the same song, and edits wait for it as
    // they wait for a player's block.
    const CSongRead read(m_module.Get());
    for (const std::unique_ptr<TGroup>& group : m_groups) {
        group->produced = 0;
        group->error = nullptr;
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_samples = samples;
        m_song = read.Song();
        m_out = out;
        m_groupsRendered = 0;
        m_busy = static_cast<unsigned>(m_groups.size() - 1);
        ++m_round;
    }
    m_start.notify_all();
    RenderGroup(*m_groups.front(), samples, read.Song());
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        AwaitAllRendered(lock);
    }
    MixShare(0, out);
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_finished.wait(lock, [&] { return m_busy == 0; });
    }
    for (const std::unique_ptr<TGroup>& group : m_groups)
        if (group->error)
            std::rethrow_exception(group->error);

    // Every group follows the same song to the same end.
    const std::uint32_t produced = m_groups.front()->produced;
    for (const std::unique_ptr<TGroup>& group : m_groups)
        if (group->produced != produced)
            MRV_THROW(morvane::CBugException, L"ovk::CParallelRender::Read", L"Channel groups ended apart");
    return produced;
}

void CParallelRender::MixShare(std::size_t index, std::uint8_t* out)
{
    // Only what every group produced is mixed (they differ only when one
    // failed, and then the round throws).
    std::uint32_t count = m_groups.front()->produced;
    for (const std::unique_ptr<TGroup>& group : m_groups)
        count = std::min(count, group->produced);
    // Shares of whole vectors of eight, in group order.
    const std::size_t groups = m_groups.size();
    const std::uint32_t share = static_cast<std::uint32_t>((count + 8 * groups - 1) / (8 * groups) * 8);
    const std::uint32_t begin = std::min<std::uint64_t>(count, std::uint64_t(share) * index);
    const std::uint32_t end = std::min<std::uint64_t>(count, std::uint64_t(share) * (index + 1));
    const std::int32_t masterVolume = m_groups.front()->player->MasterVolume();
    // The mixes as the signed sums they hold (which a mix of channels adds up).
    std::array<const std::int32_t*, kChannels> mixes{};
    for (std::size_t g = 0; g < groups; ++g)
        mixes[g] = reinterpret_cast<const std::int32_t*>(m_groups[g]->mix.data());
    const std::uint32_t* const firstMix = m_groups.front()->mix.data();
    OnVectorPath([=] {
        constexpr std::uint32_t kPiece = 4096;
        alignas(32) std::uint32_t sum[kPiece];
        alignas(32) std::int16_t samples[kPiece];
        for (std::uint32_t done = begin; done < end; done += kPiece) {
            const std::uint32_t n = std::min(kPiece, end - done);
            // The mix is a wrapping sum, so the groups add up in any order
            // (whole vectors of eight: the mixes have room past the round).
            const std::int32_t* pieces[kChannels];
            for (std::size_t g = 0; g < groups; ++g)
                pieces[g] = mixes[g] + done;
            if (groups > 1)
                COvkModulePlayer::MixChannels(pieces, groups, n, sum);
            COvkModulePlayer::MixToSamples(masterVolume, groups > 1 ? sum : firstMix + done, samples, n);
            if constexpr (std::endian::native == std::endian::little) {
                std::memcpy(out + 2 * std::size_t(done), samples, 2 * std::size_t(n));
            } else {
                for (std::uint32_t j = 0; j < n; ++j) {
                    const auto bits = static_cast<std::uint16_t>(samples[j]);
                    out[2 * (done + j)] = static_cast<std::uint8_t>(bits & 0xFF);
                    out[2 * (done + j) + 1] = static_cast<std::uint8_t>(bits >> 8);
                }
            }
        }
    });
}

} // namespace ovk
