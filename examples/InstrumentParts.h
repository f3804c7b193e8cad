#pragma once
#include "core/song/COvkModuleChannel.h"

// The parts the demo and library instruments are built from, with the song
// data API: envelope shapes, oscillators, effects and channels.
//
// An envelope steps once a millisecond or so (every 44 samples); from the top
// of its shape (phase 16384) to the bottom its counter runs 32768 units, so
// an envelope of speed s falls from max to min in about 32768 / s ms.
namespace demo {

using ovk::COvkModuleChannel;
using ovk::TOvkEffect;
using ovk::TOvkEnvelope;
using ovk::TOvkOscillator;

// The speed that goes from the top of the shape to the bottom (or back) in ms milliseconds.
inline int SpeedFor(int ms) { return 32768 / ms; }

// Starts at max and falls to min in about 32768 / speed milliseconds, then stays there.
inline TOvkEnvelope Decay(int speed, int min = 0, int max = 256, int resetMode = ovk::RESET_NOTE)
{
    TOvkEnvelope e;
    e.min = min;
    e.max = max;
    e.speed = speed;
    e.resetMode = resetMode;
    e.phase = 16384;
    e.keepPosition = 32768;
    e.keepEnabled = true;
    return e;
}

// Rises from min to max, holds there while the note is held (sustain), and
// falls back to min after a stop note.
inline TOvkEnvelope Swell(int speed)
{
    TOvkEnvelope e;
    e.speed = speed;
    e.phase = 49152;  // the bottom of the shape
    e.sustainPosition = 32768;
    e.sustainEnabled = true;
    e.keepPosition = 65536;
    e.keepEnabled = true;
    return e;
}

// Falls to a sustain level while the note is held and on to 0 after a stop note.
inline TOvkEnvelope Held(int speed, int sustainPosition)
{
    TOvkEnvelope e = Decay(speed);
    e.sustainPosition = sustainPosition;
    e.sustainEnabled = true;
    return e;
}

// Runs between min and max for ever, restarting as resetMode says.
inline TOvkEnvelope Cycle(int min, int max, int speed, int resetMode)
{
    TOvkEnvelope e;
    e.min = min;
    e.max = max;
    e.speed = speed;
    e.resetMode = resetMode;
    e.keepEnabled = false;
    return e;
}

inline TOvkEnvelope Constant(int value)
{
    TOvkEnvelope e;
    e.min = 0;
    e.max = value;
    return e;
}

inline TOvkOscillator Oscillator(int type, int volume, int cents = 0)
{
    TOvkOscillator o;
    o.type = type;
    o.volume = volume;
    o.cents = cents;
    return o;
}

inline TOvkEffect Effect(int type, int p1, int p2, const TOvkEnvelope& a = TOvkEnvelope(),
                         const TOvkEnvelope& b = TOvkEnvelope())
{
    TOvkEffect e;
    e.SetType(type);
    e.p1 = p1;
    e.p2 = p2;
    e.envelopeA = a;
    e.envelopeB = b;
    return e;
}

// A channel with no oscillators yet.
inline COvkModuleChannel Empty(int volume, const TOvkEnvelope& envelope)
{
    COvkModuleChannel channel;
    channel.volume = volume;
    channel.envelope = envelope;
    channel.carriers.clear();
    channel.modulators.clear();
    return channel;
}

// A carrier without FM; its modulator slot holds a silent default.
inline void AddCarrier(COvkModuleChannel& channel, const TOvkOscillator& carrier)
{
    TOvkOscillator unused;
    unused.volume = 0;
    channel.AddPair(carrier, unused);
}

} // namespace demo
