// Instrument files: loaded into a fresh channel, any bytes either load or are
// refused with a format message; an instrument that loads saves and loads
// again to the same bytes.
#include "FuzzSupport.h"
#include "core/song/COvkModuleChannel.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::OpenFramework();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ovk::COvkModuleChannel channel;
    try {
        channel.Load(fuzz::InputOf(data, size).Get());
    } catch (const morvane::CException& e) {
        fuzz::CheckRefusal(e);
        return 0;
    }
    const auto saved = fuzz::Written([&](morvane::IOutputStream* s) { channel.Save(s); });
    ovk::COvkModuleChannel again;
    try {
        again.Load(fuzz::InputOf(saved.data(), saved.size()).Get());
    } catch (const morvane::CException&) {
        fuzz::Fail("a saved instrument does not load");
    }
    if (fuzz::Written([&](morvane::IOutputStream* s) { again.Save(s); }) != saved)
        fuzz::Fail("a saved instrument does not save to the same bytes");
    return 0;
}
