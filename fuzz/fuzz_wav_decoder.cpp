// The WAV decoder: any bytes either connect or are refused with a framework
// exception; a connected decoder reads, seeks and tells within its data chunk.
#include <vector>

#include "FuzzSupport.h"
#include "morvane/data/filters/CWavDecoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::OpenFramework();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto source = fuzz::InputOf(data, size);
    auto decoder = morvane::CRef<morvane::CWavDecoder>::Adopt(new morvane::CWavDecoder());
    try {
        decoder->Connect(source.Get());
    } catch (const morvane::CException&) {
        return 0;
    }
    try {
        (void)decoder->GetFormat();
        // The length is what the data chunk claims, which a damaged file may overstate.
        const std::uint64_t length = decoder->GetLength();
        std::vector<std::uint8_t> buffer(1024);
        std::uint64_t total = 0;
        for (int reads = 0; reads < 4096; ++reads) {
            const std::uint64_t n = decoder->Read(buffer.data(), buffer.size());
            if (n > buffer.size())
                fuzz::Fail("a read delivered more than asked");
            total += n;
            if (n == 0)
                break;
        }
        if (total > length || total > size)
            fuzz::Fail("read past the data chunk");
        decoder->Seek(length / 2);
        if (decoder->Tell() != length / 2)
            fuzz::Fail("seek and tell disagree");
        decoder->Skip(3);
        (void)decoder->Read(buffer.data(), buffer.size());
        (void)decoder->Eof();
    } catch (const morvane::CException&) {
        // The decoder may refuse an operation; it must not break.
    }
    return 0;
}
