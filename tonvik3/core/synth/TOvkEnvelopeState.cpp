#include "core/synth/TOvkEnvelopeState.h"

#include "core/synth/SynthMath.h"

namespace ovk {

std::int32_t TOvkEnvelopeState::ValueAt(std::int32_t c) const
{
    const std::int32_t span = WrapSub(stored.max, stored.min);
    return WrapAdd(stored.min, WrapMul(ShapeF(WrapAdd(stored.phase, c)), span) / 256);
}

void TOvkEnvelopeState::Tick()
{
    counter = WrapAdd(counter, stored.speed);
    if (!released && stored.sustainEnabled && counter > stored.sustainPosition)
        counter = stored.sustainPosition;
    if (stored.keepEnabled && counter > stored.keepPosition)
        counter = stored.keepPosition;
    value = ValueAt(counter);
}

void TOvkEnvelopeState::Reset()
{
    counter = 0;
    value = ValueAt(stored.keepEnabled && stored.keepPosition < 0 ? stored.keepPosition : 0);
}

void TOvkEnvelopeState::Place(std::int32_t newCounter)
{
    counter = newCounter;
    value = ValueAt(stored.keepEnabled && newCounter > stored.keepPosition ? stored.keepPosition : newCounter);
}

} // namespace ovk
