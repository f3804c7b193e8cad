#pragma once
#include <string>
#include "core/song/COvkModuleChannel.h"
#include "core/export/SongTableSize.h"
#include "core/song/COvkModuleData.h"

namespace ovk {

// Every field of a song or of one instrument as JSON text (UTF-8, 2-space
// indentation, lists of numbers on one line, a final line feed), with the
// field names of the song data. The song's text ends with a "derived" object
// holding its song length and row length, and, when tables is given, the
// size of its C tables (tableBytes, tableBytesDeflated). Pattern numbers and
// notes are written as the unsigned values they are stored as.
std::string SongToJson(const COvkModuleData& song, const TSongTableSize* tables = nullptr);
std::string ChannelToJson(const COvkModuleChannel& channel);

} // namespace ovk
