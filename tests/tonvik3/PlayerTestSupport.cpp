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

std::int32_t Between(std::mt19937& random, std::int32_t low, std::int32_t high)
{
    return std::uniform_int_distribution<std::int32_t>(low, high)(random);
}

namespace {

using namespace ovk;

TOvkEnvelope RandomEnvelope(std::mt19937& random)
{
    TOvkEnvelope e;
    if (random() % 3 == 0)
        return e;
    e.min = Between(random, -300, 300);
    e.max = Between(random, -300, 600);
    e.speed = Between(random, -500, 3000);
    e.resetMode = Between(random, 0, 5);
    e.phase = Between(random, 0, 65536);
    e.keepPosition = Between(random, -20000, 131072);
    e.sustainPosition = Between(random, 0, 131072);
    e.keepEnabled = random() % 2 == 0;
    e.sustainEnabled = random() % 2 == 0;
    return e;
}

} // namespace

ovk::TOvkEffect RandomEffect(std::mt19937& random)
{
    ovk::TOvkEffect effect;
    effect.SetType(Between(random, 0, 7));
    effect.envelopeA = RandomEnvelope(random);
    effect.envelopeB = RandomEnvelope(random);
    effect.p1 = Between(random, -50, 300);
    effect.p2 = Between(random, -50, 300);
    if (effect.type == ovk::EFFECT_DELAY)
        effect.p1 = Between(random, 0, 30);  // echoes shorter and longer than a block
    if (effect.type == ovk::EFFECT_FLANGE)
        effect.envelopeA.max = Between(random, -3, 200);
    return effect;
}

ovk::TOvkOscillator RandomOscillator(std::mt19937& random)
{
    static const std::int32_t types[] = {0, 0, 1, 2, 3, 3, 4, 12, 13};
    ovk::TOvkOscillator o;
    o.type = types[random() % 9];
    o.volume = Between(random, 0, 300);
    o.cents = Between(random, -2400, 2400);
    o.fmEnabled = random() % 2 == 0;
    o.volumeEnvelope = RandomEnvelope(random);
    o.transposeEnvelope = RandomEnvelope(random);
    return o;
}

void RandomSong(std::mt19937& random, ovk::COvkModuleData& song)
{
    song.tempo = Between(random, 150, 255);
    song.masterVolume = Between(random, 60, 300);
    for (int c = 0; c < ovk::kChannels; ++c) {
        ovk::COvkModuleChannel& channel = song.channels[c];
        channel.volume = Between(random, 0, 300);
        channel.envelope = RandomEnvelope(random);
        channel.carriers.clear();
        channel.modulators.clear();
        for (int i = Between(random, 0, 3); i > 0; --i)
            channel.AddPair(RandomOscillator(random), RandomOscillator(random));
        if (!channel.modulators.empty() && random() % 8 == 0)
            channel.modulators.pop_back();  // as a damaged file leaves it
        for (int i = Between(random, 0, 3); i > 0; --i)
            channel.effects.push_back(RandomEffect(random));
        for (int p = 0; p < 3; ++p)
            song.orderTable[c][p] = static_cast<std::uint32_t>(Between(random, 0, 15));
        for (int p = 1; p < ovk::kPatterns; ++p) {
            for (int r = 0; r < ovk::kRows; ++r) {
                const std::int32_t roll = Between(random, 0, 99);
                song.patterns[c][p][r] = roll < 60   ? 0
                                         : roll < 90 ? static_cast<std::uint32_t>(Between(random, 1, 254))
                                         : roll < 98 ? ovk::kStopNote
                                                     : 300;
            }
        }
    }
}

} // namespace tonvik_test
