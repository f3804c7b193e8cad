#pragma once
#include <cstdint>
#include <vector>
#include "core/song/COvkModuleData.h"

namespace ovk {

// What a song's C tables take in a program built with the replayer.
struct TSongTableSize {
    std::uint64_t bytes = 0;     // the arrays, laid out with the replayer's record types
    std::uint64_t deflated = 0;  // those bytes deflated by zlib at level 9: a guide to what a compressing linker keeps
};

TSongTableSize SongTableSize(const COvkModuleData& song);

// The bytes of the tables' arrays as the compiler lays them out on a
// little-endian machine (padding as zeros), one array after the other in the
// order of the export's text.
std::vector<std::uint8_t> SongTableImage(const COvkModuleData& song);

} // namespace ovk
