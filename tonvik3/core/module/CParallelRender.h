#pragma once
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include "core/module/COvkModulePlayer.h"
#include "core/module/IOvkModule.h"
#include "morvane/api/CRef.h"

namespace ovk {

// Renders a song from its start on several threads at once, with exactly the
// bytes that one module player reading it on the calling thread gives.
//
// The channels are split into groups, one player each
// (COvkModulePlayer::SetChannelGroup). Every player follows the whole song:
// it starts the notes of all channels, so it knows how many random numbers
// the noise oscillators of the other channels draw, and passes over them in
// the one shared sequence of the noise generator. Each Read holds the song's
// read lock, lets every group render its channels' mix of the same samples,
// then adds the mixes and clips them as the player does, each thread a share
// of the samples.
//
// The calling thread renders the first group; the others run on threads of
// their own, whose noise generators continue from the calling thread's as it
// stood at construction, and every generator ends where the calling thread's
// alone would have ended. Like a player, the object is read by one thread.
class CParallelRender {
public:
    // threads: how many threads share the work; 1 renders on the calling
    // thread alone, with one player of every channel; more than there are
    // channels counts as one per channel. Connects the players to module.
    CParallelRender(IOvkModule* module, unsigned threads);
    ~CParallelRender();
    CParallelRender(const CParallelRender&) = delete;
    CParallelRender& operator=(const CParallelRender&) = delete;

    // The threads that render (the calling thread included).
    unsigned Threads() const { return static_cast<unsigned>(m_groups.size()); }
    // The song's length in bytes, as the player reports it.
    std::uint64_t GetLength();
    // The next count bytes of the song (an odd last byte is not delivered);
    // fewer when the song ends. Exceptions of a player reach the caller.
    std::uint64_t Read(void* buffer, std::uint64_t count);

    // The threads a render uses by default: one per core, at most one per channel.
    static unsigned DefaultThreads();

private:
    struct TGroup {
        morvane::CRef<COvkModulePlayer> player;
        std::vector<std::uint32_t> mix;
        std::uint32_t produced = 0;
        std::exception_ptr error;
        std::thread thread;  // none for the first group, which the caller renders
    };

    // The samples that one round renders at most (the size of each mix).
    static constexpr std::uint32_t kRoundSamples = 262144;

    void Work(std::size_t index, std::uint32_t noiseState);
    void StopHelpers();
    std::uint32_t RenderRound(std::uint8_t* out, std::uint32_t samples);
    // Counts the calling thread's group as rendered and waits until every
    // group is (m_mutex held through lock).
    void AwaitAllRendered(std::unique_lock<std::mutex>& lock);
    // Group index's share of the round: the groups' mixes added up, under
    // the master volume and clipped, into out as 16-bit little-endian samples.
    void MixShare(std::size_t index, std::uint8_t* out);
    static void RenderGroup(TGroup& group, std::uint32_t samples, COvkModuleData* song);

    morvane::CRef<IOvkModule> m_module;
    std::vector<std::unique_ptr<TGroup>> m_groups;

    // The round the helper threads are asked to render.
    std::mutex m_mutex;
    std::condition_variable m_start;
    std::condition_variable m_finished;
    std::condition_variable m_rendered;
    std::uint64_t m_round = 0;
    std::uint32_t m_samples = 0;
    COvkModuleData* m_song = nullptr;
    std::uint8_t* m_out = nullptr;
    std::size_t m_groupsRendered = 0;  // this round, the caller's included
    unsigned m_busy = 0;               // helpers that have not finished the round
    bool m_stop = false;
};

} // namespace ovk
