#pragma once
#include <QString>
#include "core/song/COvkModuleData.h"

namespace ovk {

// Which envelope of the song an editor works on: found again in the song
// data at every use, so that it never points into a list that has changed.
struct TEnvelopeRef {
    enum TKind {
        CHANNEL,              // the channel envelope
        CARRIER_VOLUME,       // of carrier `index`
        CARRIER_TRANSPOSE,
        MODULATOR_VOLUME,     // of modulator `index`
        MODULATOR_TRANSPOSE,
        EFFECT_A,             // of effect `index`
        EFFECT_B,
    };
    int channel = 0;
    TKind kind = CHANNEL;
    int index = 0;

    // The envelope in song, or null when it is gone.
    TOvkEnvelope* Find(COvkModuleData& song) const;
    const TOvkEnvelope* Find(const COvkModuleData& song) const { return Find(const_cast<COvkModuleData&>(song)); }
};

} // namespace ovk
