#include "core/synth/COvkChannelVoice.h"

#include <algorithm>
#include <array>

#include "core/song/COvkModuleData.h"
#include "core/synth/SynthMath.h"

namespace ovk {

namespace {

// The sine wave W(p) x 256 for each value of (p >> 8) & 255.
constexpr std::array<std::int32_t, 256> MakeSineTable()
{
    std::array<std::int32_t, 256> table{};
    for (std::int32_t i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = ShapeW(i << 8) * 256;
    return table;
}
constexpr std::array<std::int32_t, 256> kSine = MakeSineTable();

// The wave of a type that does not depend on the phase: the external input
// for "ch1" ... "master", silence for unknown types.
std::int32_t FixedWaveOf(const TOvkOscillatorState& o)
{
    return o.type >= OSC_CH1 && o.type <= OSC_MASTER ? o.external : 0;
}

// The waves for the block path: w at a phase for sample j of the run.
struct TSineWave {
    std::int32_t operator()(std::uint32_t phase, std::uint32_t) const { return kSine[(phase >> 8) & 255]; }
};
struct TSawWave {
    std::int32_t operator()(std::uint32_t phase, std::uint32_t) const
    {
        return static_cast<std::int32_t>(phase & 0xFFFF) - 32768;
    }
};
struct TSquareWave {
    std::int32_t operator()(std::uint32_t phase, std::uint32_t) const
    {
        return (phase & 0xFFFF) <= 32767 ? -32768 : 32767;
    }
};
struct TNoiseWave {
    const std::uint32_t* noise;  // this oscillator's first number
    std::uint32_t stride;        // numbers drawn per sample
    std::int32_t operator()(std::uint32_t, std::uint32_t j) const
    {
        return (static_cast<std::int32_t>(noise[j * stride] & 255) - 128) * 256;
    }
};
struct TFixedWave {
    std::int32_t w;
    std::int32_t operator()(std::uint32_t, std::uint32_t) const { return w; }
};

// Calls fn with the wave of o. An oscillator without a note outputs 0, like
// a fixed wave of 0, and draws nothing.
template <class Fn>
void VisitWave(const TOvkOscillatorState& o, const std::uint32_t* noise, std::uint32_t stride, Fn&& fn)
{
    if (o.increment == 0) {
        fn(TFixedWave{0});
        return;
    }
    switch (o.type) {
    case OSC_SINE:
        fn(TSineWave{});
        break;
    case OSC_SAW:
        fn(TSawWave{});
        break;
    case OSC_SQUARE:
        fn(TSquareWave{});
        break;
    case OSC_NOISE:
        fn(TNoiseWave{noise, stride});
        break;
    default:
        fn(TFixedWave{FixedWaveOf(o)});
        break;
    }
}

// Where a pair's run leaves its phases, and the modulator's last output.
struct TPairRun {
    std::uint32_t carrierPhase;
    std::uint32_t modulatorPhase;
    std::int32_t modulatorOutput;
};

// A carrier with FM: each sample's modulator output pushes the carrier's next
// phase. Sounding adds the carrier's outputs to samples.
template <bool Sounding, class TModulatorWave, class TCarrierWave>
TPairRun RunFmPair(TModulatorWave modulatorWave, std::int32_t modulatorGain, std::uint32_t modulatorPhase,
                   std::uint32_t modulatorStep, TCarrierWave carrierWave, std::int32_t carrierGain,
                   std::uint32_t carrierPhase, std::uint32_t carrierStep, std::uint32_t count, std::int32_t* samples)
{
    std::int32_t m = 0;
    for (std::uint32_t j = 0; j < count; ++j) {
        m = WrapMul(modulatorGain, modulatorWave(modulatorPhase, j)) >> 8;
        modulatorPhase += modulatorStep;
        if constexpr (Sounding)
            samples[j] = WrapAdd(samples[j], WrapMul(carrierGain, carrierWave(carrierPhase, j)) >> 8);
        carrierPhase += carrierStep + static_cast<std::uint32_t>(m >> 3);
    }
    return {carrierPhase, modulatorPhase, m};
}

// A carrier without FM adds its outputs to samples; returns its next phase.
template <class TCarrierWave>
std::uint32_t RunCarrier(TCarrierWave carrierWave, std::int32_t carrierGain, std::uint32_t carrierPhase,
                         std::uint32_t carrierStep, std::uint32_t count, std::int32_t* samples)
{
    for (std::uint32_t j = 0; j < count; ++j) {
        samples[j] = WrapAdd(samples[j], WrapMul(carrierGain, carrierWave(carrierPhase, j)) >> 8);
        carrierPhase += carrierStep;
    }
    return carrierPhase;
}

bool DrawsNoise(const TOvkOscillatorState& o) { return o.type == OSC_NOISE && o.increment != 0; }

} // namespace

COvkChannelVoice::COvkChannelVoice() : history(kHistoryLength, 0)
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

void COvkChannelVoice::Refresh(const COvkModuleChannel& channel, std::uint32_t rowLength, CEffectLineBudget& budget)
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
    if (channel.effects.size() != effects.size()) {
        effects.clear();
        effects.resize(channel.effects.size());
        rebuilt = true;
    }
    for (std::size_t i = 0; i < effects.size(); ++i)
        effects[i].Refresh(channel.effects[i], rowLength,
                           budget.Take(COvkEffectState::LineBytes(channel.effects[i], rowLength)));
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
    history[historyPosition] = v;
    return enabled.load(std::memory_order_relaxed) ? v : 0;
}

void COvkChannelVoice::Advance()
{
    for (std::size_t i = 0; i < carriers.size(); ++i) {
        TOvkOscillatorState& carrier = carriers[i];
        TOvkOscillatorState& modulator = modulators[i];
        const std::int32_t m = modulator.Output();
        modulator.phase += static_cast<std::uint32_t>(
            WrapAdd(modulator.Step(), modulator.fmEnabled ? modulator.modulation : 0));
        carrier.modulation = m >> 3;
        carrier.phase +=
            static_cast<std::uint32_t>(WrapAdd(carrier.Step(), carrier.fmEnabled ? carrier.modulation : 0));
    }
    historyPosition = (historyPosition + 1) & 0xFFFF;
}

void COvkChannelVoice::RenderOscillators(std::uint32_t count, const std::uint32_t* noise, std::uint32_t stride,
                                         std::uint32_t carrierSlot, std::uint32_t modulatorSlot,
                                         std::int32_t* samples)
{
    std::fill(samples, samples + count, 0);
    if (count == 0)
        return;
    const bool on = noteOn;
    const std::uint32_t last = count - 1;

    for (std::size_t i = 0; i < carriers.size(); ++i) {
        TOvkOscillatorState& carrier = carriers[i];
        TOvkOscillatorState& modulator = modulators[i];
        // The envelopes stand still during the run, so gains and steps are constant.
        const std::int32_t carrierGain = carrier.Amplitude();
        const std::int32_t modulatorGain = modulator.Amplitude();
        const std::uint32_t carrierStep = static_cast<std::uint32_t>(carrier.Step());
        const std::uint32_t modulatorStep =
            static_cast<std::uint32_t>(WrapAdd(modulator.Step(), modulator.fmEnabled ? modulator.modulation : 0));
        const std::uint32_t* modulatorNoise = DrawsNoise(modulator) ? noise + modulatorSlot++ : noise;
        const std::uint32_t* carrierNoise = on && DrawsNoise(carrier) ? noise + carrierSlot++ : noise;
        std::uint32_t carrierPhase = carrier.phase;
        std::uint32_t modulatorPhase = modulator.phase;

        if (carrier.fmEnabled) {
            TPairRun run{};
            VisitWave(modulator, modulatorNoise, stride, [&](auto modulatorWave) {
                if (!on) {
                    run = RunFmPair<false>(modulatorWave, modulatorGain, modulatorPhase, modulatorStep, TFixedWave{0},
                                           0, carrierPhase, carrierStep, count, samples);
                    return;
                }
                VisitWave(carrier, carrierNoise, stride, [&](auto carrierWave) {
                    run = RunFmPair<true>(modulatorWave, modulatorGain, modulatorPhase, modulatorStep, carrierWave,
                                          carrierGain, carrierPhase, carrierStep, count, samples);
                });
            });
            carrierPhase = run.carrierPhase;
            modulatorPhase = run.modulatorPhase;
            carrier.modulation = run.modulatorOutput >> 3;
        } else {
            if (on) {
                VisitWave(carrier, carrierNoise, stride, [&](auto carrierWave) {
                    carrierPhase = RunCarrier(carrierWave, carrierGain, carrierPhase, carrierStep, count, samples);
                });
            } else {
                carrierPhase += count * carrierStep;
            }
            // Only the last output of the modulator stays, as the carrier's input.
            VisitWave(modulator, modulatorNoise, stride, [&](auto modulatorWave) {
                carrier.modulation =
                    (WrapMul(modulatorGain, modulatorWave(modulatorPhase + last * modulatorStep, last)) >> 8) >> 3;
            });
            modulatorPhase += count * modulatorStep;
        }
        carrier.phase = carrierPhase;
        modulator.phase = modulatorPhase;
    }

    if (on) {
        const std::uint32_t g =
            (static_cast<std::uint32_t>(envelope.value) * static_cast<std::uint32_t>(volume)) >> 8;
        for (std::uint32_t j = 0; j < count; ++j)
            samples[j] = static_cast<std::int32_t>(static_cast<std::uint32_t>(samples[j]) * g) >> 8;
    }
}

void COvkChannelVoice::FinishBlock(const std::int32_t* samples, std::uint32_t count, std::uint32_t* mix)
{
    const std::uint32_t first = std::min(count, kHistoryLength - historyPosition);
    std::copy(samples, samples + first, history.begin() + historyPosition);
    std::copy(samples + first, samples + count, history.begin());
    historyPosition = (historyPosition + count) & 0xFFFF;
    if (enabled.load(std::memory_order_relaxed)) {
        for (std::uint32_t j = 0; j < count; ++j)
            mix[j] += static_cast<std::uint32_t>(samples[j]);
    }
}

void COvkChannelVoice::TickEnvelopes()
{
    for (TOvkEnvelopeState* e : m_moving)
        e->Tick();
}

void COvkChannelVoice::EnvelopesChanged()
{
    // An envelope that a tick leaves as it is stays so until it is reset,
    // placed, released or given other fields: all of which call this again.
    m_moving.clear();
    for (TOvkEnvelopeState* e : m_envelopes)
        if (!e->Settled())
            m_moving.push_back(e);
}

void COvkChannelVoice::ClearHistory()
{
    std::fill(history.begin(), history.end(), 0);
    historyPosition = 0;
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
