// Plays the song built into this program (see CMakeLists.txt) from start to end:
//   replayer_example             through the sound card
//   replayer_example --wav FILE  into a WAV file (44100 Hz, 16-bit mono)
// Like a size-limited program, it renders the whole song at start-up and then
// hands the samples to SDL.
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "OvkReplayer.h"

namespace {

const int kRate = 44100;

void Put32(unsigned char* at, unsigned value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (unsigned char)(value >> (8 * i));
}

bool WriteWav(const char* path, const short* samples, unsigned count)
{
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                16, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    Put32(header + 4, 36 + 2 * count);
    Put32(header + 24, kRate);
    Put32(header + 28, 2 * kRate);
    Put32(header + 40, 2 * count);
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool written = fwrite(header, 1, sizeof(header), file) == sizeof(header);
    for (unsigned i = 0; written && i < count; ++i) {
        const unsigned char bytes[2] = {(unsigned char)(samples[i] & 0xFF), (unsigned char)((samples[i] >> 8) & 0xFF)};
        written = fwrite(bytes, 1, 2, file) == 2;
    }
    return fclose(file) == 0 && written;
}

bool Play(const short* samples, unsigned count)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C ends the program
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        fprintf(stderr, "replayer_example: no sound: %s (--wav FILE writes the song to a file)\n", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 2048;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device == 0) {
        fprintf(stderr, "replayer_example: no sound device: %s (--wav FILE writes the song to a file)\n",
                SDL_GetError());
        SDL_Quit();
        return false;
    }
    const bool queued = SDL_QueueAudio(device, samples, 2 * count) == 0;
    SDL_PauseAudioDevice(device, 0);
    while (queued && SDL_GetQueuedAudioSize(device) > 0)
        SDL_Delay(50);
    SDL_Delay(100);  // what the device still holds
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return queued;
}

} // namespace

int main(int argc, char** argv)
{
    const char* wav = nullptr;
    if (argc == 3 && strcmp(argv[1], "--wav") == 0) {
        wav = argv[2];
    } else if (argc != 1) {
        fprintf(stderr, "usage: replayer_example [--wav FILE]\n");
        return 2;
    }
    OvkReplayerInit();
    const unsigned count = OvkReplayerLength();
    short* samples = (short*)malloc(2 * (size_t)count + 2);
    if (!samples) {
        fprintf(stderr, "replayer_example: not enough memory for %u samples\n", count);
        return 1;
    }
    OvkReplayerRender(samples, count);
    printf("%u samples (%.1f s)\n", count, count / (double)kRate);
    bool done;
    if (wav) {
        done = WriteWav(wav, samples, count);
        if (!done)
            fprintf(stderr, "replayer_example: cannot write '%s'\n", wav);
    } else {
        done = Play(samples, count);
    }
    free(samples);
    return done ? 0 : 1;
}
