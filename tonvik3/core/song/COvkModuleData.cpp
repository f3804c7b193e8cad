#include "core/song/COvkModuleData.h"

#include <cmath>
#include <cstring>

namespace ovk {

void COvkModuleData::Reset()
{
    masterVolume = 100;
    tempo = 120;
    std::memset(&NoteData(), 0, sizeof(TOvkNoteData));
    for (COvkModuleChannel& channel : channels)
        channel.Reset();
}

void COvkModuleData::InsertOrderPosition(int p)
{
    if (p < 0 || p >= kOrderPositions)
        return;
    for (auto& column : orderTable) {
        std::memmove(&column[p + 1], &column[p], sizeof(column[0]) * static_cast<std::size_t>(kOrderPositions - 1 - p));
        column[p] = 0;
    }
}

void COvkModuleData::DeleteOrderPosition(int p)
{
    if (p < 0 || p >= kOrderPositions)
        return;
    for (auto& column : orderTable) {
        std::memmove(&column[p], &column[p + 1], sizeof(column[0]) * static_cast<std::size_t>(kOrderPositions - 1 - p));
        column[kOrderPositions - 1] = 0;
    }
}

void COvkModuleData::InsertRow(int channel, int pattern, int row)
{
    if (channel < 0 || channel >= kChannels || pattern < 0 || pattern >= kPatterns || row < 0 || row >= kRows)
        return;
    std::uint32_t* rows = patterns[channel][pattern];
    std::memmove(&rows[row + 1], &rows[row], sizeof(rows[0]) * static_cast<std::size_t>(kRows - 1 - row));
    rows[row] = 0;
}

void COvkModuleData::DeleteRow(int channel, int pattern, int row)
{
    if (channel < 0 || channel >= kChannels || pattern < 0 || pattern >= kPatterns || row < 0 || row >= kRows)
        return;
    std::uint32_t* rows = patterns[channel][pattern];
    std::memmove(&rows[row], &rows[row + 1], sizeof(rows[0]) * static_cast<std::size_t>(kRows - 1 - row));
    rows[kRows - 1] = 0;
}

int COvkModuleData::FirstEmptyPattern(int channel) const
{
    if (channel < 0 || channel >= kChannels)
        return 0;
    for (int p = 1; p < kPatterns; ++p) {
        bool empty = true;
        for (std::uint32_t note : patterns[channel][p])
            empty = empty && note == 0;
        if (empty)
            return p;
    }
    return 0;
}

int COvkModuleData::SongLength() const
{
    for (int p = kOrderPositions - 1; p >= 0; --p)
        for (const auto& column : orderTable)
            if (column[p] != 0)
                return p + 1;
    return 0;
}

std::uint32_t COvkModuleData::RowLengthOf(std::int32_t tempo)
{
    // A beat is four rows. x and y are each rounded to single precision; the
    // product y * 44100 is exact in double precision. A tempo below 1 (only a
    // damaged file has one) counts as 1, and a row is at least one sample, so
    // positions can always be divided by the row length.
    if (tempo < 1)
        tempo = 1;
    const float x = static_cast<float>(static_cast<double>(tempo) / 60.0 * 4.0);
    const float y = 1.0f / x;
    const double samples = std::trunc(static_cast<double>(y) * kSampleRate);
    return samples < 1.0 ? 1u : static_cast<std::uint32_t>(samples);
}

} // namespace ovk
