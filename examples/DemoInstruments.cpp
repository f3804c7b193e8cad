#include "DemoInstruments.h"

#include "InstrumentParts.h"

namespace demo {

COvkModuleChannel Kick()
{
    COvkModuleChannel channel = Empty(230, Decay(240));
    TOvkOscillator body = Oscillator(ovk::OSC_SINE, 255);
    body.transposeEnvelope = Decay(1100, 150, 900);  // 3.5 times the note's pitch down to 0.6 in 30 ms
    AddCarrier(channel, body);
    channel.effects.push_back(Effect(ovk::EFFECT_OVERDRIVE, 170, 150));
    return channel;
}

COvkModuleChannel Snare()
{
    COvkModuleChannel channel = Empty(200, Decay(300));
    AddCarrier(channel, Oscillator(ovk::OSC_NOISE, 170));
    TOvkOscillator body = Oscillator(ovk::OSC_SINE, 150);
    body.volumeEnvelope = Decay(900);
    body.transposeEnvelope = Decay(700, 200, 320);
    AddCarrier(channel, body);
    channel.effects.push_back(Effect(ovk::EFFECT_HIGHPASS, 120, 0, Constant(256)));
    return channel;
}

COvkModuleChannel HiHat()
{
    COvkModuleChannel channel = Empty(150, Decay(1000));
    AddCarrier(channel, Oscillator(ovk::OSC_NOISE, 200));
    channel.effects.push_back(Effect(ovk::EFFECT_HIGHPASS, 240, 0, Constant(256)));
    // Recorded but passed unchanged: kept so the sound is the same on the replayer.
    channel.effects.push_back(Effect(ovk::EFFECT_BANDPASS, 180, 60));
    return channel;
}

COvkModuleChannel AcidBass()
{
    COvkModuleChannel channel = Empty(200, Held(220, 6144));
    AddCarrier(channel, Oscillator(ovk::OSC_SAW, 170));
    AddCarrier(channel, Oscillator(ovk::OSC_SQUARE, 60, -1200));
    // The cut-off falls from its top to a quarter on every note; strong resonance.
    channel.effects.push_back(Effect(ovk::EFFECT_RESONANCE, 150, 190, Decay(160, 60, 256), Constant(256)));
    channel.effects.push_back(Effect(ovk::EFFECT_OVERDRIVE, 200, 170));
    return channel;
}

COvkModuleChannel FmLead()
{
    COvkModuleChannel channel = Empty(170, Held(140, 10240));
    TOvkOscillator carrier = Oscillator(ovk::OSC_SINE, 200);
    carrier.fmEnabled = true;
    TOvkOscillator modulator = Oscillator(ovk::OSC_SINE, 110, 1200);
    modulator.volumeEnvelope = Decay(200, 40, 256);  // bright at the start of each note, mellow after
    channel.AddPair(carrier, modulator);
    channel.effects.push_back(Effect(ovk::EFFECT_DELAY, 300, 100));  // a dotted eighth, fading
    return channel;
}

COvkModuleChannel PowerPad()
{
    COvkModuleChannel channel = Empty(140, Swell(110));
    AddCarrier(channel, Oscillator(ovk::OSC_SAW, 70, -6));
    AddCarrier(channel, Oscillator(ovk::OSC_SAW, 60, 706));
    AddCarrier(channel, Oscillator(ovk::OSC_SAW, 50, 1203));
    channel.effects.push_back(Effect(ovk::EFFECT_FLANGE, 0, 0, TOvkEnvelope::FlangeDefault()));
    // Opens and closes once a pattern.
    channel.effects.push_back(Effect(ovk::EFFECT_LOWPASS, 110, 0, Cycle(90, 256, 16, ovk::RESET_PATTERN)));
    return channel;
}

COvkModuleChannel SquareArp()
{
    COvkModuleChannel channel = Empty(120, Decay(420));
    AddCarrier(channel, Oscillator(ovk::OSC_SQUARE, 110));
    channel.effects.push_back(Effect(ovk::EFFECT_DELAY, 200, 80));
    channel.effects.push_back(Effect(ovk::EFFECT_LOWPASS, 200, 0, Constant(256)));
    return channel;
}

COvkModuleChannel NoiseRiser()
{
    COvkModuleChannel channel = Empty(130, Constant(256));
    TOvkOscillator noise = Oscillator(ovk::OSC_NOISE, 150);
    // From silence to full over four patterns, again from every fourth order position.
    TOvkEnvelope swell = Swell(4);
    swell.resetMode = ovk::RESET_FOURTH_PATTERN;
    swell.sustainEnabled = false;
    swell.keepPosition = 32768;
    noise.volumeEnvelope = swell;
    AddCarrier(channel, noise);
    // The filter opens over two patterns, from every second position.
    TOvkEnvelope opening = Swell(8);
    opening.min = 20;
    opening.max = 256;
    opening.resetMode = ovk::RESET_SECOND_PATTERN;
    opening.sustainEnabled = false;
    opening.keepPosition = 32768;
    channel.effects.push_back(Effect(ovk::EFFECT_LOWPASS, 180, 0, opening));
    return channel;
}

COvkModuleChannel FmBell()
{
    COvkModuleChannel channel = Empty(190, Decay(45));
    TOvkOscillator carrier = Oscillator(ovk::OSC_SINE, 210);
    carrier.fmEnabled = true;
    TOvkOscillator modulator = Oscillator(ovk::OSC_SINE, 140, 2169);  // 3.5 times the carrier
    modulator.volumeEnvelope = Decay(90);
    channel.AddPair(carrier, modulator);
    TOvkOscillator shimmer = Oscillator(ovk::OSC_SINE, 40, 2400);
    shimmer.volumeEnvelope = Decay(160);
    AddCarrier(channel, shimmer);
    channel.effects.push_back(Effect(ovk::EFFECT_DELAY, 600, 110));
    return channel;
}

COvkModuleChannel SoftBass()
{
    COvkModuleChannel channel = Empty(220, Held(120, 8192));
    AddCarrier(channel, Oscillator(ovk::OSC_SINE, 220));
    AddCarrier(channel, Oscillator(ovk::OSC_SAW, 50, 1200));
    channel.effects.push_back(Effect(ovk::EFFECT_LOWPASS, 70, 0, Constant(256)));
    return channel;
}

COvkModuleChannel Brush()
{
    COvkModuleChannel channel = Empty(120, Decay(180));
    AddCarrier(channel, Oscillator(ovk::OSC_NOISE, 150));
    channel.effects.push_back(Effect(ovk::EFFECT_BANDPASS, 120, 120));
    channel.effects.push_back(Effect(ovk::EFFECT_LOWPASS, 140, 0, Decay(120, 80, 256)));
    return channel;
}

COvkModuleChannel GritLead()
{
    COvkModuleChannel channel = Empty(120, Held(160, 12288));
    AddCarrier(channel, Oscillator(ovk::OSC_SQUARE, 90));
    AddCarrier(channel, Oscillator(ovk::OSC_SAW, 70, 5));
    TOvkEnvelope vibrato = Cycle(252, 260, 400, ovk::RESET_NOTE);
    channel.carriers[0].transposeEnvelope = vibrato;
    channel.carriers[1].transposeEnvelope = vibrato;
    channel.effects.push_back(Effect(ovk::EFFECT_OVERDRIVE, 60, 90));
    channel.effects.push_back(Effect(ovk::EFFECT_RESONANCE, 120, 120, Cycle(100, 256, 40, ovk::RESET_SONG),
                                     Constant(256)));
    return channel;
}

} // namespace demo
