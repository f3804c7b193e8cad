// Song files: any bytes either load or are refused with a format message. A
// song that loads saves, loads again and saves to the same bytes, and exports.
#include "FuzzSupport.h"
#include "core/export/COvkCSourceExport.h"
#include "core/song/COvkModuleData.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::OpenFramework();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ovk::COvkModuleData song;
    try {
        song.Load(fuzz::InputOf(data, size).Get());
    } catch (const morvane::CException& e) {
        fuzz::CheckRefusal(e);
        return 0;
    }
    const auto saved = fuzz::Written([&](morvane::IOutputStream* s) { song.Save(s); });
    ovk::COvkModuleData again;
    try {
        again.Load(fuzz::InputOf(saved.data(), saved.size()).Get());
    } catch (const morvane::CException&) {
        fuzz::Fail("a saved song does not load");
    }
    if (fuzz::Written([&](morvane::IOutputStream* s) { again.Save(s); }) != saved)
        fuzz::Fail("a saved song does not save to the same bytes");
    fuzz::Written([&](morvane::IOutputStream* s) { ovk::COvkCSourceExport(song).Write(s); });
    return 0;
}
