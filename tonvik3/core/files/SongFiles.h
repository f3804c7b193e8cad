#pragma once
#include "core/song/COvkModuleChannel.h"
#include "core/song/COvkModuleData.h"

namespace ovk {

// Song and instrument files by path. Loading opens the file through an input
// stream selector; saving goes through WriteFileAtomically, so a failed save
// leaves the previous file as it was. Errors are the framework's exceptions:
// CFileAccessException when the file cannot be opened or created,
// CDataFormatException "Invalid file format" / "Invalid data format" for a
// file that is not a valid song or instrument.
void LoadSongFile(const wchar_t* path, COvkModuleData& song);
void SaveSongFile(const wchar_t* path, const COvkModuleData& song);
void LoadInstrumentFile(const wchar_t* path, COvkModuleChannel& channel);
void SaveInstrumentFile(const wchar_t* path, const COvkModuleChannel& channel);

} // namespace ovk
