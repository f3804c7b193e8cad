#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>
#include "core/song/COvkModuleChannel.h"
#include "core/synth/COvkEffectState.h"
#include "core/synth/TOvkEnvelopeState.h"
#include "core/synth/TOvkOscillatorState.h"

namespace ovk {

// The run-time state of one song channel inside a player: its oscillators,
// envelopes, effects and output history. The player refreshes it from the
// song when the song changes and drives it sample by sample.
class COvkChannelVoice {
public:
    static constexpr std::uint32_t kHistoryLength = 65536;
    // At most this many envelopes of a channel are ticked and reset.
    static constexpr std::size_t kMaxEnvelopes = 256;
    // The longest run that the block path takes at once: from one envelope
    // tick to the next, or longer while no envelope moves.
    static constexpr std::uint32_t kMaxBlock = 256;
    // A block's sample buffers hold whole vectors of eight: the vector loops
    // may fill the room past the block's end.
    static constexpr std::uint32_t kBlockRoom = 256;

    COvkChannelVoice();
    COvkChannelVoice(const COvkChannelVoice&) = delete;
    COvkChannelVoice& operator=(const COvkChannelVoice&) = delete;

    // Back to a new voice: silent, no oscillators or effects, history zeroed, enabled.
    void Reinit();

    // Takes the channel's stored fields. The running state (phases, envelope
    // progress, note on) survives unless the number of pairs or effects changed.
    // The effects' delay lines are taken from budget, in chain order. A voice
    // that is only followed, never heard (sounding false), keeps no effects;
    // their lines still count against the budget.
    void Refresh(const COvkModuleChannel& channel, std::uint32_t rowLength, CEffectLineBudget& budget,
                 bool sounding = true);
    // The same for a voice with a budget of its own.
    void Refresh(const COvkModuleChannel& channel, std::uint32_t rowLength)
    {
        CEffectLineBudget budget;
        Refresh(channel, rowLength, budget);
    }

    // A row's note n (not 0): a note, the stop note 255, or a value above it.
    void StartNote(std::uint32_t note);

    // The channel sample (after any note start of this sample): recorded in
    // the history, 0 in the mix when the channel is disabled.
    std::int32_t Sample();
    // Moves every pair on by one sample (after the sample was produced), and
    // the history's write position.
    void Advance();
    // The pairs alone.
    void AdvanceOscillators();

    // The block path: count samples (1 ... kMaxBlock) whose envelopes stand
    // still (at most to the next tick, unless no envelope moves at all, or
    // only the channel envelope: see below), each a Sample followed by an
    // Advance, but for the last Advance, which the player makes after the
    // envelopes of the block's end have ticked or been reset
    // (AdvanceOscillators; the history position then moves on by one). In
    // three stages, so that the player can run the effects of all channels
    // side by side:
    // 1. the channel samples before the effects, and the pairs moved on.
    //    The random numbers the block needs are drawn beforehand
    //    (CNoiseGenerator::DrawBySlot), a row of places per oscillator that
    //    draws: this voice's sounding noise
    //    carriers take the places from carrierSlot on, its noise modulators
    //    from modulatorSlot on; the number of sample j is at place j.
    //    The block's first envelope tick comes after sample firstTick - 1; a
    //    block that runs over ticks (only the channel envelope moves:
    //    OnlyGainMoves) ticks the envelopes at the ticks inside it and
    //    takes each sample's channel gain; a tick after its last sample is
    //    left to the caller.
    void RenderOscillators(std::uint32_t count, const std::uint32_t* noise, std::uint32_t carrierSlot,
                           std::uint32_t modulatorSlot, std::int32_t* samples, std::uint32_t firstTick);
    //    samples has kBlockRoom places.
    // 2. the effects (COvkEffectState::ProcessBlocks), and
    // 3. the history (unless keepHistory is false or the voice keeps none);
    //    the player adds the audible samples (enabled) to its mix.
    void FinishBlock(const std::int32_t* samples, std::uint32_t count, bool keepHistory = true);
    // Random numbers that one sample's carriers, and one sample's modulators, draw.
    std::uint32_t CarrierDraws() const { return noteOn ? m_noiseCarriers : 0; }
    std::uint32_t ModulatorDraws() const { return m_noiseModulators; }

    // The envelopes that are ticked and reset, in their fixed order.
    const std::vector<TOvkEnvelopeState*>& Envelopes() const { return m_envelopes; }
    // Ticks every envelope of the list (those that a tick would leave as they
    // are are skipped, and so is each from the tick on that first left it as it was).
    void TickEnvelopes();
    // To be called after envelopes of the list were reset, placed or changed
    // from outside the voice, so that TickEnvelopes sees them move again.
    void EnvelopesChanged();
    // True when no envelope but the channel envelope moves at a tick: a tick
    // then changes nothing but the channel gain, and a block may run over
    // ticks with a gain per sample.
    bool OnlyGainMoves() const { return m_moving.empty() || (m_moving.size() == 1 && m_moving[0] == &envelope); }

    // Zeroes the history (nothing to do when nothing was written since the
    // last time) and its write position.
    void ClearHistory();
    void PrepareEffects();
    // Makes the history ring (zeroed); a voice without one records no past,
    // which saves a renderer that nobody asks for it the memory and its writes.
    void KeepHistory();

    // History ring of the channel samples before muting (kHistoryLength
    // entries once KeepHistory was called, empty before).
    std::vector<std::int32_t> history;
    std::uint32_t historyPosition = 0;

    std::int32_t volume = 0;
    std::vector<TOvkOscillatorState> carriers;
    std::vector<TOvkOscillatorState> modulators;
    TOvkEnvelopeState envelope;
    bool noteOn = false;
    std::vector<COvkEffectState> effects;
    // The mixer's mute switch; set from other threads while the voice plays.
    std::atomic<bool> enabled{true};

private:
    // RenderOscillators' pairs: their sum, each sample j scaled by the
    // channel gain gains[j] (kBlockRoom of them).
    void RenderPairs(std::uint32_t count, const std::uint32_t* noise, std::uint32_t carrierSlot,
                     std::uint32_t modulatorSlot, std::int32_t* samples, const std::uint32_t* gains);
    void RebuildEnvelopeList();
    void CountNoise();

    std::vector<TOvkEnvelopeState*> m_envelopes;
    // The envelopes of the list that a tick may still change, and what a
    // tick of each reads and writes, one array per field, so that the ticks
    // run side by side in vector lanes (copies, written back to the envelope
    // after each tick). The arrays have room for a whole vector past the last.
    std::vector<TOvkEnvelopeState*> m_moving;
    struct TTickLanes {
        static constexpr std::size_t kRoom = kMaxEnvelopes + 8;
        using TField = std::array<std::int32_t, kRoom>;
        alignas(32) TField counter{};
        alignas(32) TField speed{};
        alignas(32) TField limit{};
        alignas(32) TField phase{};
        alignas(32) TField min{};
        alignas(32) TField span{};
        alignas(32) TField value{};
        alignas(32) TField moved{};  // of the last tick: all ones where the counter changed
        void Set(std::size_t i, const TOvkEnvelopeState& e);
        void Move(std::size_t to, std::size_t from);
    };
    TTickLanes m_tick;
    bool m_historyWritten = false;
    std::uint32_t m_noiseCarriers = 0;
    std::uint32_t m_noiseModulators = 0;
};

} // namespace ovk
