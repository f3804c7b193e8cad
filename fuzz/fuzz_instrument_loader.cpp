// Instrument files: loaded into a fresh channel, any bytes either load or are
// refused with a format message; an instrument that loads saves and loads
// again to the same bytes (checked on a sample of the inputs).
#include "FuzzSupport.h"
#include "core/song/COvkModuleChannel.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::OpenFramework();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One channel for every run, reset as a new one is (Load does not reset
    // it); its lists keep their memory.
    static ovk::COvkModuleChannel channel;
    channel.Reset();
    if (fuzz::Loads(data, size, channel) && fuzz::Sampled(data, size))
        fuzz::CheckRoundTrip(channel, "instrument");
    return 0;
}
