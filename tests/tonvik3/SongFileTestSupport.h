#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "core/module/IOvkModule.h"
#include "core/song/COvkModuleChannel.h"
#include "core/song/COvkModuleData.h"
#include "morvane/api/CRef.h"
#include "support/TempFolder.h"

namespace morvane {
class IOutputStream;
}

// Helpers for the song file, instrument file and export tests: files as byte
// vectors, temporary folders, song objects, and a builder for hand-made
// record streams.
namespace tonvik_test {

using TBytes = std::vector<std::uint8_t>;

TBytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const TBytes& bytes);
// A file of the reference set in the test tree.
TBytes GoldenBytes(const std::string& name);
// Index of the first byte in which a and b differ (or where the shorter one
// ends), -1 when they are equal.
long long FirstDifference(const TBytes& a, const TBytes& b);

// The bytes that write puts on an in-memory output stream.
TBytes WriteToMemory(const std::function<void(morvane::IOutputStream*)>& write);

// A song object from the class store holding song; the core classes must be registered.
morvane::CRef<ovk::IOvkModule> SongModule(const ovk::COvkModuleData& song);

// Through in-memory streams.
TBytes SaveSong(const ovk::COvkModuleData& song);
void LoadSong(ovk::COvkModuleData& song, const TBytes& bytes);
TBytes SaveInstrument(const ovk::COvkModuleChannel& channel);
void LoadInstrument(ovk::COvkModuleChannel& channel, const TBytes& bytes);
TBytes ExportC(const ovk::COvkModuleData& song);

// Little-endian values appended one after the other, as the value writer puts them.
class CBytes {
public:
    CBytes& I32(std::int32_t value);
    CBytes& U8(std::uint8_t value);
    CBytes& Bool(bool value) { return U8(value ? 1 : 0); }
    CBytes& F32(float value);
    CBytes& Envelope(const ovk::TOvkEnvelope& envelope);
    // An old-version envelope: six floats and three flags.
    CBytes& OldEnvelope(const float (&x)[6], bool keep, bool sustain, bool songReset);
    // The song header: FF FE FF, a count byte and UTF-16LE text.
    CBytes& SongHeader(const std::string& text);
    // The instrument header: a counted UTF-16 string.
    CBytes& InstrumentHeader(const std::string& text);
    CBytes& Append(const TBytes& bytes);

    const TBytes& Get() const { return m_bytes; }
    operator const TBytes&() const { return m_bytes; }

private:
    TBytes m_bytes;
};

// Every field equal.
bool SameSong(const ovk::COvkModuleData& a, const ovk::COvkModuleData& b);

// An envelope whose every field differs from the defaults.
ovk::TOvkEnvelope MarkedEnvelope(int seed);
// A free-running envelope (keep disabled) of the given speed.
ovk::TOvkEnvelope Moving(int speed);

} // namespace tonvik_test
