#include "FuzzSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/module/CoreClasses.h"
#include "morvane/api/CMorvane.h"

namespace fuzz {

void OpenFramework()
{
    if (!morvane::q.IsInitialized()) {
        morvane::q.Init();
        ovk::RegisterCoreClasses();
        // libFuzzer leaves through exit(): close the framework on the way.
        std::atexit([] { morvane::q.Close(); });
    }
}

std::uint64_t CBytesIs::Read(void* buffer, std::uint64_t count)
{
    if (!buffer)
        MRV_THROW(morvane::CNullPtrException, L"fuzz::CBytesIs::Read", L"buffer is NULL");
    const std::uint64_t left = m_position < m_size ? m_size - m_position : 0;
    const std::uint64_t n = std::min(count, left);
    if (n > 0)
        std::memcpy(buffer, m_data + m_position, static_cast<std::size_t>(n));
    m_position += n;
    return n;
}

bool Sampled(const std::uint8_t* data, std::size_t size)
{
    // A hash of all the bytes, eight at a time: a song is read in a fraction
    // of the time that hashing it byte by byte would take.
    std::uint64_t hash = size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + i, 8);
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
    }
    for (; i < size; ++i)
        hash = (hash ^ data[i]) * 0x9E3779B97F4A7C15ull;
    return ((hash >> 32) & 15) == 0;
}

void CheckRefusal(const morvane::CException& e)
{
    if (e.GetType() != morvane::EXCEPTION_DATA_FORMAT)
        Fail("a damaged file raised something else than a format error");
    const wchar_t* reason = e.GetReason();
    if (std::wcscmp(reason, L"Invalid file format") != 0 && std::wcscmp(reason, L"Invalid data format") != 0)
        Fail("a damaged file was refused with another reason");
}

} // namespace fuzz
