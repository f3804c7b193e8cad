#include "SongFileTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/export/COvkCSourceExport.h"
#include "morvane/api/CMorvane.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"
#include "support/TestSupport.h"

namespace tonvik_test {

using morvane::CRef;

TBytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const TBytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TBytes GoldenBytes(const std::string& name) { return ReadFileBytes(DataPath("golden/" + name)); }

long long FirstDifference(const TBytes& a, const TBytes& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return static_cast<long long>(i);
    return a.size() == b.size() ? -1 : static_cast<long long>(n);
}

TBytes WriteToMemory(const std::function<void(morvane::IOutputStream*)>& write)
{
    auto resource = CRef<morvane::IResource>::Adopt(new morvane::CResource());
    auto stream = CRef<morvane::CResourceOs>::Adopt(new morvane::CResourceOs(resource.Get()));
    write(stream.Get());
    return stream->GetBytes();
}

morvane::CRef<ovk::IOvkModule> SongModule(const ovk::COvkModuleData& song)
{
    auto module = morvane::CreateRef<ovk::IOvkModule>(L"ovk::COvkModule");
    if (!module)
        throw std::runtime_error("the song class does not offer its interface");
    *module->Lock(2) = song;
    module->Unlock();
    return module;
}

namespace {

template <class Fn>
void ReadFromMemory(const TBytes& bytes, Fn read)
{
    auto stream = CRef<morvane::CResourceIs>::Adopt(morvane::CResourceIs::FromBytes(bytes));
    read(stream.Get());
}

} // namespace

TBytes SaveSong(const ovk::COvkModuleData& song)
{
    return WriteToMemory([&](morvane::IOutputStream* s) { song.Save(s); });
}

void LoadSong(ovk::COvkModuleData& song, const TBytes& bytes)
{
    ReadFromMemory(bytes, [&](morvane::IInputStream* s) { song.Load(s); });
}

TBytes SaveInstrument(const ovk::COvkModuleChannel& channel)
{
    return WriteToMemory([&](morvane::IOutputStream* s) { channel.Save(s); });
}

void LoadInstrument(ovk::COvkModuleChannel& channel, const TBytes& bytes)
{
    ReadFromMemory(bytes, [&](morvane::IInputStream* s) { channel.Load(s); });
}

TBytes ExportC(const ovk::COvkModuleData& song)
{
    return WriteToMemory([&](morvane::IOutputStream* s) { ovk::COvkCSourceExport(song).Write(s); });
}

CBytes& CBytes::I32(std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
    return *this;
}

CBytes& CBytes::U8(std::uint8_t value)
{
    m_bytes.push_back(value);
    return *this;
}

CBytes& CBytes::F32(float value)
{
    std::int32_t bits;
    std::memcpy(&bits, &value, 4);
    return I32(bits);
}

CBytes& CBytes::Envelope(const ovk::TOvkEnvelope& e)
{
    return I32(e.min)
        .I32(e.max)
        .I32(e.speed)
        .I32(e.resetMode)
        .I32(e.phase)
        .I32(e.keepPosition)
        .I32(e.sustainPosition)
        .Bool(e.keepEnabled)
        .Bool(e.sustainEnabled);
}

CBytes& CBytes::OldEnvelope(const float (&x)[6], bool keep, bool sustain, bool songReset)
{
    for (float v : x)
        F32(v);
    return Bool(keep).Bool(sustain).Bool(songReset);
}

CBytes& CBytes::SongHeader(const std::string& text)
{
    U8(0xFF).U8(0xFE).U8(0xFF).U8(static_cast<std::uint8_t>(text.size()));
    for (char ch : text)
        U8(static_cast<std::uint8_t>(ch)).U8(0);
    return *this;
}

CBytes& CBytes::InstrumentHeader(const std::string& text)
{
    I32(static_cast<std::int32_t>(text.size()));
    for (char ch : text)
        U8(static_cast<std::uint8_t>(ch)).U8(0);
    return *this;
}

CBytes& CBytes::Append(const TBytes& bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

bool SameSong(const ovk::COvkModuleData& a, const ovk::COvkModuleData& b)
{
    if (a.tempo != b.tempo || a.masterVolume != b.masterVolume)
        return false;
    if (std::memcmp(&a.NoteData(), &b.NoteData(), sizeof(ovk::TOvkNoteData)) != 0)
        return false;
    for (int c = 0; c < ovk::kChannels; ++c)
        if (!(a.channels[c] == b.channels[c]))
            return false;
    return true;
}

ovk::TOvkEnvelope Moving(int speed)
{
    ovk::TOvkEnvelope e;
    e.keepEnabled = false;
    e.speed = speed;
    return e;
}

ovk::TOvkEnvelope MarkedEnvelope(int seed)
{
    ovk::TOvkEnvelope e;
    e.min = -seed;
    e.max = 1000 + seed;
    e.speed = 7 + seed;
    e.resetMode = seed % 5;
    e.phase = 2048 * (seed % 32);
    e.keepPosition = 4096 + seed;
    e.sustainPosition = 8192 + seed;
    e.keepEnabled = seed % 2 == 0;
    e.sustainEnabled = seed % 3 == 0;
    return e;
}

} // namespace tonvik_test
