// Rendering speed of the song engine, on songs of 128 s (64 order positions
// at 120 BPM) that every channel plays:
// - light: one sine pair per channel, no effects;
// - heavy: four FM pairs per channel, their carriers sine, saw, square and
//   noise, with moving volume and pitch envelopes; delay, resonance and
//   low-pass in every channel;
// - every effect: the heavy song with all seven effect types in every channel.
//
// bench_render [benchmark flags]: Google Benchmark runs of
//   BM_Player/<song>/threads:N   the player alone, in this process: on one
//       thread a module player read 40 ms at a time, as the audio plug-in
//       reads it; on more, the channels split between threads
//       (CParallelRender) read as the WAV export reads it;
//   BM_Process/<song>/threads:N  tonvik3-cli render --threads N as a process
//       of its own: start-up, loading, rendering, writing and syncing a new file.
//   Counters: x_realtime, seconds of audio per second of wall time; x_cpu,
//   per second of CPU time, every thread counted. N is 1 and the number of
//   cores.
// bench_render --goals [--runs N]: the figures of the speed goals. Light and
//   heavy rendered N times (5) each way: as a whole process and in the player
//   alone, on one thread and on every core; medians of wall and CPU time, and
//   whether every run wrote the same bytes.
// bench_render --instructions: instructions per sample of tonvik3-cli render
//   on 16 s versions of the songs, counted by valgrind's callgrind (slow: about
//   a minute a song; skipped with a message where valgrind is missing).
// bench_render --write-songs DIR [--positions N]: writes light.tonvik,
//   heavy.tonvik and every_effect.tonvik (N order positions, 64 by default).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/files/SongFiles.h"
#include "core/module/COvkModule.h"
#include "core/module/COvkModulePlayer.h"
#include "core/module/CParallelRender.h"
#include "core/module/CoreClasses.h"
#include "core/synth/CNoiseGenerator.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"

namespace {

using morvane::CRef;
using namespace ovk;

constexpr int kSongPositions = 64;  // 128 s at 120 BPM
constexpr double kSecondsPerPosition = 16 * 5512 / 44100.0;

// Every channel plays pattern 1 at every position: a note every four rows,
// a stop note between some of them.
void WriteNotes(COvkModuleData& song, int positions)
{
    for (int c = 0; c < kChannels; ++c) {
        for (int p = 0; p < positions; ++p)
            song.orderTable[c][p] = 1;
        for (int r = 0; r < kRows; r += 4)
            song.patterns[c][1][r] = static_cast<std::uint32_t>(34 + 3 * c + r);
        song.patterns[c][1][14] = kStopNote;
    }
}

void MakeLight(COvkModuleData& song, int positions) { WriteNotes(song, positions); }

TOvkEnvelope Moving(std::int32_t min, std::int32_t max, std::int32_t speed)
{
    TOvkEnvelope e;
    e.min = min;
    e.max = max;
    e.speed = speed;
    e.keepEnabled = false;
    return e;
}

void MakeHeavy(COvkModuleData& song, int positions)
{
    WriteNotes(song, positions);
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

void MakeEveryEffect(COvkModuleData& song, int positions)
{
    MakeHeavy(song, positions);
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
    void (*make)(COvkModuleData&, int positions);
};
const TSong kSongs[] = {{"light", MakeLight}, {"heavy", MakeHeavy}, {"every_effect", MakeEveryEffect}};
const TSong& kLight = kSongs[0];
const TSong& kHeavy = kSongs[1];

std::string g_songFolder;
std::string g_cli;

std::string SongPath(const TSong& song) { return g_songFolder + "/" + song.name + ".tonvik"; }

void WriteSongs(const std::string& folder, int positions)
{
    for (const TSong& song : kSongs) {
        COvkModuleData data;
        song.make(data, positions);
        SaveSongFile(morvane::utf::PathFromBytes(folder + "/" + song.name + ".tonvik").c_str(), data);
    }
}

double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One render: its wall and CPU seconds, and the bytes it gave.
struct TRun {
    double wall = 0;
    double cpu = 0;
    std::vector<std::uint8_t> bytes;
};

// The song rendered in this process from its start: one thread reads a player
// 40 ms at a time (as the audio plug-in does), more read a CParallelRender
// 256 KiB at a time (as the WAV export does). keep: return the bytes too.
TRun RenderInPlayer(const TSong& song, unsigned threads, bool keep)
{
    CRef<COvkModule> module = CRef<COvkModule>::Adopt(new COvkModule);
    song.make(*module->Lock(kSongWrite), kSongPositions);
    module->Unlock();
    // As a new thread would find it, like the export's.
    CNoiseGenerator::ResetForThisThread();
    TRun run;
    const double wallStart = Seconds(CLOCK_MONOTONIC);
    const double cpuStart = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    std::vector<std::uint8_t> buffer(threads == 1 ? 2 * 1764 : 256 * 1024);
    auto collect = [&](std::uint64_t got) {
        if (keep)
            run.bytes.insert(run.bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        return got == buffer.size();
    };
    if (threads == 1) {
        CRef<COvkModulePlayer> player = CRef<COvkModulePlayer>::Adopt(new COvkModulePlayer);
        player->Connect(module.Get());
        while (collect(player->Read(buffer.data(), buffer.size()))) {
        }
    } else {
        CParallelRender render(module.Get(), threads);
        while (collect(render.Read(buffer.data(), buffer.size()))) {
        }
    }
    run.cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
    run.wall = Seconds(CLOCK_MONOTONIC) - wallStart;
    return run;
}

// tonvik3-cli render --threads N SONG OUT.wav as a process of its own, into
// a new file (replacing a file of 11 MB costs about 3 ms more here: the
// file system frees its blocks); CPU time is the child's, user and system.
// keep: return the file's bytes too.
TRun RenderInProcess(const TSong& song, unsigned threads, bool keep)
{
    const std::string in = SongPath(song);
    const std::string out = g_songFolder + "/" + song.name + ".wav";
    const std::string threadArgument = std::to_string(threads);
    std::remove(out.c_str());
    TRun run;
    const double wallStart = Seconds(CLOCK_MONOTONIC);
    const pid_t pid = fork();
    if (pid == 0) {
        execl(g_cli.c_str(), g_cli.c_str(), "render", "--threads", threadArgument.c_str(), in.c_str(), out.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wall = Seconds(CLOCK_MONOTONIC) - wallStart;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.wall = -1;
        return run;
    }
    if (keep) {
        std::ifstream file(out, std::ios::binary);
        run.bytes.assign(std::istreambuf_iterator<char>(file), {});
        run.bytes.erase(run.bytes.begin(), run.bytes.begin() + std::min<std::size_t>(44, run.bytes.size()));
    }
    return run;
}

constexpr double kSongSeconds = kSongPositions * kSecondsPerPosition;

void BM_Player(benchmark::State& state, const TSong& song, unsigned threads)
{
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const TRun run = RenderInPlayer(song, threads, false);
        wall += run.wall;
        cpu += run.cpu;
        state.SetIterationTime(run.wall);
    }
    state.counters["x_realtime"] = kSongSeconds * static_cast<double>(state.iterations()) / wall;
    state.counters["x_cpu"] = kSongSeconds * static_cast<double>(state.iterations()) / cpu;
}

void BM_Process(benchmark::State& state, const TSong& song, unsigned threads)
{
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const TRun run = RenderInProcess(song, threads, false);
        if (run.wall < 0) {
            state.SkipWithError("tonvik3-cli render failed");
            return;
        }
        wall += run.wall;
        cpu += run.cpu;
        state.SetIterationTime(run.wall);
    }
    state.counters["x_realtime"] = kSongSeconds * static_cast<double>(state.iterations()) / wall;
    state.counters["x_cpu"] = kSongSeconds * static_cast<double>(state.iterations()) / cpu;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// --goals: each way of rendering light and heavy, runs times, interleaved so
// that a busy minute of the machine weighs on every way alike.
int Goals(int runs)
{
    struct TWay {
        const TSong* song;
        bool process;
        unsigned threads;
        double goal;  // x real time that the whole process must reach; 0: none
        std::vector<double> wall, cpu;
        std::vector<std::uint8_t> first;
        bool same = true;
    };
    const unsigned cores = CParallelRender::DefaultThreads();
    std::vector<TWay> ways;
    for (const TSong* song : {&kHeavy, &kLight}) {
        const double goal = song == &kHeavy ? 600 : 3000;
        for (const bool process : {true, false}) {
            ways.push_back({song, process, cores, process ? goal : 0, {}, {}, {}, true});
            if (cores > 1)
                ways.push_back({song, process, 1, 0, {}, {}, {}, true});
        }
    }
    for (int r = 0; r < runs; ++r) {
        for (TWay& way : ways) {
            const TRun run = way.process ? RenderInProcess(*way.song, way.threads, true)
                                         : RenderInPlayer(*way.song, way.threads, true);
            if (run.wall < 0) {
                std::fprintf(stderr, "tonvik3-cli render failed\n");
                return 1;
            }
            way.wall.push_back(run.wall);
            way.cpu.push_back(run.cpu);
            if (way.first.empty())
                way.first = run.bytes;
            way.same = way.same && run.bytes == way.first;
        }
    }
    std::printf("Render speed, medians of %d runs; %.0f s of audio per song; %u core%s\n", runs, kSongSeconds, cores,
                cores == 1 ? "" : "s");
    std::printf("%-6s %-14s %7s %9s %12s %9s %12s  %s\n", "song", "measured", "threads", "wall s", "x real time",
                "CPU s", "x CPU time", "goal");
    bool allSame = true;
    for (const TWay& way : ways) {
        const double wall = Median(way.wall), cpu = Median(way.cpu);
        const double speed = kSongSeconds / wall;
        std::string goal;
        if (way.goal > 0)
            goal = (speed >= way.goal ? ">= " : "below ") + std::to_string(static_cast<int>(way.goal)) + "x";
        std::printf("%-6s %-14s %7u %9.4f %12.0f %9.4f %12.0f  %s\n", way.song->name,
                    way.process ? "whole process" : "player alone", way.threads, wall, speed, cpu, kSongSeconds / cpu,
                    goal.c_str());
        allSame = allSame && way.same;
    }
    // Every run of a song, whichever way, must have given the same samples.
    for (const TSong* song : {&kHeavy, &kLight}) {
        const std::vector<std::uint8_t>* reference = nullptr;
        for (const TWay& way : ways) {
            if (way.song != song)
                continue;
            if (!reference)
                reference = &way.first;
            allSame = allSame && way.first == *reference;
        }
        std::printf("%s: %zu bytes of samples\n", song->name, reference ? reference->size() : 0);
    }
    std::printf("identical bytes in every run: %s\n", allSame ? "yes" : "NO");
    return allSame ? 0 : 1;
}

// --instructions: callgrind's count for tonvik3-cli render of 16 s songs.
int Instructions()
{
    if (std::system("valgrind --version >/dev/null 2>&1") != 0) {
        std::printf("valgrind is not installed: no instruction counts\n");
        return 0;
    }
    constexpr int kPositions = 8;
    const double samples = kPositions * 16 * 5512.0;
    WriteSongs(g_songFolder, kPositions);
    std::printf("Instructions per sample (callgrind, tonvik3-cli render of %d s songs, start-up included)\n",
                kPositions * 2);
    for (const TSong* song : {&kLight, &kHeavy}) {
        for (const unsigned threads : {1u, 2u}) {
            const std::string log = g_songFolder + "/callgrind.log";
            const std::string command = "valgrind --tool=callgrind --callgrind-out-file=/dev/null " + g_cli +
                                        " render --threads " + std::to_string(threads) + " " + SongPath(*song) + " " +
                                        g_songFolder + "/out.wav 2>" + log;
            if (std::system(command.c_str()) != 0) {
                std::printf("%s: valgrind failed (see %s)\n", song->name, log.c_str());
                return 1;
            }
            std::ifstream file(log);
            std::string line;
            double collected = 0;
            while (std::getline(file, line)) {
                const std::size_t at = line.find("Collected : ");
                if (at != std::string::npos)
                    collected = std::stod(line.substr(at + 12));
            }
            std::printf("%-6s threads %u: %.0f instructions in all, %.1f per sample\n", song->name, threads, collected,
                        collected / samples);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string writeTo;
    int positions = kSongPositions;
    int runs = 5;
    bool goals = false, instructions = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--write-songs") == 0 && hasValue)
            writeTo = argv[++i];
        else if (std::strcmp(argv[i], "--positions") == 0 && hasValue)
            positions = std::clamp(std::atoi(argv[++i]), 1, 256);
        else if (std::strcmp(argv[i], "--runs") == 0 && hasValue)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--goals") == 0)
            goals = true;
        else if (std::strcmp(argv[i], "--instructions") == 0)
            instructions = true;
    }
    morvane::q.Init();
    ovk::RegisterCoreClasses();
    if (!writeTo.empty()) {
        WriteSongs(writeTo, positions);
        morvane::q.Close();
        return 0;
    }

    // The songs as files for the whole-process runs, and the program beside this one.
    char folder[] = "/tmp/bench_render-XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_songFolder = folder;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    g_cli = (self.parent_path() / "tonvik3-cli").string();
    WriteSongs(g_songFolder, kSongPositions);

    int status = 0;
    if (goals || instructions) {
        status = goals ? Goals(runs) : Instructions();
    } else {
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        std::vector<unsigned> threadCounts = {1};
        if (CParallelRender::DefaultThreads() > 1)
            threadCounts.push_back(CParallelRender::DefaultThreads());
        for (const TSong& song : kSongs) {
            for (const unsigned threads : threadCounts) {
                const std::string suffix = std::string(song.name) + "/threads:" + std::to_string(threads);
                benchmark::RegisterBenchmark(("BM_Player/" + suffix).c_str(), BM_Player, song, threads)
                    ->Unit(benchmark::kMillisecond)
                    ->UseManualTime();
                if (std::filesystem::exists(g_cli))
                    benchmark::RegisterBenchmark(("BM_Process/" + suffix).c_str(), BM_Process, song, threads)
                        ->Unit(benchmark::kMillisecond)
                        ->UseManualTime();
            }
        }
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    std::filesystem::remove_all(g_songFolder);
    morvane::q.Close();
    return status;
}
