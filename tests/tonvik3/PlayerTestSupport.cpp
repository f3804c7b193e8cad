#include "PlayerTestSupport.h"

namespace tonvik_test {

using morvane::CRef;

CRef<ovk::COvkModule> NewModule() { return CRef<ovk::COvkModule>::Adopt(new ovk::COvkModule); }

CRef<ovk::COvkModulePlayer> NewPlayer(ovk::COvkModule* module)
{
    CRef<ovk::COvkModulePlayer> player = CRef<ovk::COvkModulePlayer>::Adopt(new ovk::COvkModulePlayer);
    if (module)
        player->Connect(module);
    return player;
}

TSamples ReadSamples(ovk::COvkModulePlayer* player, std::size_t count)
{
    TSamples samples(count);
    const std::uint64_t bytes = player->Read(samples.data(), 2 * count);
    samples.resize(bytes / 2);
    return samples;
}

void PlainSong(ovk::COvkModuleData& song)
{
    for (ovk::COvkModuleChannel& channel : song.channels)
        channel.envelope = ovk::TOvkEnvelope::Default();
    for (auto& column : song.orderTable)
        column[0] = 1;
}

} // namespace tonvik_test
