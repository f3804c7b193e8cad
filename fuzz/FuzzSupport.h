#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "morvane/api/CException.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CInputStream.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"

// Shared by the fuzz targets: the framework opened once, bytes as streams,
// and a stop for outcomes that must never happen.
namespace fuzz {

// Opens the framework and registers the song engine's classes.
void OpenFramework();

// The fuzzer's input as a stream, read where it lies: no copy, no lock per
// read (a loader reads a song in thousands of small pieces).
class CBytesIs : public morvane::CInputStreamImpl<morvane::IInputStream> {
public:
    static constexpr morvane::CId kClassId{0xF0221E57, 0x8A4B4C1D, 0x9E5F0A31, 0x42D7C6B9};

    CBytesIs(const std::uint8_t* data, std::size_t size) : CInputStreamImpl(kClassId), m_data(data), m_size(size) {}

    unsigned int GetCaps() override { return morvane::STREAM_CAN_SEEK | morvane::STREAM_CAN_TELL | morvane::STREAM_CAN_GET_LENGTH; }
    std::uint64_t GetLength() override { return m_size; }
    void Seek(std::uint64_t position) override { m_position = position; }
    std::uint64_t Tell() override { return m_position; }
    bool Eof() override { return m_position >= m_size; }
    std::uint64_t Read(void* buffer, std::uint64_t count) override;
    void Skip(std::uint64_t count) override { m_position += count; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::uint64_t m_position = 0;
};

// Whether this input also goes through the slow checks (saving, loading again
// and the exports): one input in 16, chosen by its bytes, so that an input
// that failed does the same again when it is run alone.
bool Sampled(const std::uint8_t* data, std::size_t size);

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
// format message, and give false.
template <class T>
bool Loads(const std::uint8_t* data, std::size_t size, T& loaded)
{
    CBytesIs stream(data, size);
    stream.AddRef();  // on the stack: the count never reaches 0
    try {
        loaded.Load(&stream);
    } catch (const morvane::CException& e) {
        CheckRefusal(e);
        return false;
    }
    return true;
}

// What loaded must save, load again and save to the same bytes; what names
// the kind of file in the failure messages.
template <class T>
void CheckRoundTrip(const T& loaded, const char* what)
{
    const auto saved = Written([&](morvane::IOutputStream* s) { loaded.Save(s); });
    T again;
    try {
        again.Load(InputOf(saved.data(), saved.size()).Get());
    } catch (const morvane::CException&) {
        Fail((std::string("a saved ") + what + " does not load").c_str());
    }
    if (Written([&](morvane::IOutputStream* s) { again.Save(s); }) != saved)
        Fail((std::string("a saved ") + what + " does not save to the same bytes").c_str());
}

} // namespace fuzz
