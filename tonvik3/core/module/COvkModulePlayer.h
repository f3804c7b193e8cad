#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>
#include "core/module/IOvkModule.h"
#include "core/module/IOvkModulePlayer.h"
#include "core/song/TOvkEnvelope.h"
#include "core/synth/CNoiseGenerator.h"
#include "core/synth/COvkChannelVoice.h"
#include "core/synth/SynthMath.h"
#include "morvane/api/CObjectImpl.h"
#include "morvane/api/CRef.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/system/CBinaryLock.h"

namespace ovk {

class COvkModuleData;

namespace clsid {
constexpr morvane::CId COvkModulePlayer{0x6C236FCE, 0x76E049F1, 0x83FBBEC5, 0x887E4556};
} // namespace clsid

// Renders a song module as a PCM input stream: sequences rows and order
// positions, starts notes, steps the envelopes, mixes the eight channels
// under the master volume and clips. It keeps in step with edits: every call
// that needs the song first re-reads it if the module's change counter moved.
class COvkModulePlayer : public morvane::CObjectImpl<IOvkModulePlayer> {
public:
    static constexpr std::uint32_t kHistoryLength = 65536;
    // Samples between envelope ticks.
    static constexpr std::uint32_t kTickSamples = kEnvelopeTickSamples;

    // Whether the player records the past samples of the mix and of each
    // channel for GetHistory (the scopes); a player that only renders needs not.
    enum class THistories { Kept, None };

    explicit COvkModulePlayer(THistories histories = THistories::Kept);

    // IStream
    void Close() override;
    unsigned int GetCaps() override;
    std::uint64_t GetLength() override;
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    // IInputStream
    bool Eof() override;
    const morvane::TDataFormat* GetFormat() override;
    void Read(morvane::IMediaSample* sample) override;
    std::uint64_t Read(void* buffer, std::uint64_t count) override;
    bool HasProperty(const void* property) override;
    void Skip(std::uint64_t count) override;
    // IOvkModulePlayer
    void SetChannelEnabled(unsigned int channel, bool enabled) override;
    std::int64_t TimeToRow(float seconds) override;
    float RowToTime(unsigned int row) override;
    void SeekRow(unsigned int row) override;
    void Connect(IOvkModule* module) override;
    unsigned int GetRow() override;
    void GetHistory(int channel, unsigned int bytePosition, std::int32_t* destination, unsigned int count) override;
    bool SetPatternLoop(bool loop) override;

    // Renders sample by sample, exactly as the sound is defined, instead of in
    // runs between envelope ticks. Both give the same bytes; tests compare them.
    void SetReferenceRendering(bool reference);

    // For rendering one song on several threads (CParallelRender), each
    // player a group of channels. The player sounds only the channels whose
    // bit is set in channels (bit c for channel c; all by default); the
    // others are followed, their notes started and the random numbers their
    // noise oscillators draw passed over, but neither rendered nor mixed.
    // Set it before Connect; a player with a group is read with ReadMix.
    void SetChannelGroup(std::uint32_t channels);
    // Renders up to count samples on the block path and stores each
    // sample's sum of the group's channel samples in mix[0 ... count-1]: the
    // mix before the master volume (MixToSample). mix has room for whole
    // groups of eight past count (what lies there may be overwritten). The
    // song's read lock is held for the player by the calling thread, or by
    // another thread that waits for this call (song: the data it locked).
    // Neither the player's history nor its channels' are kept from then on.
    // Returns the samples produced; fewer when the song ends.
    std::uint32_t ReadMix(std::uint32_t* mix, std::uint32_t count, COvkModuleData* song);
    // The master volume as of the last synchronisation.
    std::int32_t MasterVolume() const { return m_masterVolume; }
    // mix[j] = the wrapping sum of channels[0 ... n-1][j], for j up to count
    // rounded up to whole vectors of eight (0 where n is 0): the mix of
    // channels, or of groups of channels.
    static void MixChannels(const std::int32_t* const* channels, std::size_t n, std::uint32_t count,
                            std::uint32_t* mix);
    // A sample of the output: the mix of all channels under the master
    // volume, clipped to 16 bits.
    static std::int16_t MixToSample(std::int32_t masterVolume, std::uint32_t mix)
    {
        const std::int32_t out = WrapMul(masterVolume, static_cast<std::int32_t>(mix)) >> 8;
        return static_cast<std::int16_t>(out < -32768 ? -32768 : out > 32767 ? 32767 : out);
    }
    // MixToSample of mix[0 ... count-1] into out, eight lanes at a time: both
    // arrays have room for whole groups of eight past count.
    static void MixToSamples(std::int32_t masterVolume, const std::uint32_t* mix, std::int16_t* out,
                             std::uint32_t count)
    {
        using TLanes = std::int32_t __attribute__((vector_size(32)));
        using TBits = std::uint32_t __attribute__((vector_size(32)));
        using TSamples = std::int16_t __attribute__((vector_size(16)));
        const TLanes lowest = TLanes{} - 32768, highest = TLanes{} + 32767;
        for (std::uint32_t j = 0; j < count; j += 8) {
            TBits m;
            __builtin_memcpy(&m, mix + j, sizeof(m));
            TLanes v = TLanes(m * static_cast<std::uint32_t>(masterVolume)) >> 8;
            const TLanes below = v < lowest, above = v > highest;  // all ones where true
            v = (v & ~(below | above)) | (lowest & below) | (highest & above);
            const TSamples samples = __builtin_convertvector(v, TSamples);
            __builtin_memcpy(out + j, &samples, sizeof(samples));
        }
    }

protected:
    ~COvkModulePlayer() override = default;
    morvane::IObject* FindInterface(const morvane::CId& interfaceId) override;

private:
    // A word that other threads read without the player's lock (Tell, Eof,
    // GetRow ...); only the thread holding the lock writes it.
    template <class T>
    class TShared {
    public:
        explicit TShared(T v) : m_value(v) {}
        operator T() const { return m_value.load(std::memory_order_relaxed); }
        TShared& operator=(T v)
        {
            m_value.store(v, std::memory_order_relaxed);
            return *this;
        }

    private:
        std::atomic<T> m_value;
    };

    // Holds the module's read lock while it lives (nested holds lock once).
    class CModuleHold {
    public:
        explicit CModuleHold(COvkModulePlayer& player);
        ~CModuleHold();
        CModuleHold(const CModuleHold&) = delete;
        CModuleHold& operator=(const CModuleHold&) = delete;

    private:
        COvkModulePlayer& m_player;
    };

    void Synchronise();
    void ClearHistories();
    void PlaceEnvelopes();
    void StartRow();
    std::int16_t ProduceSample();
    void Emit(std::uint8_t* out, std::uint32_t k, std::int16_t sample);
    void EmitBlock(std::uint8_t* out, std::uint32_t k, const std::uint32_t* mix, std::uint32_t count);
    void AdvancePlayer();
    void EndRow();
    std::uint32_t RenderReference(std::uint8_t* out, std::uint32_t count);
    // The block path into bytes (out), or into a mix (mix, when out is null).
    std::uint32_t RenderFast(std::uint8_t* out, std::uint32_t* mix, std::uint32_t count);
    // One block into mix (the mix of all heard channels; whole vectors of
    // eight are written past count).
    void RenderBlock(std::uint32_t count, std::uint32_t* mix);
    // After a block of count samples (and its output): the envelope tick,
    // row end and advance that follow its last sample.
    void MoveOn(std::uint32_t count);
    // Works out m_effectSteps from the voices' effects (they change only
    // when the song is read again).
    void PlanEffects();
    bool Sounding(std::size_t channel) const { return (m_channelGroup >> channel) & 1u; }
    void DrawNoise(std::uint32_t count, std::uint32_t carrierDraws, std::uint32_t modulatorDraws);

    morvane::CRef<IOvkModule> m_module;
    TShared<bool> m_connected{false};
    COvkModuleData* m_data = nullptr;
    int m_lockDepth = 0;
    morvane::CBinaryLock m_lock;
    morvane::TDataFormat_AudioPcm m_format;

    static constexpr std::size_t kVoiceCount = 8;  // one per song channel
    std::array<COvkChannelVoice, kVoiceCount> m_voices;
    std::vector<std::int32_t> m_history;  // empty when the player keeps no histories
    std::uint32_t m_historyPosition = 0;
    bool m_historyWritten = false;  // since it was last cleared
    bool m_keepHistories = true;    // false once read with ReadMix, or made without
    std::int32_t m_masterVolume = 0;
    std::uint32_t m_lastChangeCount = 0xFFFFFFFFu;

    TShared<std::uint32_t> m_samplePosition{0};
    std::uint32_t m_sampleInRow = 0;
    TShared<std::uint32_t> m_row{0};
    std::uint32_t m_orderPosition = 0;
    std::uint32_t m_tick = 0;
    bool m_newRow = false;
    TShared<bool> m_ended{false};
    std::uint32_t m_rowLength = 0;
    float m_rowSeconds = 0.0f;
    std::uint32_t m_songLength = 0;
    TShared<bool> m_patternLoop{false};

    bool m_reference = false;
    static constexpr std::uint32_t kAllChannels = 0xFF;  // one bit per channel
    std::uint32_t m_channelGroup = kAllChannels;
    // Random numbers drawn ahead for one block of the fast path, kMaxBlock per
    // oscillator, and which of the oscillators' rows the channel group needs.
    std::vector<std::uint32_t> m_noise;
    std::vector<std::uint8_t> m_noiseWanted;
    // The draws of each channel that m_noiseWanted was worked out for.
    struct TVoiceDraws {
        std::uint32_t carriers = ~0u, modulators = ~0u;
        bool operator==(const TVoiceDraws&) const = default;
    };
    std::array<TVoiceDraws, kVoiceCount> m_wantedFor{};
    CNoiseGenerator::TSlotJump m_noiseJump;
    // How the block path runs the sounding channels' effect chains: all first
    // effects, all second effects ..., one slot a step, or two filter slots
    // in one pass (COvkEffectState::ProcessPair).
    struct TEffectStep {
        std::size_t count = 0;  // channels that have the slot
        std::array<std::uint8_t, kVoiceCount> channel{};
        std::array<COvkEffectState*, kVoiceCount> first{};
        std::array<COvkEffectState*, kVoiceCount> second{};  // of a pair
        bool pair = false;
        bool filters = false;  // first holds filters, which run side by side
    };
    std::vector<TEffectStep> m_effectSteps;
};

} // namespace ovk
