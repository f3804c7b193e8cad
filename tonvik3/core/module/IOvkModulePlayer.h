#pragma once
#include <cstdint>
#include "morvane/data/IStream.h"

namespace ovk {

class IOvkModule;

// A song renderer: reading it gives the connected song as signed 16-bit mono
// PCM at 44100 samples per second, from its first order position to its end.
class IOvkModulePlayer : public morvane::IInputStream {
public:
    static constexpr morvane::CId kIid{0xA81B3749, 0x333C4DA4, 0x97A8B12B, 0x1CE7BDE7};

    // Mutes (false) or unmutes channel 0-7; a muted channel keeps running.
    virtual void SetChannelEnabled(unsigned int channel, bool enabled) = 0;
    // The song row (from the start of the song) playing at a time.
    virtual std::int64_t TimeToRow(float seconds) = 0;
    // The time at which a song row starts, plus a tenth of a millisecond.
    virtual float RowToTime(unsigned int row) = 0;
    // Seeks to a song row: order position x 16 + row in the pattern.
    virtual void SeekRow(unsigned int row) = 0;
    // Starts over on another song, at its start.
    virtual void Connect(IOvkModule* module) = 0;
    // The row within the current pattern, 0-15.
    virtual unsigned int GetRow() = 0;
    // count recent output samples from bytePosition on, oldest first: of
    // channel 0-7 (before muting), or of the clipped mix for a negative channel.
    virtual void GetHistory(int channel, unsigned int bytePosition, std::int32_t* destination,
                            unsigned int count) = 0;
    // Plays the current order position over and over; returns loop.
    virtual bool SetPatternLoop(bool loop) = 0;

protected:
    ~IOvkModulePlayer() = default;
};

} // namespace ovk
