// Rendering speed of the module player, on songs of 128 s (64 order
// positions at 120 BPM) that every channel plays:
// - light: one sine pair per channel, no effects;
// - heavy: four FM pairs per channel, their carriers sine, saw, square and
//   noise, with moving volume and pitch envelopes; delay, resonance and
//   low-pass in every channel;
// - every effect: the heavy song with all seven effect types in every channel.
// Each is measured in the player (as the audio plug-in reads it, 40 ms at a
// time) and as a whole process (tonvik3-cli render into a file). Counters:
// x_realtime, seconds of audio per second of wall time; x_cpu, per second of
// CPU time (the machines are shared, so wall time alone says little).
//
// bench_render --write-songs DIR writes light.tonvik, heavy.tonvik and
// every_effect.tonvik, for timing tonvik3-cli by hand.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files/SongFiles.h"
#include "core/module/COvkModule.h"
#include "core/module/COvkModulePlayer.h"
#include "core/module/CoreClasses.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"

namespace {

using morvane::CRef;
using namespace ovk;

constexpr int kSongPositions = 64;  // 128 s at 120 BPM

// Every channel plays pattern 1 at every position: a note every four rows,
// a stop note between some of them.
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

void MakeLight(COvkModuleData& song) { WriteNotes(song); }

TOvkEnvelope Moving(std::int32_t min, std::int32_t max, std::int32_t speed)
{
    TOvkEnvelope e;
    e.min = min;
    e.max = max;
    e.speed = speed;
    e.keepEnabled = false;
    return e;
}

void MakeHeavy(COvkModuleData& song)
{
    WriteNotes(song);
    const std::int32_t carrierTypes[4] = {OSC_SINE, OSC_SAW, OSC_SQUARE, OSC_NOISE};
    for (int c = 0; c < kChannels; ++c) {
        COvkModuleChannel& channel = song.channels[c];
        channel.carriers.clear();
        channel.modulators.clear();
        for (int i = 0; i < 4; ++i) {
            TOvkOscillator carrier;
            carrier.type = carrierTypes[i];
            carrier.fmEnabled = true;
            carrier.volume = 60;
            carrier.cents = 700 * i;
            carrier.volumeEnvelope = Moving(0, 256, 300 + 10 * i);
            carrier.transposeEnvelope = Moving(250, 262, 40 + 5 * i);
            TOvkOscillator modulator;
            modulator.volume = 40 + 20 * i;
            modulator.cents = 1200 + 5 * i;
            modulator.volumeEnvelope = Moving(64, 256, 120 + 7 * i);
            channel.AddPair(carrier, modulator);
        }
        TOvkEffect delay;
        delay.p1 = 150;
        delay.p2 = 100;
        TOvkEffect resonance;
        resonance.SetType(EFFECT_RESONANCE);
        resonance.envelopeA = Moving(100, 256, 65);
        resonance.p2 = 200;
        TOvkEffect lowPass;
        lowPass.SetType(EFFECT_LOWPASS);
        lowPass.p1 = 180;
        channel.effects = {delay, resonance, lowPass};
    }
}

void MakeEveryEffect(COvkModuleData& song)
{
    MakeHeavy(song);
    for (COvkModuleChannel& channel : song.channels) {
        TOvkEffect flange;
        flange.SetType(EFFECT_FLANGE);
        TOvkEffect highPass;
        highPass.SetType(EFFECT_HIGHPASS);
        highPass.p1 = 40;
        TOvkEffect overdrive;
        overdrive.SetType(EFFECT_OVERDRIVE);
        TOvkEffect bandPass;
        bandPass.SetType(EFFECT_BANDPASS);
        channel.effects.insert(channel.effects.begin() + 1, flange);
        channel.effects.push_back(highPass);
        channel.effects.push_back(overdrive);
        channel.effects.push_back(bandPass);
    }
}

struct TSong {
    const char* name;
    void (*make)(COvkModuleData&);
};
const TSong kSongs[] = {{"light", MakeLight}, {"heavy", MakeHeavy}, {"every_effect", MakeEveryEffect}};

double CpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void SetRates(benchmark::State& state, double audioSeconds, double wall, double cpu)
{
    state.counters["x_realtime"] = audioSeconds / wall;
    state.counters["x_cpu"] = audioSeconds / cpu;
}

void RenderInPlayer(benchmark::State& state, const TSong& song)
{
    CRef<COvkModule> module = CRef<COvkModule>::Adopt(new COvkModule);
    song.make(*module->Lock(2));
    module->Unlock();
    CRef<COvkModulePlayer> player = CRef<COvkModulePlayer>::Adopt(new COvkModulePlayer);
    player->Connect(module.Get());

    // The audio plug-in pulls about 40 ms at a time.
    std::vector<std::uint8_t> buffer(2 * 1764);
    std::uint64_t samples = 0;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const double wallStart = WallSeconds();
        const double cpuStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        player->Seek(0);
        std::uint64_t bytes;
        do {
            bytes = player->Read(buffer.data(), buffer.size());
            samples += bytes / 2;
        } while (bytes == buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        cpu += CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
        wall += WallSeconds() - wallStart;
    }
    SetRates(state, static_cast<double>(samples) / 44100.0, wall, cpu);
}

std::string g_songFolder;
std::string g_cli;

std::string SongPath(const TSong& song) { return g_songFolder + "/" + song.name + ".tonvik"; }

// tonvik3-cli render SONG OUT.wav as its own process: start-up, loading,
// rendering and writing the file. CPU time is the child's, user and system.
void RenderInCli(benchmark::State& state, const TSong& song)
{
    const std::string in = SongPath(song);
    const std::string out = g_songFolder + "/" + song.name + ".wav";
    double wall = 0, cpu = 0;
    std::uint64_t runs = 0;
    for (auto _ : state) {
        rusage before{}, after{};
        getrusage(RUSAGE_CHILDREN, &before);
        const double wallStart = WallSeconds();
        const pid_t pid = fork();
        if (pid == 0) {
            execl(g_cli.c_str(), g_cli.c_str(), "render", in.c_str(), out.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        wall += WallSeconds() - wallStart;
        getrusage(RUSAGE_CHILDREN, &after);
        auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
        cpu += seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
        ++runs;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("tonvik3-cli render failed");
            return;
        }
    }
    SetRates(state, static_cast<double>(runs) * 2.0 * kSongPositions, wall, cpu);
}

void WriteSongs(const std::string& folder)
{
    for (const TSong& song : kSongs) {
        COvkModuleData data;
        song.make(data);
        SaveSongFile(morvane::utf::PathFromBytes(folder + "/" + song.name + ".tonvik").c_str(), data);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string writeTo;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--write-songs") == 0)
            writeTo = argv[i + 1];
    morvane::q.Init();
    ovk::RegisterCoreClasses();
    if (!writeTo.empty()) {
        WriteSongs(writeTo);
        morvane::q.Close();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // The songs as files for the whole-process runs, and the program beside this one.
    char folder[] = "/tmp/bench_render-XXXXXX";
    if (mkdtemp(folder))
        g_songFolder = folder;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    g_cli = (self.parent_path() / "tonvik3-cli").string();
    WriteSongs(g_songFolder);

    for (const TSong& song : kSongs) {
        benchmark::RegisterBenchmark((std::string("BM_Player/") + song.name).c_str(),
                                     [&song](benchmark::State& state) { RenderInPlayer(state, song); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    if (std::filesystem::exists(g_cli)) {
        for (const TSong& song : kSongs) {
            benchmark::RegisterBenchmark((std::string("BM_CliRender/") + song.name).c_str(),
                                         [&song](benchmark::State& state) { RenderInCli(state, song); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_songFolder);
    morvane::q.Close();
    return 0;
}
