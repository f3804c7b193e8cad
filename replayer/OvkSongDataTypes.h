// The record types of an exported song's tables (OvkSongData.cpp).
//
// The tables initialise these records field by field, in the order declared
// here, so the order is fixed. A field that takes a song value as it is
// (volumes, envelope bounds, counter indices, ...) is a full int: a song may
// hold any 32-bit value there. Only fields whose range the export itself
// bounds are narrower.
//
// This header stands alone: no other header, no defines, so that it compiles
// in front of the tables' own "#define NULL 0".
#ifndef OVKSONGDATATYPES_H
#define OVKSONGDATATYPES_H

enum TOvkSongOscType : unsigned char {
    OVKSONGOSCTYPE_SINE = 0,
    OVKSONGOSCTYPE_SAW = 1,
    OVKSONGOSCTYPE_SQUARE = 2,
    OVKSONGOSCTYPE_NOISE = 3,
};

enum TOvkSongEffectType : unsigned char {
    OVKSONGEFFECTTYPE_DELAY = 0,
    OVKSONGEFFECTTYPE_FLANGE = 1,
    OVKSONGEFFECTTYPE_LOWPASS = 2,
    OVKSONGEFFECTTYPE_HIGHPASS = 3,
    OVKSONGEFFECTTYPE_RESONANCE = 4,
    OVKSONGEFFECTTYPE_OVERDRIVE = 5,
};

// A moving envelope. Positions are in steps of 2048 counter units.
struct TOvkSongEnvelope {
    int min;
    int max;
    int speed;            // counter units per tick
    int phase;            // / 2048
    int keep;             // / 2048; 255 = keep disabled
    int sustain;          // / 2048; 255 = sustain disabled
    bool resetOnNote;
    unsigned char resetPatterns;  // 0 every pattern, 1 every second, 3 every fourth, 255 never
};

// One running envelope value. A constant has envelope and channel -1 and
// keeps its start value for ever.
struct TOvkSongEnvelopeCounter {
    int envelope;         // index into OvkSongEnvList, or -1
    signed char channel;  // 0-7, or -1
    int startValue;
};

// A carrier (carrier == -1) or the modulator of the carrier on line `carrier`.
// Pitch: octave 8 is the played note, fraction the part of an octave above it
// in 1/256 of a doubling.
struct TOvkSongOscillator {
    int octave;
    unsigned char fraction;
    TOvkSongOscType type;
    unsigned char channel;
    int carrier;
    int volume;
    int volumeCounter;
    int transposeCounter;
};

// One effect of a channel's chain. The meaning of a, b and c depends on the type:
//   delay      a feedback, c delay in samples
//   flange     c envelope A's max + 1
//   low-pass   a cut-off
//   high-pass  a cut-off
//   resonance  a frequency, b amount
//   overdrive  a clip limit, b gain (32767 * level / limit)
// counterA is envelope A's counter (resonance: counterB envelope B's), except
// for the overdrive, whose envelope is in counterB.
struct TOvkSongEffect {
    int a;
    int b;
    int c;
    unsigned char channel;
    TOvkSongEffectType type;
    int counterA;
    int counterB;
};

#endif
