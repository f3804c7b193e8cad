#pragma once
#include <cstdint>
#include "core/song/TOvkEnvelope.h"
#include "core/synth/SynthMath.h"

namespace ovk {

// The running state of one envelope: its stored fields, copied from the song
// at every synchronisation, and the progress that survives such a copy.
struct TOvkEnvelopeState {
    TOvkEnvelope stored;       // the nine fields of the song's record
    std::int32_t counter = 0;  // progress through the shape
    std::int32_t value = 256;  // the current output
    bool released = true;      // a stop note lets the counter run past the sustain position

    // The shape's value at counter position c.
    std::int32_t ValueAt(std::int32_t c) const
    {
        const std::int32_t span = WrapSub(stored.max, stored.min);
        return WrapAdd(stored.min, WrapMul(ShapeF(WrapAdd(stored.phase, c)), span) / 256);
    }

    // The counter after one more step.
    std::int32_t NextCounter() const
    {
        std::int32_t next = WrapAdd(counter, stored.speed);
        if (!released && stored.sustainEnabled && next > stored.sustainPosition)
            next = stored.sustainPosition;
        if (stored.keepEnabled && next > stored.keepPosition)
            next = stored.keepPosition;
        return next;
    }

    // One step, every 44 samples.
    void Tick()
    {
        counter = NextCounter();
        value = ValueAt(counter);
    }

    // True when a tick would change nothing (an envelope held at its keep or
    // sustain position, or a constant one).
    bool Settled() const { return NextCounter() == counter && value == ValueAt(counter); }

    // Back to the start of the shape; released is left alone.
    void Reset()
    {
        counter = 0;
        value = ValueAt(stored.keepEnabled && stored.keepPosition < 0 ? stored.keepPosition : 0);
    }

    // Places the envelope at newCounter (a seek): the keep position limits
    // the value only, the counter is stored as given.
    void Place(std::int32_t newCounter)
    {
        counter = newCounter;
        value = ValueAt(stored.keepEnabled && newCounter > stored.keepPosition ? stored.keepPosition : newCounter);
    }
};

} // namespace ovk
