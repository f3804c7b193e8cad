// Writes the songs of the replayer tests:
//   make_replayer_songs FOLDER COUNT SEED
// gives FOLDER/random_00.tonvik ... and the delay songs below.
//
// The random songs are for the replayer to play exactly as the editor does. Each song is short (3-6 order positions, so
// that envelopes reset every fourth pattern do reset, at a random tempo) and
// draws its instruments from everything the tables carry without loss: the
// four wave types, FM, whole-semitone pitches, envelopes of
// every reset mode with positions in steps of 2048, constants that share a
// counter, every exported effect, stop notes with and without sustain, clipping.
// Band-pass effects come along too: the export leaves them out, the editor
// passes the signal through them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files/SongFiles.h"
#include "core/module/CoreClasses.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/Utf.h"

namespace {

using namespace ovk;

// A generator of its own, so that a seed gives the same songs with every
// standard library.
class CRandom {
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed * 2654435761u + 1) {}
    // lo ... hi, both included.
    int Range(int lo, int hi)
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        const std::uint32_t r = static_cast<std::uint32_t>(m_state >> 33);
        return lo + static_cast<int>(r % static_cast<std::uint32_t>(hi - lo + 1));
    }
    bool Chance(int percent) { return Range(0, 99) < percent; }

private:
    std::uint64_t m_state;
};

TOvkEnvelope RandomEnvelope(CRandom& random, int low, int high)
{
    TOvkEnvelope e;
    if (random.Chance(30)) {
        // A constant (keep at 0); a few fixed values, so that some share a counter.
        const int values[] = {0, 128, 256};
        e.max = values[random.Range(0, 2)];
        e.min = random.Range(low, e.max);
        e.speed = random.Range(0, 2000);
        e.resetMode = random.Range(0, 4);
        e.phase = 16384;
        e.sustainEnabled = random.Chance(30);
        e.sustainPosition = 2048 * random.Range(0, 16);
        return e;
    }
    e.min = random.Range(low, high);
    e.max = random.Range(low, high);
    e.speed = random.Chance(80) ? random.Range(1, 3000) : random.Range(-800, 0);
    e.resetMode = random.Range(0, 4);
    e.phase = 2048 * random.Range(0, 32);
    e.keepEnabled = random.Chance(40);
    // Now and then a keep position below 0, which also moves the start value.
    e.keepPosition = 2048 * (random.Chance(10) ? random.Range(-8, -1) : random.Range(1, 64));
    e.sustainEnabled = random.Chance(40);
    e.sustainPosition = 2048 * random.Range(0, 64);
    return e;
}

TOvkOscillator RandomOscillator(CRandom& random, bool noise)
{
    TOvkOscillator o;
    o.type = random.Range(OSC_SINE, noise ? OSC_NOISE : OSC_SQUARE);
    o.volume = random.Range(0, 255);
    o.cents = 100 * random.Range(-24, 24);
    o.volumeEnvelope = RandomEnvelope(random, 0, 300);
    // Mostly near the note's own pitch (256), sometimes far from it.
    o.transposeEnvelope = random.Chance(70) ? RandomEnvelope(random, 200, 320) : RandomEnvelope(random, 0, 1024);
    return o;
}

TOvkEffect RandomEffect(CRandom& random)
{
    TOvkEffect e;
    e.SetType(random.Range(EFFECT_DELAY, EFFECT_BANDPASS));
    switch (e.type) {
    case EFFECT_DELAY:
        e.p1 = random.Chance(20) ? 0 : random.Range(1, 800);
        e.p2 = random.Range(0, 255);
        break;
    case EFFECT_FLANGE:
        e.envelopeA = RandomEnvelope(random, 0, 400);
        break;
    case EFFECT_OVERDRIVE:
        // The clip limit from 1 up: the tables cannot carry the level of a limit of 0.
        e.p1 = random.Range(1, 255);
        e.p2 = random.Range(0, 255);
        e.envelopeA = RandomEnvelope(random, 0, 300);
        break;
    default:
        e.p1 = random.Range(0, 255);
        e.p2 = random.Range(0, 255);
        e.envelopeA = RandomEnvelope(random, 0, 256);
        e.envelopeB = RandomEnvelope(random, 0, 256);
        break;
    }
    return e;
}

void RandomChannel(CRandom& random, COvkModuleChannel& channel)
{
    channel.volume = random.Range(0, 255);
    channel.envelope = RandomEnvelope(random, 0, 300);
    channel.carriers.clear();
    channel.modulators.clear();
    const int pairs = random.Range(0, 3);
    for (int i = 0; i < pairs; ++i) {
        TOvkOscillator carrier = RandomOscillator(random, true);
        carrier.fmEnabled = random.Chance(50);
        // A noise modulator is heard only through FM: the tables leave out the others.
        channel.AddPair(carrier, RandomOscillator(random, carrier.fmEnabled));
    }
    const int effects = random.Range(0, 3);
    for (int i = 0; i < effects; ++i)
        channel.effects.push_back(RandomEffect(random));
}

COvkModuleData RandomSong(CRandom& random)
{
    COvkModuleData song;
    song.tempo = random.Range(100, 400);
    song.masterVolume = random.Range(50, 400);
    const int length = random.Range(3, 6);
    for (int c = 0; c < kChannels; ++c) {
        RandomChannel(random, song.channels[c]);
        if (random.Chance(15))
            continue;  // a channel that the order table never reaches
        for (int position = 0; position < length; ++position)
            song.orderTable[c][position] = static_cast<std::uint32_t>(random.Chance(20) ? 0 : random.Range(1, 15));
        // Pattern 0 stays empty, as the editor keeps it.
        for (int pattern = 1; pattern < kPatterns; ++pattern) {
            for (int row = 0; row < kRows; ++row) {
                const int roll = random.Range(0, 99);
                // Note 1 is left out: the tables write it as 0x00, an empty row.
                if (roll < 25)
                    song.patterns[c][pattern][row] = static_cast<std::uint32_t>(random.Range(2, 192));
                else if (roll < 32)
                    song.patterns[c][pattern][row] = kStopNote;
            }
        }
    }
    song.orderTable[random.Range(0, kChannels - 1)][length - 1] = 1;  // the song has this length
    return song;
}

// A saw note every four rows in channel 0, through effects.
COvkModuleData DelaySong(std::int32_t tempo, const std::vector<TOvkEffect>& effects)
{
    COvkModuleData song;
    song.tempo = tempo;
    song.orderTable[0][0] = 1;
    for (int row = 0; row < kRows; row += 4)
        song.patterns[0][1][row] = static_cast<std::uint32_t>(40 + row);
    song.channels[0].carriers[0].type = OSC_SAW;
    song.channels[0].effects = effects;
    return song;
}

TOvkEffect Delay(std::int32_t p1, std::int32_t p2)
{
    TOvkEffect delay;
    delay.p1 = p1;
    delay.p2 = p2;
    return delay;
}

// The delay lines' pool: four delays of the longest length the editor offers
// (32 rows) at its slowest tempo, which the default pool holds; and a long
// delay followed by a short one, for a pool that holds only the short one:
// the long one must then pass its input, as a delay without feedback does.
void WriteDelaySongs(const std::string& folder)
{
    const TOvkEffect longest = Delay(3200, 200);
    COvkModuleData song = DelaySong(40, {longest, longest});
    song.channels[1] = song.channels[0];
    for (int row = 0; row < kRows; ++row)
        song.patterns[1][1][row] = song.patterns[0][1][row];
    // Three order positions: the echo comes back after two.
    for (int position = 0; position < 3; ++position)
        song.orderTable[0][position] = song.orderTable[1][position] = 1;
    SaveSongFile(morvane::utf::PathFromBytes(folder + "/longest_delays.tonvik").c_str(), song);
    SaveSongFile(morvane::utf::PathFromBytes(folder + "/pool_full.tonvik").c_str(),
                 DelaySong(120, {Delay(400, 200), Delay(50, 150)}));
    SaveSongFile(morvane::utf::PathFromBytes(folder + "/pool_full_bypassed.tonvik").c_str(),
                 DelaySong(120, {Delay(400, 0), Delay(50, 150)}));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_replayer_songs FOLDER COUNT SEED\n");
        return 1;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]);
    CRandom random(std::strtoull(argv[3], nullptr, 10));
    int status = 0;
    morvane::q.Init();
    RegisterCoreClasses();
    try {
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof(name), "/random_%02d.tonvik", i);
            SaveSongFile(morvane::utf::PathFromBytes(folder + name).c_str(), RandomSong(random));
        }
        WriteDelaySongs(folder);
    } catch (const morvane::CException& e) {
        std::fprintf(stderr, "make_replayer_songs: %s\n", morvane::utf::ToUtf8(e.GetReason()).c_str());
        status = 1;
    }
    morvane::q.Close();
    return status;
}
