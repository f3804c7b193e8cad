#pragma once
#include <SDL.h>

namespace mrvx_std_dxa8 {

// The SDL functions that the sound system calls, taken from libSDL2 when
// audio is first wanted rather than linked: SDL pulls in some fifty libraries
// (X11, Wayland, PulseAudio, codecs ...) that a program which never plays
// should not pay for at start-up.
struct TSdlLibrary {
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_InitSubSystem) InitSubSystem;
    decltype(&SDL_QuitSubSystem) QuitSubSystem;
    decltype(&SDL_Quit) Quit;
    decltype(&SDL_GetError) GetError;
    decltype(&SDL_GetCurrentAudioDriver) GetCurrentAudioDriver;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice;
    decltype(&SDL_TLSCleanup) TLSCleanup;

    // Loads the library on the first call (from any thread); null when it is
    // missing or lacks a function, which the sound system takes as no card.
    // Once loaded it stays for the rest of the process.
    static const TSdlLibrary* Load();
    // The library if an earlier Load found it; never loads it.
    static const TSdlLibrary* IfLoaded();
};

} // namespace mrvx_std_dxa8
