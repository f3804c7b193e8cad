#pragma once
#include <cstdint>
#include "core/song/TOvkEnvelope.h"

namespace ovk {

// The running state of one envelope: its stored fields, copied from the song
// at every synchronisation, and the progress that survives such a copy.
struct TOvkEnvelopeState {
    TOvkEnvelope stored;       // the nine fields of the song's record
    std::int32_t counter = 0;  // progress through the shape
    std::int32_t value = 256;  // the current output
    bool released = true;      // a stop note lets the counter run past the sustain position

    // The shape's value at counter position c.
    std::int32_t ValueAt(std::int32_t c) const;
    // One step, every 44 samples.
    void Tick();
    // Back to the start of the shape; released is left alone.
    void Reset();
    // Places the envelope at counter (a seek): the keep position limits the
    // value only, the counter is stored as given.
    void Place(std::int32_t newCounter);
};

} // namespace ovk
