// The replayer's speed on the heavy benchmark song of bench_render (128 s,
// eight channels of four FM pairs with moving envelopes, delay, resonance and
// low-pass in each): a program that plays a song this way renders it whole at
// start-up, so this is its load time.
//   bench_replayer [RUNS]
// Prints the time of OvkReplayerInit and of rendering the whole song (the best
// of RUNS, 3 by default), in CPU seconds of this thread, and the speed as
// seconds of audio per CPU second. Built with the replayer and the song by the
// project's compiler and flags; for instruction counts, which a shared machine
// does not disturb:
//   valgrind --tool=callgrind bench_replayer 1
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "OvkReplayer.h"

namespace {

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? atoi(argv[1]) : 3;
    const unsigned length = OvkReplayerLength();
    short* samples = (short*)malloc(2 * (size_t)length + 2);
    if (!samples || runs < 1)
        return 1;
    double bestInit = 1e30, bestRender = 1e30;
    long long sum = 0;
    for (int run = 0; run < runs; ++run) {
        const double start = CpuSeconds();
        OvkReplayerInit();
        const double prepared = CpuSeconds();
        OvkReplayerRender(samples, length);
        const double done = CpuSeconds();
        bestInit = prepared - start < bestInit ? prepared - start : bestInit;
        bestRender = done - prepared < bestRender ? done - prepared : bestRender;
        for (unsigned i = 0; i < length; ++i)
            sum += samples[i] < 0 ? -samples[i] : samples[i];
    }
    const double seconds = length / 44100.0;
    printf("song: %u samples (%.1f s)\n", length, seconds);
    printf("OvkReplayerInit: %.4f s\n", bestInit);
    printf("OvkReplayerRender, whole song: %.3f s, %.1f x real time\n", bestRender, seconds / bestRender);
    printf("(sum of magnitudes %lld)\n", sum);
    free(samples);
    return 0;
}
