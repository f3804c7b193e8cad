#include "core/synth/COvkChannelVoice.h"

#include <algorithm>
#include <array>
#include <limits>
#include <type_traits>

#include "core/song/COvkModuleData.h"
#include "core/synth/CNoiseGenerator.h"
#include "core/synth/PairRun.h"
#include "core/synth/SynthMath.h"
#include "core/synth/VectorPath.h"

namespace ovk {

namespace {

using pair_run::kNoNoise;
using pair_run::TPairNoise;
using pair_run::TPairRun;
using pair_run::Whole;

// The tick of the envelopes in whole vectors of eight lanes, up to n
// rounded up, one array per field: counter = min(counter + speed, limit),
// value = min + (F(phase + counter) x span) / 256 (TOvkEnvelopeState::Tick).
// moved[i] is all ones where the counter changed, 0 where it stayed; true
// when it stayed for any of the first n.
bool TickLanes(std::size_t n, std::int32_t* counter, std::int32_t* value, const std::int32_t* speed,
               const std::int32_t* limit, const std::int32_t* phase, const std::int32_t* low,
               const std::int32_t* span, std::int32_t* moved)
{
    using TLanes = std::int32_t __attribute__((vector_size(32)));
    using TBits = std::uint32_t __attribute__((vector_size(32)));
    auto load = [](const std::int32_t* p) {
        TLanes v;
        __builtin_memcpy(&v, p, sizeof(v));
        return v;
    };
    auto store = [](std::int32_t* p, TLanes v) { __builtin_memcpy(p, &v, sizeof(v)); };
    const TLanes lane = {0, 1, 2, 3, 4, 5, 6, 7};
    TLanes stayed = {};
    for (std::size_t i = 0; i < n; i += 8) {
        const TLanes before = load(counter + i);
        const TLanes stepped = TLanes(TBits(before) + TBits(load(speed + i)));
        const TLanes highest = load(limit + i);
        const TLanes below = stepped < highest;  // all ones where true
        const TLanes next = (stepped & below) | (highest & ~below);
        store(counter + i, next);
        const TLanes changed = next != before;
        store(moved + i, changed);
        stayed |= ~changed & (lane + static_cast<std::int32_t>(i) < static_cast<std::int32_t>(n));
        // ShapeF(phase + next), lane by lane.
        const TLanes t = ((TLanes(TBits(load(phase + i)) + TBits(next)) >> 8) & 255) - 128;
        const TLanes sign = t >> 31;
        const TLanes magnitude = (t ^ sign) - sign;
        const TLanes shape = ((magnitude * t) >> 5) - 4 * t + 128;
        const TLanes product = TLanes(TBits(shape) * TBits(load(span + i)));
        // / 256 truncating toward zero: negative products are lifted by 255 first.
        const TLanes scaled = TLanes(TBits(product) + (TBits(product >> 31) & 255u)) >> 8;
        store(value + i, TLanes(TBits(load(low + i)) + TBits(scaled)));
    }
    std::uint64_t words[4];
    __builtin_memcpy(words, &stayed, sizeof(words));
    return (words[0] | words[1] | words[2] | words[3]) != 0;
}

bool DrawsNoise(const TOvkOscillatorState& o) { return o.type == OSC_NOISE && o.increment != 0; }

} // namespace

COvkChannelVoice::COvkChannelVoice()
{
    m_envelopes.reserve(kMaxEnvelopes);
    m_moving.reserve(kMaxEnvelopes);
    RebuildEnvelopeList();
    EnvelopesChanged();
}

void COvkChannelVoice::Reinit()
{
    ClearHistory();
    volume = 0;
    carriers.clear();
    modulators.clear();
    envelope = TOvkEnvelopeState();
    noteOn = false;
    effects.clear();
    enabled.store(true, std::memory_order_relaxed);
    RebuildEnvelopeList();
    EnvelopesChanged();
    CountNoise();
}

void COvkChannelVoice::Refresh(const COvkModuleChannel& channel, std::uint32_t rowLength, CEffectLineBudget& budget,
                               bool sounding)
{
    volume = channel.volume;
    bool rebuilt = false;
    const std::size_t pairs = channel.carriers.size();
    if (pairs != carriers.size()) {
        // A changed number of pairs starts every oscillator from scratch.
        carriers.assign(pairs, TOvkOscillatorState());
        modulators.assign(pairs, TOvkOscillatorState());
        rebuilt = true;
    }
    for (std::size_t i = 0; i < pairs; ++i) {
        carriers[i].Assign(channel.carriers[i]);
        // A damaged file may hold fewer modulators than carriers.
        modulators[i].Assign(channel.ModulatorOf(i));
    }
    envelope.stored = channel.envelope;
    const std::size_t effectCount = sounding ? channel.effects.size() : 0;
    if (effectCount != effects.size()) {
        effects.clear();
        effects.resize(effectCount);
        rebuilt = true;
    }
    for (std::size_t i = 0; i < channel.effects.size(); ++i) {
        const bool fits = budget.Take(COvkEffectState::LineBytes(channel.effects[i], rowLength));
        if (i < effects.size())
            effects[i].Refresh(channel.effects[i], rowLength, fits);
    }
    if (rebuilt)
        RebuildEnvelopeList();
    EnvelopesChanged();
    CountNoise();
}

void COvkChannelVoice::StartNote(std::uint32_t note)
{
    if (note < kStopNote)
        noteOn = true;
    else if (note == kStopNote && !envelope.stored.sustainEnabled)
        noteOn = false;
    if (note != kStopNote) {
        for (std::size_t i = 0; i < carriers.size(); ++i) {
            carriers[i].StartNote(note);
            modulators[i].StartNote(note);
        }
    }
    for (TOvkEnvelopeState* e : m_envelopes) {
        if (note == kStopNote) {
            e->released = true;
        } else if (e->stored.resetMode == RESET_NOTE) {
            e->Reset();
            e->released = false;
        }
    }
    EnvelopesChanged();
    CountNoise();
}

std::int32_t COvkChannelVoice::Sample()
{
    std::int32_t v = 0;
    if (noteOn) {
        // The channel gain is taken as unsigned: it is never negative.
        const std::uint32_t g =
            (static_cast<std::uint32_t>(envelope.value) * static_cast<std::uint32_t>(volume)) >> 8;
        std::int32_t s = 0;
        for (TOvkOscillatorState& carrier : carriers)
            s = WrapAdd(s, carrier.Output());
        v = static_cast<std::int32_t>(static_cast<std::uint32_t>(s) * g) >> 8;
    }
    for (COvkEffectState& effect : effects)
        v = effect.Process(v);
    if (!history.empty()) {
        history[historyPosition] = v;
        m_historyWritten = true;
    }
    return enabled.load(std::memory_order_relaxed) ? v : 0;
}

void COvkChannelVoice::Advance()
{
    AdvanceOscillators();
    historyPosition = (historyPosition + 1) & 0xFFFF;
}

void COvkChannelVoice::AdvanceOscillators()
{
    // Taken once: the stores below could otherwise be the vectors' own fields.
    TOvkOscillatorState* const carrierStates = carriers.data();
    TOvkOscillatorState* const modulatorStates = modulators.data();
    const std::size_t pairs = carriers.size();
    for (std::size_t i = 0; i < pairs; ++i) {
        TOvkOscillatorState& carrier = carrierStates[i];
        TOvkOscillatorState& modulator = modulatorStates[i];
        const std::int32_t m = modulator.Output();
        modulator.phase += static_cast<std::uint32_t>(
            WrapAdd(modulator.Step(), modulator.fmEnabled ? modulator.modulation : 0));
        carrier.modulation = m >> 3;
        carrier.phase +=
            static_cast<std::uint32_t>(WrapAdd(carrier.Step(), carrier.fmEnabled ? carrier.modulation : 0));
    }
}

void COvkChannelVoice::RenderOscillators(std::uint32_t count, const std::uint32_t* noise, std::uint32_t carrierSlot,
                                         std::uint32_t modulatorSlot, std::int32_t* samples,
                                         std::uint32_t firstTick)
{
    // The channel gain of each sample, g as Sample takes it (unsigned: it is
    // never negative); the vector loops read whole vectors of them.
    alignas(32) std::uint32_t gains[kBlockRoom];
    auto gain = [this] {
        return (static_cast<std::uint32_t>(envelope.value) * static_cast<std::uint32_t>(volume)) >> 8;
    };
    if (count <= firstTick || m_moving.empty()) {
        std::fill(gains, gains + Whole(count), gain());
    } else {
        // A block over ticks: only the channel envelope moves at them, and
        // the pairs do not read it, so its ticks come first, each stretch
        // between them with its own gain. A tick after the block's last
        // sample is the caller's.
        std::uint32_t j = 0;
        for (std::uint32_t tick = firstTick;; tick += kEnvelopeTickSamples) {
            const std::uint32_t end = std::min(tick, count);
            std::fill(gains + j, gains + end, gain());
            j = end;
            if (j == count)
                break;
            TickEnvelopes();
        }
        std::fill(gains + count, gains + Whole(count), 0u);
    }
    RenderPairs(count, noise, carrierSlot, modulatorSlot, samples, gains);
}

// Built twice, for the SSE2 that every x86-64 has and for AVX2 (twice the
// lanes, and a 32-bit multiply), and chosen at start-up by what the machine
// offers; everything it calls is built into each copy.
void COvkChannelVoice::RenderPairs(std::uint32_t count, const std::uint32_t* noise, std::uint32_t carrierSlot,
                                   std::uint32_t modulatorSlot, std::int32_t* samples, const std::uint32_t* gains)
{
    OnVectorPath([=, this](auto path) mutable {
        if (count == 0)
            return;
        const bool on = noteOn;
        // Silence unless a sounding carrier writes the samples.
        if (!on || carriers.empty())
            std::fill(samples, samples + Whole(count), 0);
        for (std::size_t i = 0; i < carriers.size(); ++i) {
            TOvkOscillatorState& carrier = carriers[i];
            TOvkOscillatorState& modulator = modulators[i];
            // The envelopes stand still during the run, so gains and steps are constant.
            TPairRun run{};
            run.modulatorGain = modulator.Amplitude();
            run.modulatorStep =
                static_cast<std::uint32_t>(WrapAdd(modulator.Step(), modulator.fmEnabled ? modulator.modulation : 0));
            run.carrierGain = carrier.Amplitude();
            run.carrierStep = static_cast<std::uint32_t>(carrier.Step());
            run.modulatorPhase = modulator.phase;
            run.carrierPhase = carrier.phase;
            run.modulation = carrier.modulation;
            constexpr std::uint32_t kPitch = CNoiseGenerator::kSlotPitch;
            const std::uint32_t* modulatorNoise = DrawsNoise(modulator) ? noise + kPitch * modulatorSlot++ : kNoNoise;
            const std::uint32_t* carrierNoise = on && DrawsNoise(carrier) ? noise + kPitch * carrierSlot++ : kNoNoise;
            const TPairNoise pairNoise{modulatorNoise, carrierNoise};
            // Both gains short, or the products of both in 32 bits.
            const bool shortGains =
                pair_run::TGain<true>::Fits(run.modulatorGain) && pair_run::TGain<true>::Fits(run.carrierGain);
            auto runPair = [&](auto width) {
                constexpr bool kShort = decltype(width)::value;
                pair_run::VisitWave(modulator, [&](auto modulatorWave) {
                    if (!on) {
                        const pair_run::TFixedWave silent{0};
                        if (carrier.fmEnabled)
                            pair_run::RunFmPair<decltype(path), kShort>(path, modulatorWave, silent, pair_run::TSilent{},
                                                                        run, pairNoise, count, samples);
                        else
                            pair_run::RunPlainPair<decltype(path), kShort>(path, modulatorWave, silent,
                                                                           pair_run::TSilent{}, run, pairNoise, count,
                                                                           samples);
                        return;
                    }
                    pair_run::VisitWave(carrier, [&](auto carrierWave) {
                        pair_run::VisitMix(i == 0, i + 1 == carriers.size(), gains, [&](auto mix) {
                            if (carrier.fmEnabled)
                                pair_run::RunFmPair<decltype(path), kShort>(path, modulatorWave, carrierWave, mix, run,
                                                                            pairNoise, count, samples);
                            else
                                pair_run::RunPlainPair<decltype(path), kShort>(path, modulatorWave, carrierWave, mix,
                                                                               run, pairNoise, count, samples);
                        });
                    });
                });
            };
            if (shortGains)
                runPair(std::true_type{});
            else
                runPair(std::false_type{});
            carrier.phase = run.carrierPhase;
            modulator.phase = run.modulatorPhase;
            carrier.modulation = run.modulation;
        }
    });
}

void COvkChannelVoice::FinishBlock(const std::int32_t* samples, std::uint32_t count, bool keepHistory)
{
    if (keepHistory && !history.empty()) {
        const std::uint32_t first = std::min(count, kHistoryLength - historyPosition);
        std::copy(samples, samples + first, history.begin() + historyPosition);
        std::copy(samples + first, samples + count, history.begin());
        m_historyWritten = true;
    }
    // The last sample's step on comes with its advance.
    historyPosition = (historyPosition + count - 1) & 0xFFFF;
}

void COvkChannelVoice::TickEnvelopes()
{
    if (m_moving.size() == 1) {
        // The usual case of a held note, the channel envelope alone: its own
        // tick, without the set-up of whole vectors; lane 0 follows it.
        TOvkEnvelopeState& e = *m_moving[0];
        const std::int32_t before = e.counter;
        e.Tick();
        m_tick.counter[0] = e.counter;
        m_tick.value[0] = e.value;
        // Left as it was: it stays so (see below).
        if (e.counter == before)
            m_moving.clear();
        return;
    }
    OnVectorPath([=, this] {
        // The tick of every moving envelope side by side, on the copies of its
        // fields that EnvelopesChanged laid out one array per field:
        // counter = min(counter + speed, limit), where limit is the lowest of the
        // sustain position (while held) and the keep position that apply, and
        // value = min + (F(phase + counter) x span) / 256.
        TTickLanes& t = m_tick;
        const std::size_t n = m_moving.size();
        if (n == 0)
            return;
        std::int32_t* const counter = t.counter.data();
        std::int32_t* const value = t.value.data();
        std::int32_t* const moved = t.moved.data();
        const bool still = TickLanes(n, counter, value, t.speed.data(), t.limit.data(), t.phase.data(), t.min.data(),
                                     t.span.data(), moved);
        TOvkEnvelopeState* const* const envelopes = m_moving.data();
        for (std::size_t i = 0; i < n; ++i) {
            envelopes[i]->counter = counter[i];
            envelopes[i]->value = value[i];
        }
        if (!still)
            return;
        // A tick that leaves the counter where it was leaves the envelope as it
        // is from then on (its value now follows the counter): it no longer moves.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (!moved[i])
                continue;
            m_moving[kept] = m_moving[i];
            t.Move(kept++, i);
        }
        m_moving.resize(kept);
    });
}

void COvkChannelVoice::TTickLanes::Set(std::size_t i, const TOvkEnvelopeState& e)
{
    const TOvkEnvelope& f = e.stored;
    // The clamps of a tick, one after the other, come to the lowest of them.
    std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    if (!e.released && f.sustainEnabled)
        highest = std::min(highest, f.sustainPosition);
    if (f.keepEnabled)
        highest = std::min(highest, f.keepPosition);
    counter[i] = e.counter;
    speed[i] = f.speed;
    limit[i] = highest;
    phase[i] = f.phase;
    min[i] = f.min;
    span[i] = WrapSub(f.max, f.min);
    value[i] = e.value;
}

void COvkChannelVoice::TTickLanes::Move(std::size_t to, std::size_t from)
{
    for (TField* field : {&counter, &speed, &limit, &phase, &min, &span, &value})
        (*field)[to] = (*field)[from];
}

void COvkChannelVoice::EnvelopesChanged()
{
    // An envelope that a tick leaves as it is stays so until it is reset,
    // placed, released or given other fields: all of which call this again.
    m_moving.clear();
    for (TOvkEnvelopeState* e : m_envelopes)
        if (!e->Settled()) {
            m_tick.Set(m_moving.size(), *e);
            m_moving.push_back(e);
        }
}

void COvkChannelVoice::ClearHistory()
{
    if (m_historyWritten)
        std::fill(history.begin(), history.end(), 0);
    m_historyWritten = false;
    historyPosition = 0;
}

void COvkChannelVoice::KeepHistory()
{
    if (history.empty())
        history.assign(kHistoryLength, 0);
}

void COvkChannelVoice::PrepareEffects()
{
    for (COvkEffectState& effect : effects)
        effect.Prepare();
}

void COvkChannelVoice::RebuildEnvelopeList()
{
    // The list has room for kMaxEnvelopes; whatever comes later is left out.
    m_envelopes.clear();
    auto add = [this](TOvkEnvelopeState& e) {
        if (m_envelopes.size() < kMaxEnvelopes)
            m_envelopes.push_back(&e);
    };
    add(envelope);
    for (std::size_t i = 0; i < carriers.size(); ++i) {
        add(carriers[i].volumeEnvelope);
        add(carriers[i].transposeEnvelope);
        add(modulators[i].volumeEnvelope);
        add(modulators[i].transposeEnvelope);
    }
    for (COvkEffectState& effect : effects) {
        add(effect.envA);
        add(effect.envB);
    }
}

void COvkChannelVoice::CountNoise()
{
    m_noiseCarriers = static_cast<std::uint32_t>(std::count_if(carriers.begin(), carriers.end(), DrawsNoise));
    m_noiseModulators = static_cast<std::uint32_t>(std::count_if(modulators.begin(), modulators.end(), DrawsNoise));
}

} // namespace ovk
