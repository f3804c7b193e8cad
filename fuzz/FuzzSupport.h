#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "morvane/api/CException.h"
#include "morvane/api/CRef.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"

// Shared by the fuzz targets: the framework opened once, bytes as streams,
// and a stop for outcomes that must never happen.
namespace fuzz {

// Opens the framework and registers the song engine's classes.
void OpenFramework();

inline morvane::CRef<morvane::CResourceIs> InputOf(const std::uint8_t* data, std::size_t size)
{
    return morvane::CRef<morvane::CResourceIs>::Adopt(
        morvane::CResourceIs::FromBytes(std::vector<std::uint8_t>(data, data + size)));
}

// Runs write on a memory stream and gives the bytes written.
template <class Fn>
std::vector<std::uint8_t> Written(Fn write)
{
    auto resource = morvane::CRef<morvane::IResource>::Adopt(new morvane::CResource());
    auto stream = morvane::CRef<morvane::CResourceOs>::Adopt(new morvane::CResourceOs(resource.Get()));
    write(stream.Get());
    return stream->GetBytes();
}

[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

// A damaged file may only ever be refused with one of the two format messages.
void CheckRefusal(const morvane::CException& e);

// Loads the bytes into loaded (a song or a channel). Refused bytes must carry a
// format message, and give false. Loaded ones must save, load again and save
// to the same bytes; what names the kind of file in the failure messages.
template <class T>
bool LoadsAndRoundTrips(const std::uint8_t* data, std::size_t size, T& loaded, const char* what)
{
    try {
        loaded.Load(InputOf(data, size).Get());
    } catch (const morvane::CException& e) {
        CheckRefusal(e);
        return false;
    }
    const auto saved = Written([&](morvane::IOutputStream* s) { loaded.Save(s); });
    T again;
    try {
        again.Load(InputOf(saved.data(), saved.size()).Get());
    } catch (const morvane::CException&) {
        Fail((std::string("a saved ") + what + " does not load").c_str());
    }
    if (Written([&](morvane::IOutputStream* s) { again.Save(s); }) != saved)
        Fail((std::string("a saved ") + what + " does not save to the same bytes").c_str());
    return true;
}

} // namespace fuzz
