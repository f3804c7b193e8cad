#include "SdlLibrary.h"

#include <dlfcn.h>

#include <atomic>
#include <type_traits>

#include "morvane/api/CDebug.h"
#include "morvane/api/Utf.h"

namespace mrvx_std_dxa8 {

namespace {

std::atomic<const TSdlLibrary*> g_loaded{nullptr};

const TSdlLibrary* Open()
{
    // The name the SDL 2 runtime package installs, whatever the development files.
    constexpr const char* kName = "libSDL2-2.0.so.0";
    // Not closed again: SDL may keep threads and handlers alive until the
    // process ends, and reopening it for every device would gain nothing.
    void* handle = dlopen(kName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_DEBUGGER, L"mrvx_std_dxa8: cannot load %ls: %ls",
                                      morvane::utf::FromUtf8(kName).c_str(),
                                      morvane::utf::FromUtf8(why ? why : "").c_str());
        return nullptr;
    }
    static TSdlLibrary sdl{};
    bool complete = true;
    auto find = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
        if (!function) {
            morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_DEBUGGER, L"mrvx_std_dxa8: %ls lacks %ls",
                                          morvane::utf::FromUtf8(kName).c_str(),
                                          morvane::utf::FromUtf8(name).c_str());
            complete = false;
        }
    };
    find(sdl.SetHint, "SDL_SetHint");
    find(sdl.InitSubSystem, "SDL_InitSubSystem");
    find(sdl.QuitSubSystem, "SDL_QuitSubSystem");
    find(sdl.Quit, "SDL_Quit");
    find(sdl.GetError, "SDL_GetError");
    find(sdl.GetCurrentAudioDriver, "SDL_GetCurrentAudioDriver");
    find(sdl.OpenAudioDevice, "SDL_OpenAudioDevice");
    find(sdl.PauseAudioDevice, "SDL_PauseAudioDevice");
    find(sdl.CloseAudioDevice, "SDL_CloseAudioDevice");
    find(sdl.TLSCleanup, "SDL_TLSCleanup");
    return complete ? &sdl : nullptr;
}

} // namespace

const TSdlLibrary* TSdlLibrary::Load()
{
    // Tried once; a library that is missing stays missing for this process.
    static const TSdlLibrary* const sdl = [] {
        const TSdlLibrary* opened = Open();
        g_loaded.store(opened, std::memory_order_release);
        return opened;
    }();
    return sdl;
}

const TSdlLibrary* TSdlLibrary::IfLoaded() { return g_loaded.load(std::memory_order_acquire); }

} // namespace mrvx_std_dxa8
