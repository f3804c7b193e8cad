#pragma once
#include <cstdint>
#include <cstdio>

namespace morvane::fileutil {

// Opens a wide path through its bytes (utf::PathToBytes). A folder is not a
// file: opening one gives null, as any other failure does; errno then tells
// why (EISDIR for a folder).
std::FILE* OpenFile(const wchar_t* path, const char* mode);

// Positions a C stream; false when the position does not fit or the seek fails.
bool SeekTo(std::FILE* file, std::uint64_t position);
bool SeekToEnd(std::FILE* file);
// The position, or false when the C library cannot tell it.
bool TellPosition(std::FILE* file, std::uint64_t& position);

} // namespace morvane::fileutil
