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
    if (!fuzz::LoadsAndRoundTrips(data, size, song, "song"))
        return 0;
    fuzz::Written([&](morvane::IOutputStream* s) { ovk::COvkCSourceExport(song).Write(s); });
    return 0;
}
