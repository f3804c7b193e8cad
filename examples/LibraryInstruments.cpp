#include "LibraryInstruments.h"

#include "InstrumentParts.h"
#include "core/synth/SynthMath.h"

namespace library {

using namespace demo;
using ovk::EFFECT_DELAY;
using ovk::EFFECT_FLANGE;
using ovk::EFFECT_HIGHPASS;
using ovk::EFFECT_LOWPASS;
using ovk::EFFECT_OVERDRIVE;
using ovk::EFFECT_RESONANCE;
using ovk::OSC_NOISE;
using ovk::OSC_SAW;
using ovk::OSC_SINE;
using ovk::OSC_SQUARE;

namespace {

// The counter at which the shape, started at its top, has come down to level (of 256).
int CounterAt(int level)
{
    int c = 0;
    while (c < 32768 && ovk::ShapeF(16384 + c) > level)
        c += 64;
    return c;
}

// Falls from max to min in ms and stays there; a stop note does not cut it
// short (the sustain position is where it ends anyway).
TOvkEnvelope Ring(int ms, int min = 0, int max = 256)
{
    TOvkEnvelope e = Decay(SpeedFor(ms), min, max);
    e.sustainEnabled = true;
    e.sustainPosition = e.keepPosition;
    return e;
}

// From the bottom up to the top in ms, then it stays.
TOvkEnvelope Rise(int ms, int min = 0, int max = 256)
{
    TOvkEnvelope e = Decay(SpeedFor(ms), min, max);
    e.phase = 49152;
    return e;
}

// A channel envelope: up in attackMs, down to level (of 256) while the note
// is held, and down to silence after a stop note, all at the pace of the attack.
TOvkEnvelope Adsr(int attackMs, int level)
{
    TOvkEnvelope e = Rise(attackMs);
    e.sustainEnabled = true;
    e.sustainPosition = 32768 + CounterAt(level);
    e.keepPosition = 65536;
    return e;
}

// Falls from the top to level (of 256) while the note is held and on to
// silence after a stop note; the whole fall would take ms.
TOvkEnvelope Sustain(int ms, int level)
{
    TOvkEnvelope e = Decay(SpeedFor(ms));
    e.sustainEnabled = true;
    e.sustainPosition = CounterAt(level);
    return e;
}

// Swings between min and max hz times a second (an envelope steps about 1002
// times a second), from the top at every note, or running freely.
TOvkEnvelope Lfo(int min, int max, double hz, int resetMode = ovk::RESET_NOTE)
{
    return Cycle(min, max, static_cast<int>(hz * 65536.0 / 1002.27 + 0.5), resetMode);
}

void Add(COvkModuleChannel& channel, TOvkOscillator oscillator, const TOvkEnvelope& volume = TOvkEnvelope(),
         const TOvkEnvelope& transpose = TOvkEnvelope())
{
    oscillator.volumeEnvelope = volume;
    oscillator.transposeEnvelope = transpose;
    AddCarrier(channel, oscillator);
}

// A carrier whose phase the modulator pushes.
void AddFm(COvkModuleChannel& channel, TOvkOscillator carrier, TOvkOscillator modulator)
{
    carrier.fmEnabled = true;
    channel.AddPair(carrier, modulator);
}

TOvkOscillator WithVolume(TOvkOscillator oscillator, const TOvkEnvelope& volume)
{
    oscillator.volumeEnvelope = volume;
    return oscillator;
}

// The six square waves of the classic analogue hat and cymbal, at their
// ratios to C-4 (205, 304, 370, 523, 540 and 800 Hz there).
void AddMetal(COvkModuleChannel& channel, int volume)
{
    for (const int cents : {-419, 262, 599, 1198, 1254, 1935})
        Add(channel, Oscillator(OSC_SQUARE, volume, cents));
}

// Drums ------------------------------------------------------------------

COvkModuleChannel Kick()
{
    COvkModuleChannel c = Empty(220, Ring(600));
    // The body drops from 2.7 times the note to a fifth of it (about 50 Hz at C-4).
    Add(c, Oscillator(OSC_SINE, 255), Decay(SpeedFor(450)), Decay(SpeedFor(70), 50, 700));
    Add(c, Oscillator(OSC_NOISE, 110), Decay(SpeedFor(8)));
    c.effects.push_back(Effect(EFFECT_LOWPASS, 170, 0));
    c.effects.push_back(Effect(EFFECT_OVERDRIVE, 200, 210));
    return c;
}

COvkModuleChannel Snare()
{
    COvkModuleChannel c = Empty(210, Ring(350));
    Add(c, Oscillator(OSC_NOISE, 170), Decay(SpeedFor(230)));
    Add(c, Oscillator(OSC_SINE, 210, -700), Decay(SpeedFor(120)), Decay(SpeedFor(40), 256, 400));
    c.effects.push_back(Effect(EFFECT_OVERDRIVE, 150, 190));
    return c;
}

COvkModuleChannel Clap()
{
    COvkModuleChannel c = Empty(220, Ring(260));
    // Three quick bursts 10 ms apart, then the tail.
    TOvkEnvelope bursts = Cycle(0, 256, 6554, ovk::RESET_NOTE);
    bursts.keepEnabled = true;
    bursts.keepPosition = 3 * 65536;
    Add(c, Oscillator(OSC_NOISE, 230), bursts);
    c.effects.push_back(Effect(EFFECT_RESONANCE, 46, 110));
    c.effects.push_back(Effect(EFFECT_OVERDRIVE, 40, 200));
    return c;
}

// The hats: the six squares and noise, high-passed twice; only the fall differs.
COvkModuleChannel Hat(int volume, const TOvkEnvelope& fall)
{
    COvkModuleChannel c = Empty(volume, fall);
    AddMetal(c, 55);
    Add(c, Oscillator(OSC_NOISE, 150));
    c.effects.push_back(Effect(EFFECT_HIGHPASS, 225, 0));
    c.effects.push_back(Effect(EFFECT_HIGHPASS, 200, 0));
    return c;
}

COvkModuleChannel ClosedHat() { return Hat(200, Ring(60)); }

// A plain fall: a stop note chokes it, as a closing hat does.
COvkModuleChannel OpenHat() { return Hat(190, Decay(SpeedFor(450))); }

COvkModuleChannel Tom()
{
    COvkModuleChannel c = Empty(220, Ring(500));
    Add(c, Oscillator(OSC_SINE, 255), Decay(SpeedFor(480)), Decay(SpeedFor(180), 180, 300));
    Add(c, Oscillator(OSC_NOISE, 60), Decay(SpeedFor(15)));
    c.effects.push_back(Effect(EFFECT_LOWPASS, 180, 0));
    c.effects.push_back(Effect(EFFECT_OVERDRIVE, 220, 200));
    return c;
}

COvkModuleChannel Cowbell()
{
    COvkModuleChannel c = Empty(200, Ring(300));
    Add(c, Oscillator(OSC_SQUARE, 110, 1255));
    Add(c, Oscillator(OSC_SQUARE, 110, 1935));
    c.effects.push_back(Effect(EFFECT_RESONANCE, 95, 120));
    c.effects.push_back(Effect(EFFECT_HIGHPASS, 30, 0));
    return c;
}

// Basses -----------------------------------------------------------------

COvkModuleChannel SubBass()
{
    COvkModuleChannel c = Empty(230, Adsr(25, 230));
    Add(c, Oscillator(OSC_SINE, 255));
    Add(c, Oscillator(OSC_SINE, 40, 1200));  // heard on small speakers too
    return c;
}

COvkModuleChannel AcidBass()
{
    COvkModuleChannel c = Empty(200, Sustain(900, 180));
    Add(c, Oscillator(OSC_SAW, 200));
    Add(c, Oscillator(OSC_SQUARE, 70, -1200));
    // The cut-off falls on every note; strong resonance.
    c.effects.push_back(Effect(EFFECT_RESONANCE, 150, 200, Decay(SpeedFor(300), 50, 256), Constant(256)));
    c.effects.push_back(Effect(EFFECT_OVERDRIVE, 180, 180));
    return c;
}

COvkModuleChannel FmBass()
{
    COvkModuleChannel c = Empty(220, Adsr(5, 220));
    // Bright at the start of each note, round after. The modulator an octave
    // up: at the same pitch its lower sideband would fall on 0 Hz and wander.
    AddFm(c, Oscillator(OSC_SINE, 255), WithVolume(Oscillator(OSC_SINE, 24, 1200), Decay(SpeedFor(300), 70, 256)));
    return c;
}

COvkModuleChannel ReeseBass()
{
    COvkModuleChannel c = Empty(220, Adsr(15, 230));
    Add(c, Oscillator(OSC_SAW, 130, -12));
    Add(c, Oscillator(OSC_SAW, 130, 12));
    c.effects.push_back(Effect(EFFECT_LOWPASS, 60, 0));
    return c;
}

// Leads ------------------------------------------------------------------

COvkModuleChannel SquareLead()
{
    COvkModuleChannel c = Empty(200, Adsr(8, 220));
    const TOvkEnvelope vibrato = Lfo(253, 259, 5.5);
    Add(c, Oscillator(OSC_SQUARE, 150), TOvkEnvelope(), vibrato);
    Add(c, Oscillator(OSC_SAW, 90, 5), TOvkEnvelope(), vibrato);
    c.effects.push_back(Effect(EFFECT_LOWPASS, 150, 0));
    c.effects.push_back(Effect(EFFECT_DELAY, 300, 80));
    return c;
}

COvkModuleChannel SupersawLead()
{
    COvkModuleChannel c = Empty(200, Adsr(10, 230));
    for (const int cents : {-30, -12, 0, 12, 30})
        Add(c, Oscillator(OSC_SAW, 70, cents));
    c.effects.push_back(Effect(EFFECT_LOWPASS, 170, 0));
    c.effects.push_back(Effect(EFFECT_DELAY, 300, 60));
    return c;
}

COvkModuleChannel FmLead()
{
    COvkModuleChannel c = Empty(210, Sustain(450, 200));
    AddFm(c, Oscillator(OSC_SINE, 200), WithVolume(Oscillator(OSC_SINE, 110, 1200), Decay(SpeedFor(160), 40, 256)));
    c.effects.push_back(Effect(EFFECT_DELAY, 300, 100));
    return c;
}

// Pads -------------------------------------------------------------------

COvkModuleChannel WarmPad()
{
    COvkModuleChannel c = Empty(200, Adsr(600, 220));
    Add(c, Oscillator(OSC_SAW, 90, -7));
    Add(c, Oscillator(OSC_SAW, 90, 7));
    Add(c, Oscillator(OSC_SINE, 120, -1200));
    // The filter breathes slowly, whatever the notes do.
    c.effects.push_back(Effect(EFFECT_LOWPASS, 90, 0, Lfo(150, 256, 0.2, ovk::RESET_SONG)));
    c.effects.push_back(Effect(EFFECT_FLANGE, 0, 0, TOvkEnvelope::FlangeDefault()));
    return c;
}

COvkModuleChannel Strings()
{
    COvkModuleChannel c = Empty(250, Adsr(300, 230));
    const TOvkEnvelope vibrato = Lfo(254, 258, 5.0);
    Add(c, Oscillator(OSC_SAW, 90, -10), TOvkEnvelope(), vibrato);
    Add(c, Oscillator(OSC_SAW, 90, 10), TOvkEnvelope(), vibrato);
    Add(c, Oscillator(OSC_SAW, 30, 1200), TOvkEnvelope(), vibrato);
    c.effects.push_back(Effect(EFFECT_LOWPASS, 110, 0));
    return c;
}

COvkModuleChannel GlassPad()
{
    COvkModuleChannel c = Empty(210, Adsr(400, 230));
    AddFm(c, Oscillator(OSC_SINE, 200),
          WithVolume(Oscillator(OSC_SINE, 60, 1902), Lfo(80, 256, 0.5)));
    Add(c, Oscillator(OSC_SINE, 60, 1200));
    c.effects.push_back(Effect(EFFECT_DELAY, 400, 100));
    return c;
}

// Keys and plucks --------------------------------------------------------

COvkModuleChannel Pluck()
{
    COvkModuleChannel c = Empty(210, Ring(700));
    Add(c, Oscillator(OSC_SAW, 200));
    Add(c, Oscillator(OSC_SQUARE, 50, 1200));
    // The filter closes fast: bright at the pluck, soft after.
    c.effects.push_back(Effect(EFFECT_LOWPASS, 255, 0, Decay(SpeedFor(200), 20, 256)));
    c.effects.push_back(Effect(EFFECT_DELAY, 150, 80));
    return c;
}

COvkModuleChannel FmBell()
{
    COvkModuleChannel c = Empty(190, Ring(1800));
    // The modulator at 3.5 times the carrier: a bell's uneven partials.
    AddFm(c, Oscillator(OSC_SINE, 210), WithVolume(Oscillator(OSC_SINE, 140, 2169), Decay(SpeedFor(360))));
    Add(c, Oscillator(OSC_SINE, 40, 2400), Decay(SpeedFor(200)));
    c.effects.push_back(Effect(EFFECT_DELAY, 600, 110));
    return c;
}

COvkModuleChannel Organ()
{
    COvkModuleChannel c = Empty(200, Adsr(6, 250));
    // Drawbars 16', 8', 5 1/3', 4' and 2', with a tremolo.
    const TOvkEnvelope tremolo = Lfo(220, 256, 6.0);
    Add(c, Oscillator(OSC_SINE, 90, -1200), tremolo);
    Add(c, Oscillator(OSC_SINE, 110), tremolo);
    Add(c, Oscillator(OSC_SINE, 50, 702), tremolo);
    Add(c, Oscillator(OSC_SINE, 70, 1200), tremolo);
    Add(c, Oscillator(OSC_SINE, 40, 2400), tremolo);
    Add(c, Oscillator(OSC_NOISE, 20), Decay(SpeedFor(5)));  // the key click
    return c;
}

COvkModuleChannel ArpSquare()
{
    COvkModuleChannel c = Empty(200, Ring(220));
    Add(c, Oscillator(OSC_SQUARE, 170));
    Add(c, Oscillator(OSC_SQUARE, 45, 1200));
    c.effects.push_back(Effect(EFFECT_LOWPASS, 200, 0));
    c.effects.push_back(Effect(EFFECT_DELAY, 200, 90));
    return c;
}

COvkModuleChannel FmPiano()
{
    COvkModuleChannel c = Empty(210, Adsr(20, 250));
    // The tone fades while the key is held; the stop note lifts the damper.
    AddFm(c, WithVolume(Oscillator(OSC_SINE, 200), Decay(SpeedFor(2200))),
          WithVolume(Oscillator(OSC_SINE, 40, 1200), Decay(SpeedFor(700), 20, 256)));
    Add(c, Oscillator(OSC_SINE, 30, 4571), Decay(SpeedFor(40)));  // the tine, 14 times up
    return c;
}

COvkModuleChannel Mallet()
{
    COvkModuleChannel c = Empty(210, Ring(700));
    Add(c, Oscillator(OSC_SINE, 220));
    Add(c, Oscillator(OSC_SINE, 60, 2400), Decay(SpeedFor(150)));
    Add(c, Oscillator(OSC_NOISE, 30), Decay(SpeedFor(6)));
    return c;
}

// Effects ----------------------------------------------------------------

COvkModuleChannel NoiseSweep()
{
    COvkModuleChannel c = Empty(200, Adsr(300, 240));
    Add(c, Oscillator(OSC_NOISE, 130));
    // The filter goes up over two seconds and down over the next two.
    TOvkEnvelope sweep = Lfo(15, 256, 0.25);
    sweep.phase = 49152;
    c.effects.push_back(Effect(EFFECT_RESONANCE, 200, 200, sweep, Constant(256)));
    return c;
}

COvkModuleChannel Riser()
{
    COvkModuleChannel c = Empty(210, Adsr(2000, 250));
    // Two octaves up over four seconds.
    const TOvkEnvelope up = Rise(4000, 256, 1024);
    Add(c, Oscillator(OSC_SAW, 110), TOvkEnvelope(), up);
    Add(c, Oscillator(OSC_SAW, 110, 7), TOvkEnvelope(), up);
    Add(c, Oscillator(OSC_NOISE, 60));
    c.effects.push_back(Effect(EFFECT_LOWPASS, 255, 0, Rise(4000, 40, 256)));
    return c;
}

COvkModuleChannel Impact()
{
    COvkModuleChannel c = Empty(220, Ring(1800));
    Add(c, Oscillator(OSC_SINE, 255), Decay(SpeedFor(1200)), Decay(SpeedFor(400), 45, 400));
    Add(c, Oscillator(OSC_NOISE, 200), Decay(SpeedFor(300)));
    c.effects.push_back(Effect(EFFECT_LOWPASS, 255, 0, Decay(SpeedFor(600), 30, 256)));
    c.effects.push_back(Effect(EFFECT_OVERDRIVE, 150, 200));
    c.effects.push_back(Effect(EFFECT_DELAY, 400, 90));
    return c;
}

COvkModuleChannel Zap()
{
    COvkModuleChannel c = Empty(200, Ring(200));
    Add(c, Oscillator(OSC_SQUARE, 200), TOvkEnvelope(), Decay(SpeedFor(150), 40, 1500));
    c.effects.push_back(Effect(EFFECT_DELAY, 150, 60));
    return c;
}

const TInstrument kInstruments[] = {
    {"drums", "kick", Kick},
    {"drums", "snare", Snare},
    {"drums", "clap", Clap},
    {"drums", "closed_hat", ClosedHat},
    {"drums", "open_hat", OpenHat},
    {"drums", "tom", Tom},
    {"drums", "cowbell", Cowbell},
    {"bass", "sub_bass", SubBass},
    {"bass", "acid_bass", AcidBass},
    {"bass", "fm_bass", FmBass},
    {"bass", "reese_bass", ReeseBass},
    {"lead", "square_lead", SquareLead},
    {"lead", "supersaw_lead", SupersawLead},
    {"lead", "fm_lead", FmLead},
    {"pad", "warm_pad", WarmPad},
    {"pad", "strings", Strings},
    {"pad", "glass_pad", GlassPad},
    {"keys", "pluck", Pluck},
    {"keys", "fm_bell", FmBell},
    {"keys", "organ", Organ},
    {"keys", "arp_square", ArpSquare},
    {"keys", "fm_piano", FmPiano},
    {"keys", "mallet", Mallet},
    {"fx", "noise_sweep", NoiseSweep},
    {"fx", "riser", Riser},
    {"fx", "impact", Impact},
    {"fx", "zap", Zap},
};

} // namespace

std::span<const TInstrument> Instruments() { return kInstruments; }

} // namespace library
