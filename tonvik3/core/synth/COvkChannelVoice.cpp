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
std::int32_t FixedWave(const TOvkOscillatorState& o)
{
    return o.type >= OSC_CH1 && o.type <= OSC_MASTER ? o.external : 0;
}

// The output of o at phase, taking the random number r if it is noise.
std::int32_t OutputAt(const TOvkOscillatorState& o, std::uint32_t phase, std::uint32_t r)
{
    if (o.increment == 0)
        return 0;
    std::int32_t w;
    switch (o.type) {
    case OSC_SINE:
        w = kSine[(phase >> 8) & 255];
        break;
    case OSC_SAW:
        w = static_cast<std::int32_t>(phase & 0xFFFF) - 32768;
        break;
    case OSC_SQUARE:
        w = (phase & 0xFFFF) <= 32767 ? -32768 : 32767;
        break;
    case OSC_NOISE:
        w = (static_cast<std::int32_t>(r & 255) - 128) * 256;
        break;
    default:
        w = FixedWave(o);
        break;
    }
    return WrapMul(o.Amplitude(), w) >> 8;
}

// The outputs of o at phases[0 ... count-1], stored (or, with Accumulate,
// added) to out. A noise oscillator takes noise[j * stride] for sample j.
template <bool Accumulate>
void Outputs(const TOvkOscillatorState& o, const std::uint32_t* phases, std::uint32_t count,
             const std::uint32_t* noise, std::uint32_t stride, std::int32_t* out)
{
    auto put = [out](std::uint32_t j, std::int32_t v) {
        if constexpr (Accumulate)
            out[j] = WrapAdd(out[j], v);
        else
            out[j] = v;
    };
    if (o.increment == 0) {
        if constexpr (!Accumulate)
            std::fill(out, out + count, 0);
        return;
    }
    const std::int32_t a = o.Amplitude();
    switch (o.type) {
    case OSC_SINE:
        for (std::uint32_t j = 0; j < count; ++j)
            put(j, WrapMul(a, kSine[(phases[j] >> 8) & 255]) >> 8);
        break;
    case OSC_SAW:
        for (std::uint32_t j = 0; j < count; ++j)
            put(j, WrapMul(a, static_cast<std::int32_t>(phases[j] & 0xFFFF) - 32768) >> 8);
        break;
    case OSC_SQUARE:
        for (std::uint32_t j = 0; j < count; ++j)
            put(j, WrapMul(a, (phases[j] & 0xFFFF) <= 32767 ? -32768 : 32767) >> 8);
        break;
    case OSC_NOISE:
        for (std::uint32_t j = 0; j < count; ++j)
            put(j, WrapMul(a, (static_cast<std::int32_t>(noise[j * stride] & 255) - 128) * 256) >> 8);
        break;
    default: {
        const std::int32_t v = WrapMul(a, FixedWave(o)) >> 8;
        for (std::uint32_t j = 0; j < count; ++j)
            put(j, v);
        break;
    }
    }
}

bool DrawsNoise(const TOvkOscillatorState& o) { return o.type == OSC_NOISE && o.increment != 0; }

} // namespace

COvkChannelVoice::COvkChannelVoice() : history(kHistoryLength, 0)
{
    m_envelopes.reserve(kMaxEnvelopes);
    RebuildEnvelopeList();
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
    CountNoise();
}

void COvkChannelVoice::Refresh(const COvkModuleChannel& channel, std::uint32_t rowLength)
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
        effects[i].Refresh(channel.effects[i], rowLength);
    if (rebuilt)
        RebuildEnvelopeList();
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

void COvkChannelVoice::RenderBlock(std::uint32_t count, const std::uint32_t* noise, std::uint32_t stride,
                                   std::uint32_t carrierSlot, std::uint32_t modulatorSlot, std::uint32_t* mix)
{
    if (count == 0)
        return;
    std::int32_t v[kMaxBlock];
    std::int32_t m[kMaxBlock];
    std::uint32_t phases[kMaxBlock + 1];
    std::fill(v, v + count, 0);
    const bool on = noteOn;

    for (std::size_t i = 0; i < carriers.size(); ++i) {
        TOvkOscillatorState& carrier = carriers[i];
        TOvkOscillatorState& modulator = modulators[i];
        // The envelopes stand still during the run, so every step is constant.
        const std::uint32_t modulatorStep =
            static_cast<std::uint32_t>(WrapAdd(modulator.Step(), modulator.fmEnabled ? modulator.modulation : 0));
        const std::uint32_t carrierStep = static_cast<std::uint32_t>(carrier.Step());
        const std::uint32_t* modulatorNoise = DrawsNoise(modulator) ? noise + modulatorSlot++ : nullptr;
        const std::uint32_t* carrierNoise = on && DrawsNoise(carrier) ? noise + carrierSlot++ : nullptr;

        if (carrier.fmEnabled) {
            // The carrier's phase takes the modulator's output of each sample.
            for (std::uint32_t j = 0; j < count; ++j)
                phases[j] = modulator.phase + j * modulatorStep;
            Outputs<false>(modulator, phases, count, modulatorNoise, stride, m);
            phases[0] = carrier.phase;
            for (std::uint32_t j = 0; j < count; ++j)
                phases[j + 1] = phases[j] + carrierStep + static_cast<std::uint32_t>(m[j] >> 3);
            carrier.modulation = m[count - 1] >> 3;
        } else {
            for (std::uint32_t j = 0; j <= count; ++j)
                phases[j] = carrier.phase + j * carrierStep;
            // Only the last output stays, as the carrier's modulation input.
            const std::uint32_t last = count - 1;
            carrier.modulation = OutputAt(modulator, modulator.phase + last * modulatorStep,
                                          modulatorNoise ? modulatorNoise[last * stride] : 0) >>
                                 3;
        }
        modulator.phase += count * modulatorStep;
        if (on)
            Outputs<true>(carrier, phases, count, carrierNoise, stride, v);
        carrier.phase = phases[count];
    }

    if (on) {
        const std::uint32_t g =
            (static_cast<std::uint32_t>(envelope.value) * static_cast<std::uint32_t>(volume)) >> 8;
        for (std::uint32_t j = 0; j < count; ++j)
            v[j] = static_cast<std::int32_t>(static_cast<std::uint32_t>(v[j]) * g) >> 8;
    }
    for (COvkEffectState& effect : effects)
        effect.ProcessBlock(v, count);
    for (std::uint32_t j = 0; j < count; ++j)
        history[(historyPosition + j) & 0xFFFF] = v[j];
    historyPosition = (historyPosition + count) & 0xFFFF;
    if (enabled.load(std::memory_order_relaxed)) {
        for (std::uint32_t j = 0; j < count; ++j)
            mix[j] += static_cast<std::uint32_t>(v[j]);
    }
}

void COvkChannelVoice::TickEnvelopes()
{
    for (TOvkEnvelopeState* e : m_envelopes)
        e->Tick();
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
