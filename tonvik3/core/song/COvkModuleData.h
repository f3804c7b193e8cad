#pragma once
#include <cstdint>
#include "core/song/COvkModuleChannel.h"

namespace morvane {
class IInputStream;
class IOutputStream;
class CVarReader;
} // namespace morvane

namespace ovk {

constexpr int kChannels = 8;
constexpr int kOrderPositions = 256;
constexpr int kPatterns = 16;
constexpr int kRows = 16;
constexpr std::uint32_t kStopNote = 255;
constexpr int kSampleRate = 44100;

// The note data: order table then patterns, 16384 contiguous bytes. The undo
// history copies exactly these bytes and the song file stores each half as
// 2048 words, so the layout is fixed.
struct TOvkNoteData {
    // Pattern number per channel and order position (0 = none).
    std::uint32_t orderTable[kChannels][kOrderPositions];
    // Note value per channel, pattern and row: 0 empty, 1-254 a note, 255 stop.
    std::uint32_t patterns[kChannels][kPatterns][kRows];
};
static_assert(sizeof(TOvkNoteData) == 16384);

// All of a song's data. The module object owns it and hands it out only
// under its lock.
class COvkModuleData : public TOvkNoteData {
public:
    COvkModuleData() { Reset(); }

    // A new song: master volume 100, tempo 120, no notes, every channel reset.
    void Reset();

    TOvkNoteData& NoteData() { return *this; }
    const TOvkNoteData& NoteData() const { return *this; }

    // Order table edits in every channel at once (p < 256).
    void InsertOrderPosition(int p);
    void DeleteOrderPosition(int p);
    // Row edits in one pattern of one channel.
    void InsertRow(int channel, int pattern, int row);
    void DeleteRow(int channel, int pattern, int row);
    // The lowest pattern 1-15 of the channel whose rows are all 0; 0 if none.
    int FirstEmptyPattern(int channel) const;
    // 1 + the highest order position that any channel uses; 0 for none.
    int SongLength() const;
    // Samples per row at this song's tempo.
    std::uint32_t RowLength() const { return RowLengthOf(tempo); }
    // Samples per row (a quarter beat) at a tempo: 5512 at 120.
    static std::uint32_t RowLengthOf(std::int32_t tempo);

    // Song files (.tonvik): Load resets the song, reads the header and
    // dispatches to the body reader of its version; Save writes the current version.
    void Load(morvane::IInputStream* stream);
    void LoadVersion3(morvane::CVarReader& reader);
    void LoadVersion2(morvane::CVarReader& reader);
    void Save(morvane::IOutputStream* stream) const;

    COvkModuleChannel channels[kChannels];
    std::int32_t masterVolume = 100;  // 1/256 steps
    std::int32_t tempo = 120;         // beats per minute
};

} // namespace ovk
