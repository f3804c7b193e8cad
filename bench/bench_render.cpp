// Rendering speed of the module player: a light song (8 channels, one sine
// pair each, no effects) and a heavy one (8 channels, four FM pairs each,
// noise in two channels, delay, resonance and low-pass in every channel).
#include <benchmark/benchmark.h>

#include <vector>

#include "core/module/COvkModule.h"
#include "core/module/COvkModulePlayer.h"
#include "core/module/CoreClasses.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"

namespace {

using morvane::CRef;
using namespace ovk;

constexpr int kSongPositions = 16;

// Order positions 0-15 (32 seconds) play pattern 1 in every channel; each channel plays a
// note every four rows, a stop note between some of them.
void WriteNotes(COvkModuleData& song)
{
    for (int c = 0; c < kChannels; ++c) {
        for (int p = 0; p < kSongPositions; ++p)
            song.orderTable[c][p] = 1;
        for (int r = 0; r < kRows; r += 4)
            song.patterns[c][1][r] = static_cast<std::uint32_t>(34 + 3 * c + r);
        song.patterns[c][1][14] = kStopNote;
    }
}

void MakeLight(COvkModuleData& song)
{
    WriteNotes(song);
}

void MakeHeavy(COvkModuleData& song)
{
    WriteNotes(song);
    for (int c = 0; c < kChannels; ++c) {
        COvkModuleChannel& channel = song.channels[c];
        channel.carriers.clear();
        channel.modulators.clear();
        for (int i = 0; i < 4; ++i) {
            TOvkOscillator carrier;
            carrier.fmEnabled = true;
            carrier.volume = 60;
            carrier.cents = 700 * i;
            carrier.volumeEnvelope.keepEnabled = false;
            carrier.volumeEnvelope.speed = 300 + 10 * i;
            TOvkOscillator modulator;
            modulator.volume = 40 + 20 * i;
            modulator.cents = 1200 + 5 * i;
            if (c < 2 && i == 3)
                modulator.type = OSC_NOISE;
            channel.AddPair(carrier, modulator);
        }
        TOvkEffect delay;
        delay.p1 = 150;
        delay.p2 = 100;
        TOvkEffect resonance;
        resonance.SetType(EFFECT_RESONANCE);
        resonance.envelopeA.keepEnabled = false;
        resonance.envelopeA.min = 100;
        resonance.p2 = 200;
        TOvkEffect lowPass;
        lowPass.SetType(EFFECT_LOWPASS);
        lowPass.p1 = 180;
        channel.effects = {delay, resonance, lowPass};
    }
}

void Render(benchmark::State& state, void (*make)(COvkModuleData&))
{
    CRef<COvkModule> module = CRef<COvkModule>::Adopt(new COvkModule);
    make(*module->Lock(2));
    module->Unlock();
    CRef<COvkModulePlayer> player = CRef<COvkModulePlayer>::Adopt(new COvkModulePlayer);
    player->Connect(module.Get());

    // The audio plug-in pulls about 40 ms at a time.
    std::vector<std::uint8_t> buffer(2 * 1764);
    std::uint64_t samples = 0;
    for (auto _ : state) {
        player->Seek(0);
        std::uint64_t bytes;
        do {
            bytes = player->Read(buffer.data(), buffer.size());
            samples += bytes / 2;
        } while (bytes == buffer.size());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(samples) / 44100.0, benchmark::Counter::kIsRate);
}

void BM_RenderLight(benchmark::State& state) { Render(state, MakeLight); }
void BM_RenderHeavy(benchmark::State& state) { Render(state, MakeHeavy); }

BENCHMARK(BM_RenderLight)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderHeavy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    morvane::q.Init();
    ovk::RegisterCoreClasses();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    morvane::q.Close();
    return 0;
}
