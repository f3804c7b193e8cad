#include "core/module/COvkModulePlayer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <cmath>

#include "core/song/COvkModuleData.h"
#include "core/synth/CNoiseGenerator.h"
#include "core/synth/SynthMath.h"
#include "core/synth/VectorPath.h"
#include "morvane/api/CException.h"

namespace ovk {

using morvane::CAutoLock;
using morvane::CBinaryLock;

namespace {

constexpr std::uint32_t kMaxBlock = COvkChannelVoice::kMaxBlock;
static_assert(kMaxBlock <= CNoiseGenerator::kMaxCount);

} // namespace

COvkModulePlayer::CModuleHold::CModuleHold(COvkModulePlayer& player) : m_player(player)
{
    if (m_player.m_lockDepth == 0)
        m_player.m_data = m_player.m_module->Lock(morvane::LOCK_MODE_READ);
    ++m_player.m_lockDepth;
}

COvkModulePlayer::CModuleHold::~CModuleHold()
{
    if (--m_player.m_lockDepth == 0) {
        m_player.m_data = nullptr;
        m_player.m_module->Unlock();
    }
}

COvkModulePlayer::COvkModulePlayer(THistories histories)
    : CObjectImpl(clsid::COvkModulePlayer), m_format(morvane::FORMAT_44100HZ_16BIT_MONO)
{
    m_keepHistories = histories == THistories::Kept;
    if (m_keepHistories) {
        m_history.assign(kHistoryLength, 0);
        for (COvkChannelVoice& voice : m_voices)
            voice.KeepHistory();
    }
}

morvane::IObject* COvkModulePlayer::FindInterface(const morvane::CId& interfaceId)
{
    return AnswerFor<IOvkModulePlayer, morvane::IInputStream, morvane::IStream>(this, interfaceId);
}

void COvkModulePlayer::SetReferenceRendering(bool reference)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    m_reference = reference;
}

void COvkModulePlayer::SetChannelGroup(std::uint32_t channels)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    m_channelGroup = channels & kAllChannels;
    m_wantedFor.fill(TVoiceDraws{});
    // The next synchronisation refreshes every voice, heard or followed.
    m_lastChangeCount = m_module ? m_module->GetChangeCount() - 1 : 0xFFFFFFFFu;
}

std::uint32_t COvkModulePlayer::ReadMix(std::uint32_t* mix, std::uint32_t count, COvkModuleData* song)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    if (!m_module)
        MRV_THROW(morvane::CIOException, L"ovk::COvkModulePlayer::ReadMix", L"Not connected to module");
    // Nobody asks a player read this way for its past.
    m_keepHistories = false;
    // The song is held for us: every hold inside nests in it without locking.
    m_data = song;
    ++m_lockDepth;
    struct CRelease {
        COvkModulePlayer& player;
        ~CRelease()
        {
            --player.m_lockDepth;
            player.m_data = nullptr;
        }
    } release{*this};
    Synchronise();
    return RenderFast(nullptr, mix, count);
}

// --- Stream -----------------------------------------------------------------

void COvkModulePlayer::Close()
{
    CAutoLock<CBinaryLock> guard(m_lock);
    m_connected = false;
    m_module.Reset();
}

unsigned int COvkModulePlayer::GetCaps()
{
    return m_connected ? morvane::STREAM_CAN_SEEK | morvane::STREAM_CAN_TELL | morvane::STREAM_CAN_GET_LENGTH : 0;
}

std::uint64_t COvkModulePlayer::GetLength()
{
    CAutoLock<CBinaryLock> guard(m_lock);
    if (!m_module)
        MRV_THROW(morvane::COperationNotSupportedException, L"ovk::COvkModulePlayer::GetLength", L"Not connected");
    Synchronise();
    return static_cast<std::uint64_t>(m_songLength) * 16u * m_rowLength * 2u;
}

void COvkModulePlayer::Flush()
{
    MRV_THROW(morvane::COperationNotSupportedException, L"ovk::COvkModulePlayer::Flush", L"Flush not supported");
}

void COvkModulePlayer::Seek(std::uint64_t position)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    if (!m_module)
        MRV_THROW(morvane::COperationNotSupportedException, L"ovk::COvkModulePlayer::Seek", L"Not connected to mod");
    Synchronise();

    const std::uint32_t samplePosition = static_cast<std::uint32_t>(position / 2);
    const std::uint32_t rows = samplePosition / m_rowLength;
    m_samplePosition = samplePosition;
    m_sampleInRow = samplePosition % m_rowLength;
    m_row = rows % 16;
    m_orderPosition = rows / 16;
    if (m_orderPosition < m_songLength) {
        // The row at the new position starts again, even inside the row.
        m_ended = false;
        m_newRow = true;
    } else {
        m_orderPosition = m_songLength;
        m_samplePosition = m_songLength * 16u * m_rowLength;
        m_sampleInRow = 0;
        m_ended = true;
        m_newRow = false;
    }
    ClearHistories();
    PlaceEnvelopes();
    for (COvkChannelVoice& voice : m_voices)
        voice.PrepareEffects();
    // Phases, increments and note-on flags stay: what sounded sounds on.
}

std::uint64_t COvkModulePlayer::Tell() { return m_connected ? static_cast<std::uint64_t>(m_samplePosition) * 2u : 0; }

bool COvkModulePlayer::Eof() { return m_connected ? static_cast<bool>(m_ended) : true; }

const morvane::TDataFormat* COvkModulePlayer::GetFormat() { return &m_format; }

void COvkModulePlayer::Read(morvane::IMediaSample* sample)
{
    if (!sample)
        MRV_THROW(morvane::CNullPtrException, L"ovk::COvkModulePlayer::Read", L"sample is NULL");
    MRV_THROW(morvane::CInvalidParameterException, L"ovk::COvkModulePlayer::Read", L"Media samples are not supported");
}

std::uint64_t COvkModulePlayer::Read(void* buffer, std::uint64_t count)
{
    if (!buffer)
        MRV_THROW(morvane::CNullPtrException, L"ovk::COvkModulePlayer::Read", L"buffer is NULL");
    CAutoLock<CBinaryLock> guard(m_lock);
    if (!m_module)
        MRV_THROW(morvane::CIOException, L"ovk::COvkModulePlayer::Read", L"Not connected to module");
    const std::uint32_t samples = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFFFFFFu)) / 2;
    // The song stays read-locked for the whole block: edits wait for it and
    // are heard from the next block on.
    CModuleHold hold(*this);
    Synchronise();
    std::uint8_t* out = static_cast<std::uint8_t*>(buffer);
    const std::uint32_t produced = m_reference ? RenderReference(out, samples) : RenderFast(out, nullptr, samples);
    return static_cast<std::uint64_t>(produced) * 2u;
}

bool COvkModulePlayer::HasProperty(const void*) { return false; }

void COvkModulePlayer::Skip(std::uint64_t count) { Seek(Tell() + count); }

// --- Player -----------------------------------------------------------------

void COvkModulePlayer::SetChannelEnabled(unsigned int channel, bool enabled)
{
    if (m_connected && channel < m_voices.size())
        m_voices[channel].enabled.store(enabled, std::memory_order_relaxed);
}

std::int64_t COvkModulePlayer::TimeToRow(float seconds)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    Synchronise();
    const float rows = seconds / m_rowSeconds;
    // An unconnected player has no row length: no row to speak of.
    if (!(rows > -9.2e18f && rows < 9.2e18f))
        return 0;
    return static_cast<std::int64_t>(std::trunc(rows));
}

float COvkModulePlayer::RowToTime(unsigned int row)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    Synchronise();
    return static_cast<float>(static_cast<double>(m_rowSeconds * static_cast<float>(row)) + 0.0001);
}

void COvkModulePlayer::SeekRow(unsigned int row)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    if (!m_module)
        return;
    Synchronise();
    Seek(static_cast<std::uint64_t>(m_rowLength) * row * 2u);
}

void COvkModulePlayer::Connect(IOvkModule* module)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    // The new reference is taken before the old one goes, so connecting the
    // module that is already connected cannot destroy it.
    m_module = morvane::CRef<IOvkModule>(module);
    m_connected = module != nullptr;
    for (COvkChannelVoice& voice : m_voices)
        voice.Reinit();
    m_effectSteps.clear();
    ClearHistories();
    m_rowLength = 0;
    m_lastChangeCount = 0;
    if (!module)
        return;
    Synchronise();
    Seek(0);
    m_patternLoop = false;
}

unsigned int COvkModulePlayer::GetRow() { return m_row; }

void COvkModulePlayer::GetHistory(int channel, unsigned int bytePosition, std::int32_t* destination,
                                  unsigned int count)
{
    CAutoLock<CBinaryLock> guard(m_lock);
    if (!m_module || !destination || channel >= static_cast<int>(m_voices.size()))
        return;
    const std::uint32_t tell = static_cast<std::uint32_t>(Tell());
    const std::int32_t back = static_cast<std::int32_t>(bytePosition - tell) / 2;
    const bool mix = channel < 0;
    const std::vector<std::int32_t>& ring = mix ? m_history : m_voices[static_cast<std::size_t>(channel)].history;
    const std::uint32_t position = mix ? m_historyPosition : m_voices[static_cast<std::size_t>(channel)].historyPosition;
    const std::uint32_t start = position + static_cast<std::uint32_t>(back);
    for (unsigned int i = 0; i < count; ++i)
        destination[i] = ring.empty() ? 0 : ring[(start + i) & 0xFFFF];
}

bool COvkModulePlayer::SetPatternLoop(bool loop)
{
    m_patternLoop = loop;
    return loop;
}

// --- Synchronisation and positioning -----------------------------------------

void COvkModulePlayer::Synchronise()
{
    if (!m_module)
        return;
    if (m_rowLength != 0 && m_module->GetChangeCount() == m_lastChangeCount)
        return;
    CModuleHold hold(*this);
    const std::uint32_t rowLength = COvkModuleData::RowLengthOf(m_data->tempo);
    if (rowLength != m_rowLength) {
        // A new tempo moves the position to the start of the current row.
        m_rowLength = rowLength;
        m_rowSeconds = static_cast<float>(static_cast<double>(rowLength) / 44100.0);
        m_samplePosition = (m_orderPosition * 16u + m_row) * m_rowLength;
        Seek(static_cast<std::uint64_t>(m_samplePosition) * 2u);
    }
    m_songLength = static_cast<std::uint32_t>(m_data->SongLength());
    m_masterVolume = m_data->masterVolume;
    std::size_t noiseOscillators = 0;
    // The song's delay lines share one budget, handed out channel by channel.
    CEffectLineBudget budget;
    for (std::size_t c = 0; c < m_voices.size(); ++c) {
        COvkChannelVoice& voice = m_voices[c];
        voice.Refresh(m_data->channels[c], m_rowLength, budget, Sounding(c));
        for (std::size_t i = 0; i < voice.carriers.size(); ++i)
            noiseOscillators += (voice.carriers[i].type == OSC_NOISE) + (voice.modulators[i].type == OSC_NOISE);
    }
    if (m_noise.size() < noiseOscillators * CNoiseGenerator::kSlotPitch) {
        m_noise.resize(noiseOscillators * CNoiseGenerator::kSlotPitch);
        m_noiseWanted.resize(noiseOscillators);
        m_wantedFor.fill(TVoiceDraws{});
    }
    PlanEffects();
    // Read while the song is still locked: an edit that slips in after the
    // release moves the counter again and is picked up next time.
    m_lastChangeCount = m_module->GetChangeCount();
}

void COvkModulePlayer::PlanEffects()
{
    m_effectSteps.clear();
    std::size_t chainLength = 0;
    for (std::size_t c = 0; c < m_voices.size(); ++c)
        if (Sounding(c))
            chainLength = std::max(chainLength, m_voices[c].effects.size());
    for (std::size_t slot = 0; slot < chainLength;) {
        // This slot's effects and the next one's, of the channels that have them.
        TEffectStep step;
        std::size_t nextCount = 0;
        for (std::size_t c = 0; c < m_voices.size(); ++c) {
            std::vector<COvkEffectState>& chain = m_voices[c].effects;
            if (!Sounding(c) || slot >= chain.size())
                continue;
            const std::int32_t type = chain[slot].Record().type;
            step.filters |= type == EFFECT_LOWPASS || type == EFFECT_HIGHPASS || type == EFFECT_RESONANCE;
            step.channel[step.count] = static_cast<std::uint8_t>(c);
            step.first[step.count++] = &chain[slot];
            if (slot + 1 < chain.size())
                step.second[nextCount++] = &chain[slot + 1];
        }
        // Two filter slots of the same channels run in one pass.
        step.pair = nextCount == step.count && COvkEffectState::FiltersOfOneKind(step.first.data(), step.count) &&
                    COvkEffectState::FiltersOfOneKind(step.second.data(), step.count);
        slot += step.pair ? 2 : 1;
        m_effectSteps.push_back(step);
    }
}

void COvkModulePlayer::ClearHistories()
{
    if (m_historyWritten)
        std::fill(m_history.begin(), m_history.end(), 0);
    m_historyWritten = false;
    m_historyPosition = 0;
    for (COvkChannelVoice& voice : m_voices)
        voice.ClearHistory();
}

void COvkModulePlayer::PlaceEnvelopes()
{
    // Each envelope goes where playback from its last reset point would have it.
    const std::uint32_t position = m_samplePosition;
    const std::uint32_t patternSamples = 16u * m_rowLength;
    const std::uint32_t start = position - m_row * m_rowLength - m_sampleInRow;
    for (COvkChannelVoice& voice : m_voices) {
        for (TOvkEnvelopeState* e : voice.Envelopes()) {
            std::uint32_t elapsed;
            switch (e->stored.resetMode) {
            case RESET_NOTE:
                e->Place(0);
                continue;
            case RESET_PATTERN:
                elapsed = position - start;
                break;
            case RESET_SECOND_PATTERN:
                elapsed = m_orderPosition % 2 == 0 ? position - start : position - (start - patternSamples);
                break;
            case RESET_FOURTH_PATTERN:
                elapsed = position - (start - (m_orderPosition % 4) * patternSamples);
                break;
            default:
                // Song mode, and unknown modes, which never reset while playing.
                elapsed = position;
                break;
            }
            e->Place(static_cast<std::int32_t>((elapsed / kTickSamples) * static_cast<std::uint32_t>(e->stored.speed)));
        }
        voice.EnvelopesChanged();
    }
}

// --- Rendering ----------------------------------------------------------------

void COvkModulePlayer::StartRow()
{
    CModuleHold hold(*this);
    const std::uint32_t row = m_row;
    for (std::size_t c = 0; c < m_voices.size(); ++c) {
        const std::uint32_t pattern = m_orderPosition < kOrderPositions ? m_data->orderTable[c][m_orderPosition] : 0;
        if (static_cast<std::int32_t>(pattern) < 0 || pattern >= kPatterns || row >= kRows)
            continue;
        const std::uint32_t note = m_data->patterns[c][pattern][row];
        if (note != 0)
            m_voices[c].StartNote(note);
    }
}

std::int16_t COvkModulePlayer::ProduceSample()
{
    if (m_newRow)
        StartRow();
    std::uint32_t sum = 0;
    for (COvkChannelVoice& voice : m_voices)
        sum += static_cast<std::uint32_t>(voice.Sample());
    return MixToSample(m_masterVolume, sum);
}

void COvkModulePlayer::Emit(std::uint8_t* out, std::uint32_t k, std::int16_t sample)
{
    if (!m_history.empty()) {
        m_history[m_historyPosition] = sample;
        m_historyWritten = true;
    }
    m_historyPosition = (m_historyPosition + 1) & 0xFFFF;
    const std::uint16_t bits = static_cast<std::uint16_t>(sample);
    out[2 * k] = static_cast<std::uint8_t>(bits & 0xFF);
    out[2 * k + 1] = static_cast<std::uint8_t>(bits >> 8);
}

void COvkModulePlayer::EmitBlock(std::uint8_t* out, std::uint32_t k, const std::uint32_t* mix, std::uint32_t count)
{
    OnVectorPath([=, this] {
        // As Emit for each of the block's samples, in whole vectors.
        alignas(32) std::int16_t samples[COvkChannelVoice::kBlockRoom];
        MixToSamples(m_masterVolume, mix, samples, count);
        if (!m_history.empty()) {
            const std::uint32_t first = std::min(count, kHistoryLength - m_historyPosition);
            std::copy(samples, samples + first, m_history.begin() + m_historyPosition);
            std::copy(samples + first, samples + count, m_history.begin());
            m_historyWritten = true;
        }
        m_historyPosition = (m_historyPosition + count) & 0xFFFF;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out + 2 * k, samples, 2 * std::size_t(count));
        } else {
            for (std::uint32_t j = 0; j < count; ++j) {
                const std::uint16_t bits = static_cast<std::uint16_t>(samples[j]);
                out[2 * (k + j)] = static_cast<std::uint8_t>(bits & 0xFF);
                out[2 * (k + j) + 1] = static_cast<std::uint8_t>(bits >> 8);
            }
        }
    });
}

void COvkModulePlayer::AdvancePlayer()
{
    ++m_tick;
    m_samplePosition = m_samplePosition + 1;
    ++m_sampleInRow;
    m_newRow = false;
    if (m_tick >= kTickSamples) {
        m_tick = 0;
        for (COvkChannelVoice& voice : m_voices)
            voice.TickEnvelopes();
    }
    if (m_sampleInRow >= m_rowLength)
        EndRow();
    if (!m_ended) {
        for (COvkChannelVoice& voice : m_voices)
            voice.Advance();
    }
}

void COvkModulePlayer::EndRow()
{
    m_row = m_row + 1;
    m_newRow = true;
    m_sampleInRow = 0;
    if (m_row < 16)
        return;
    m_row = 0;
    if (m_patternLoop) {
        // The stream position jumps back to the start of this order position.
        m_samplePosition = m_orderPosition * 16u * m_rowLength;
        ClearHistories();
    } else {
        ++m_orderPosition;
        if (m_orderPosition >= m_songLength) {
            m_newRow = false;
            m_ended = true;
        }
    }
    const std::uint32_t position = m_orderPosition;
    for (COvkChannelVoice& voice : m_voices) {
        for (TOvkEnvelopeState* e : voice.Envelopes()) {
            const std::int32_t mode = e->stored.resetMode;
            if (mode == RESET_PATTERN || (mode == RESET_SECOND_PATTERN && position % 2 == 0) ||
                (mode == RESET_FOURTH_PATTERN && position % 4 == 0))
                e->Reset();
        }
        voice.EnvelopesChanged();
    }
}

std::uint32_t COvkModulePlayer::RenderReference(std::uint8_t* out, std::uint32_t count)
{
    std::uint32_t k = 0;
    for (; k < count && !m_ended; ++k) {
        Emit(out, k, ProduceSample());
        AdvancePlayer();
    }
    return k;
}

std::uint32_t COvkModulePlayer::RenderFast(std::uint8_t* out, std::uint32_t* mixOut, std::uint32_t count)
{
    // Envelope values change only at ticks and at row starts and ends: the
    // samples from one such point to the next run as one block.
    std::uint32_t k = 0;
    while (k < count && !m_ended) {
        if (m_newRow) {
            StartRow();
            m_newRow = false;
        }
        // Up to and with the sample after which the envelopes tick or the
        // row ends; ticks that move no envelope, or only channel gains
        // (RenderBlock takes those sample by sample), need no stop.
        bool gainsOnly = true;
        for (std::size_t c = 0; c < m_voices.size(); ++c)
            gainsOnly = gainsOnly && (!Sounding(c) || m_voices[c].OnlyGainMoves());
        const std::uint32_t toTick = gainsOnly ? kMaxBlock : kTickSamples - std::min(m_tick, kTickSamples - 1);
        const std::uint32_t toRowEnd = m_rowLength - std::min(m_sampleInRow, m_rowLength - 1);
        const std::uint32_t block = std::min({toTick, toRowEnd, count - k, kMaxBlock});
        // A mix asked for is written in place (it has room past count).
        alignas(32) std::uint32_t blockMix[COvkChannelVoice::kBlockRoom];
        std::uint32_t* const mix = out ? blockMix : mixOut + k;
        RenderBlock(block, mix);
        // The block's samples reach the output's history before the row's
        // end may clear it (a pattern loop jumping back), as sample by sample.
        if (out)
            EmitBlock(out, k, mix, block);
        MoveOn(block);
        k += block;
    }
    return k;
}

void COvkModulePlayer::DrawNoise(std::uint32_t count, std::uint32_t carrierDraws, std::uint32_t modulatorDraws)
{
    OnVectorPath([=, this] {
        // In the order the samples draw them: per sample, every channel's
        // carriers, then every channel's modulators; the block's last sample
        // draws its modulators' numbers in its own advance, after the block.
        const std::uint32_t slots = carrierDraws + modulatorDraws;
        if (m_noiseJump.slots != slots)
            m_noiseJump = CNoiseGenerator::TSlotJump::For(slots);
        // A group needs the rows of its own channels' oscillators only; which
        // rows those are changes only when a channel's draws do.
        const std::uint8_t* wanted = nullptr;
        if (m_channelGroup != kAllChannels) {
            bool changed = false;
            for (std::size_t c = 0; c < m_voices.size(); ++c) {
                const TVoiceDraws draws{m_voices[c].CarrierDraws(), m_voices[c].ModulatorDraws()};
                changed |= draws != m_wantedFor[c];
                m_wantedFor[c] = draws;
            }
            if (changed) {
                std::uint32_t carrierSlot = 0, modulatorSlot = carrierDraws;
                for (std::size_t c = 0; c < m_voices.size(); ++c) {
                    const std::uint8_t sounding = Sounding(c);
                    for (std::uint32_t k = m_wantedFor[c].carriers; k > 0; --k)
                        m_noiseWanted[carrierSlot++] = sounding;
                    for (std::uint32_t k = m_wantedFor[c].modulators; k > 0; --k)
                        m_noiseWanted[modulatorSlot++] = sounding;
                }
            }
            wanted = m_noiseWanted.data();
        }
        CNoiseGenerator::DrawBySlot(m_noise.data(), m_noiseJump, count, carrierDraws, wanted);
    });
}

void COvkModulePlayer::MixChannels(const std::int32_t* const* channels, std::size_t n, std::uint32_t count,
                                   std::uint32_t* mix)
{
    OnVectorPath([=] {
        // The channels' wrapping sum, eight samples at a time, in one pass.
        using TLanes = std::uint32_t __attribute__((vector_size(32)));
        for (std::uint32_t j = 0; j < count; j += 8) {
            TLanes sum = {};
            for (std::size_t c = 0; c < n; ++c) {
                TLanes add;
                __builtin_memcpy(&add, channels[c] + j, sizeof(add));
                sum += add;
            }
            __builtin_memcpy(mix + j, &sum, sizeof(sum));
        }
    });
}

void COvkModulePlayer::RenderBlock(std::uint32_t count, std::uint32_t* mix)
{
    std::uint32_t carrierDraws = 0;
    std::uint32_t modulatorDraws = 0;
    for (const COvkChannelVoice& voice : m_voices) {
        carrierDraws += voice.CarrierDraws();
        modulatorDraws += voice.ModulatorDraws();
    }
    if (carrierDraws + modulatorDraws > 0)
        DrawNoise(count, carrierDraws, modulatorDraws);

    // The channels' oscillators, then their effect chains slot by slot (all
    // first effects, all second effects ...), then history and mix.
    alignas(32) std::int32_t samples[kChannels][COvkChannelVoice::kBlockRoom];
    // A block that runs over ticks (only channel gains move: RenderFast)
    // has the voices tick the envelopes inside it.
    const std::uint32_t firstTick = kTickSamples - m_tick;
    std::uint32_t carrierSlot = 0;
    std::uint32_t modulatorSlot = carrierDraws;
    for (std::size_t c = 0; c < m_voices.size(); ++c) {
        COvkChannelVoice& voice = m_voices[c];
        const std::uint32_t voiceCarrierDraws = voice.CarrierDraws();
        const std::uint32_t voiceModulatorDraws = voice.ModulatorDraws();
        // A channel rendered elsewhere still takes its places among the numbers.
        if (Sounding(c))
            voice.RenderOscillators(count, m_noise.data(), carrierSlot, modulatorSlot, samples[c], firstTick);
        carrierSlot += voiceCarrierDraws;
        modulatorSlot += voiceModulatorDraws;
    }
    for (const TEffectStep& step : m_effectSteps) {
        std::int32_t* effectSamples[kChannels];
        for (std::size_t k = 0; k < step.count; ++k)
            effectSamples[k] = samples[step.channel[k]];
        if (step.pair) {
            COvkEffectState::ProcessPair(step.first.data(), step.second.data(), effectSamples, step.count, count);
        } else if (step.filters) {
            COvkEffectState::ProcessBlocks(step.first.data(), effectSamples, step.count, count);
        } else {
            for (std::size_t k = 0; k < step.count; ++k)
                step.first[k]->ProcessBlock(effectSamples[k], count);
        }
    }
    const std::int32_t* heard[kChannels];
    std::size_t heardCount = 0;
    for (std::size_t c = 0; c < m_voices.size(); ++c) {
        if (!Sounding(c))
            continue;
        m_voices[c].FinishBlock(samples[c], count, m_keepHistories);
        if (m_voices[c].enabled.load(std::memory_order_relaxed))
            heard[heardCount++] = samples[c];
    }
    MixChannels(heard, heardCount, count, mix);
}

void COvkModulePlayer::MoveOn(std::uint32_t count)
{
    // The player moves on as after each sample; only the last sample of the
    // block can reach the row's end, or a tick that the voices have not
    // taken inside the block.
    const std::uint32_t reached = m_tick + count;
    m_tick = reached % kTickSamples;
    m_samplePosition = m_samplePosition + count;
    m_sampleInRow += count;
    if (reached >= kTickSamples && m_tick == 0) {
        for (std::size_t c = 0; c < m_voices.size(); ++c)
            if (Sounding(c))
                m_voices[c].TickEnvelopes();
    }
    if (m_sampleInRow >= m_rowLength)
        EndRow();
    if (!m_ended) {
        for (std::size_t c = 0; c < m_voices.size(); ++c) {
            COvkChannelVoice& voice = m_voices[c];
            if (Sounding(c)) {
                voice.AdvanceOscillators();
                voice.historyPosition = (voice.historyPosition + 1) & 0xFFFF;
            } else {
                CNoiseGenerator::Skip(voice.ModulatorDraws());
            }
        }
    }
}

} // namespace ovk
