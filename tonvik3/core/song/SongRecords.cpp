#include "core/song/TOvkEffect.h"
#include "core/song/TOvkOscillator.h"

namespace ovk {

const char* OscillatorTypeName(std::int32_t type)
{
    static const char* const names[] = {"sine", "saw", "square", "noise", "ch1", "ch2", "ch3",
                                        "ch4",  "ch5", "ch6",    "ch7",   "ch8", "master"};
    return type >= 0 && type <= OSC_MASTER ? names[type] : "";
}

const char* EffectTypeName(std::int32_t type)
{
    static const char* const names[] = {"Delay", "Flange", "Low-pass", "High-pass", "Resonance", "Overdrive",
                                        "Band-pass"};
    return type >= 0 && type <= EFFECT_BANDPASS ? names[type] : "???";
}

void TOvkEffect::SetType(std::int32_t newType)
{
    type = newType;
    switch (newType) {
    case EFFECT_DELAY:
        p1 = 400;
        p2 = 128;
        break;
    case EFFECT_FLANGE:
        envelopeA = TOvkEnvelope::FlangeDefault();
        break;
    case EFFECT_LOWPASS:
    case EFFECT_HIGHPASS:
        p1 = 100;
        envelopeA = TOvkEnvelope::Default();
        break;
    case EFFECT_RESONANCE:
    case EFFECT_BANDPASS:
        p1 = 100;
        p2 = 100;
        envelopeA = TOvkEnvelope::Default();
        envelopeB = TOvkEnvelope::Default();
        break;
    case EFFECT_OVERDRIVE:
        p1 = 100;
        p2 = 100;
        envelopeA = TOvkEnvelope::Default();
        break;
    default:
        break;
    }
}

} // namespace ovk
