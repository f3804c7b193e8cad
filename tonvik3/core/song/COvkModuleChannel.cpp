#include "core/song/COvkModuleChannel.h"

#include <algorithm>

namespace ovk {

void COvkModuleChannel::Reset()
{
    volume = 100;
    carriers.assign(1, TOvkOscillator());
    modulators.assign(1, TOvkOscillator());
    effects.clear();
    envelope = TOvkEnvelope::ChannelDefault();
}

void COvkModuleChannel::AddPair(const TOvkOscillator& carrier, const TOvkOscillator& modulator)
{
    InsertPair(carriers.size(), carrier, modulator);
}

void COvkModuleChannel::InsertPair(std::size_t index, const TOvkOscillator& carrier, const TOvkOscillator& modulator)
{
    index = std::min(index, carriers.size());
    carriers.insert(carriers.begin() + static_cast<std::ptrdiff_t>(index), carrier);
    modulators.insert(modulators.begin() + static_cast<std::ptrdiff_t>(std::min(index, modulators.size())), modulator);
}

void COvkModuleChannel::RemovePair(std::size_t index)
{
    if (index < carriers.size())
        carriers.erase(carriers.begin() + static_cast<std::ptrdiff_t>(index));
    if (index < modulators.size())
        modulators.erase(modulators.begin() + static_cast<std::ptrdiff_t>(index));
}

void COvkModuleChannel::MovePair(std::size_t from, std::size_t to)
{
    auto move = [from, to](std::vector<TOvkOscillator>& list) {
        if (from >= list.size() || to >= list.size() || from == to)
            return;
        TOvkOscillator moved = list[from];
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(from));
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(to), moved);
    };
    move(carriers);
    move(modulators);
}

const TOvkOscillator& COvkModuleChannel::ModulatorOf(std::size_t i) const
{
    static const TOvkOscillator missing;
    return i < modulators.size() ? modulators[i] : missing;
}

} // namespace ovk
