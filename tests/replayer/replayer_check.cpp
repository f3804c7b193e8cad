// Built with the replayer and one exported song; compares what the replayer
// renders with the editor's render of the same song:
//   replayer_check EDITOR.wav
// 1. OvkReplayerLength is the render's length;
// 2. the whole song, rendered in uneven chunks (0, 1, around an envelope step,
//    around a row, long runs), equals the render sample for sample;
// 3. after the end the replayer gives silence;
// 4. after OvkReplayerInit again, the song rendered in one call is the same again.
// Exits 0 when all hold; 3 when samples differ from the editor's (saying where
// first); 1 for any other fault, 2 when the WAV file cannot be read.
#include <stdio.h>
#include <stdlib.h>

#include "OvkSongDataDefines.h"
#include "OvkReplayer.h"

namespace {

short* ReadWav(const char* path, unsigned& count)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return nullptr;
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    fseek(file, 44, SEEK_SET);
    count = size >= 44 ? (unsigned)(size - 44) / 2 : 0;
    short* samples = (short*)malloc(2 * (size_t)count + 2);
    unsigned char* bytes = (unsigned char*)samples;
    const bool read = samples && fread(bytes, 1, 2 * (size_t)count, file) == 2 * (size_t)count;
    fclose(file);
    if (!read) {
        free(samples);
        return nullptr;
    }
    for (unsigned i = 0; i < count; ++i)  // little-endian on every machine
        samples[i] = (short)(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

bool Same(const short* got, const short* want, unsigned first, unsigned count, const char* what)
{
    for (unsigned i = 0; i < count; ++i) {
        if (got[i] == want[i])
            continue;
        const unsigned at = first + i;
        const unsigned row = at / OVKSONG_ROWLENSAMPLES;
        fprintf(stderr, "%s: sample %u (order position %u, row %u, sample %u of the row) is %d, the editor's %d\n",
                what, at, row / 16, row % 16, at % OVKSONG_ROWLENSAMPLES, got[i], want[i]);
        return false;
    }
    return true;
}

// The checks above on a song of count samples; got has room for count + kPastEnd + 2.
const unsigned kPastEnd = 1000;
int Check(short* got, const short* want, unsigned count)
{
    OvkReplayerInit();
    if (OvkReplayerLength() != count) {
        fprintf(stderr, "OvkReplayerLength is %u, the editor's render %u samples\n", OvkReplayerLength(), count);
        return 1;
    }
    // Chunk sizes that cut the song everywhere: empty, single samples, around
    // the 44-sample envelope step and the row length, and long runs.
    const unsigned kChunks[] = {0, 1, 2, 43, 44, 45, 87, 1, 0, 3, 500,
                                OVKSONG_ROWLENSAMPLES - 1, OVKSONG_ROWLENSAMPLES + 1, 7 * OVKSONG_ROWLENSAMPLES + 5};
    unsigned done = 0;
    for (unsigned k = 0; done < count; ++k) {
        unsigned chunk = kChunks[k % (sizeof(kChunks) / sizeof(kChunks[0]))];
        if (chunk > count - done)
            chunk = count - done;
        for (unsigned i = 0; i < chunk + 2; ++i)
            got[done + i] = (short)0x5A5A;  // what the replayer must overwrite
        OvkReplayerRender(got + done, chunk);
        if (!Same(got + done, want + done, done, chunk, "in chunks"))
            return 3;
        if (got[done + chunk] != (short)0x5A5A) {
            fprintf(stderr, "a render of %u samples at sample %u wrote past its end\n", chunk, done);
            return 1;
        }
        done += chunk;
    }
    OvkReplayerRender(got, kPastEnd);
    for (unsigned i = 0; i < kPastEnd; ++i) {
        if (got[i] != 0) {
            fprintf(stderr, "sample %u after the end is %d, not silence\n", i, got[i]);
            return 1;
        }
    }

    OvkReplayerInit();
    OvkReplayerRender(got, count);
    if (!Same(got, want, 0, count, "again in one call"))
        return 3;
    printf("%u samples identical\n", count);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    unsigned count = 0;
    short* want = argc == 2 ? ReadWav(argv[1], count) : nullptr;
    if (!want) {
        fprintf(stderr, "usage: replayer_check EDITOR.wav (a WAV file that can be read)\n");
        return 2;
    }
    short* got = (short*)malloc(2 * ((size_t)count + kPastEnd) + 4);
    const int status = got ? Check(got, want, count) : 2;
    free(got);
    free(want);
    return status;
}
