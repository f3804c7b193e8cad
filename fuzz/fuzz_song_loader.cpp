// Song files: any bytes either load or are refused with a format message. A
// song that loads saves, loads again and saves to the same bytes, and
// exports; those slower checks run on a sample of the inputs, so that most
// of the time goes to the loader.
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
    // One song for every run: Load resets it first, and the lists keep their
    // memory, so that a run allocates nothing it does not need.
    static ovk::COvkModuleData song;
    if (!fuzz::Loads(data, size, song) || !fuzz::Sampled(data, size))
        return 0;
    fuzz::CheckRoundTrip(song, "song");
    fuzz::Written([&](morvane::IOutputStream* s) { ovk::COvkCSourceExport(song).Write(s); });
    return 0;
}
