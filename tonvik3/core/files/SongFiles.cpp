#include "core/files/SongFiles.h"

#include "core/files/AtomicFile.h"
#include "morvane/data/CStreamSelectors.h"

namespace ovk {

void LoadSongFile(const wchar_t* path, COvkModuleData& song)
{
    morvane::CInputStreamSelector selector(path);
    song.Load(selector.GetInputStreamTmp());
}

void SaveSongFile(const wchar_t* path, const COvkModuleData& song)
{
    WriteFileAtomically(path, [&song](morvane::IOutputStream* stream) { song.Save(stream); });
}

void LoadInstrumentFile(const wchar_t* path, COvkModuleChannel& channel)
{
    morvane::CInputStreamSelector selector(path);
    channel.Load(selector.GetInputStreamTmp());
}

void SaveInstrumentFile(const wchar_t* path, const COvkModuleChannel& channel)
{
    WriteFileAtomically(path, [&channel](morvane::IOutputStream* stream) { channel.Save(stream); });
}

} // namespace ovk
