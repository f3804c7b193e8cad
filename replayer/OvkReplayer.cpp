// The replayer: renders the song of OvkSongData.cpp sample by sample, as the
// editor's player does. All arithmetic on samples is 32-bit integer with
// two's-complement wrap-around (done on unsigned values), arithmetic right
// shifts and division truncating toward zero; floating point and the C math
// library are used only by OvkReplayerInit, to work out the notes' pitches.
#include <math.h>

#include "OvkSongDataDefines.h"
#include "OvkSongDataTypes.h"
#include "OvkReplayer.h"

extern unsigned int OvkSongOrderTable[];
extern unsigned char OvkSongPatternData[];
extern unsigned char OvkSongPatternLookupTable[];
extern TOvkSongEnvelope OvkSongEnvList[];
extern TOvkSongEnvelopeCounter OvkSongEnvCounterList[];
extern TOvkSongOscillator OvkSongOscillatorList[];
extern TOvkSongEffect OvkSongEffectList[];
extern unsigned char OvkSongChannelVol[8];
extern unsigned char OvkSongChannelEnvCounter[8];
extern bool OvkSongChannelStopNote[8];

#if defined(OVKSONG_ENABLE_DELAYEFFECT) || defined(OVKSONG_ENABLE_FLANGEEFFECT)
#define OVKREPLAYER_LINES
#ifndef OVKSONG_LINEPOOLSIZE
// A delay of 32 rows (the editor's longest) in every effect.
#define OVKSONG_LINEPOOLSIZE (OVKSONG_EFFECTLISTSIZE * (32 * OVKSONG_ROWLENSAMPLES + 2))
#endif
#endif
#if defined(OVKREPLAYER_LINES) || defined(OVKSONG_ENABLE_LOWPASSEFFECT) || defined(OVKSONG_ENABLE_HIGHPASSEFFECT) || \
    defined(OVKSONG_ENABLE_RESONANCEEFFECT) || defined(OVKSONG_ENABLE_OVERDRIVEEFFECT)
#define OVKREPLAYER_EFFECTS
#endif

namespace {

const unsigned kTickSamples = 44;   // envelopes step once every 44 samples
const int kNotes = 192;             // notes 1-192: octaves 0-15 of 12 semitones
const unsigned char kStopNote = 255;

// The pitch is worked out with the editor's roundings: every step rounded to a
// float or a double. The x87 unit (32-bit x86 without SSE maths) keeps more
// bits, and where the machine has a fused multiply-add compilers may use it;
// there a volatile variable rounds each step where the editor rounds it. Plain
// x86-64 does so by itself.
#if defined(__x86_64__) && !defined(__FMA__)
typedef double TDouble;
typedef float TFloat;
#else
typedef volatile double TDouble;
typedef volatile float TFloat;
#endif

inline int Add(int a, int b) { return (int)((unsigned)a + (unsigned)b); }
inline int Sub(int a, int b) { return (int)((unsigned)a - (unsigned)b); }
inline int Mul(int a, int b) { return (int)((unsigned)a * (unsigned)b); }

// The parabolic sine: +128 at (p >> 8) & 255 = 64, 0 at 0 and 128, -128 at 192.
inline int Shape(unsigned p)
{
    const int t = (int)((p >> 8) & 255) - 128;
    return (((t < 0 ? -t : t) * t) >> 5) - 4 * t;
}

struct TCounterState {
    int counter;
    int value;
    bool held;  // a note holds the envelope at its sustain position until a stop note
};

struct TOscillatorState {
    unsigned phase;    // 65536 is one cycle
    int increment;     // phase step at the note's pitch; 0 before the first note: silent
    int modulation;    // a carrier's FM input: its modulator's last output / 8
};

struct TEffectState {
    int* line;          // delay: its outputs, flange: its inputs; 0 = passes its input
    unsigned length;
    unsigned position;
    int memory1;        // low-pass y1; high-pass x1, y1; resonance s1, s2; overdrive level
    int memory2;
};

// Everything that moves while the song plays; OvkReplayerInit clears it.
struct TReplayer {
    TCounterState counters[OVKSONG_ENVCOUNTERLISTSIZE + 1];
    TOscillatorState oscillators[OVKSONG_OSCLISTSIZE + 1];
    TEffectState effects[OVKSONG_EFFECTLISTSIZE + 1];
    bool noteOn[8];
    unsigned noise;      // the random generator of the noise waves
    unsigned tick;       // samples since the last envelope step
    unsigned sampleInRow;
    unsigned row;
    unsigned position;   // in the order table
    bool newRow;
    bool ended;
};

TReplayer s;
// Each oscillator's phase step for every note, worked out at Init.
int sIncrements[OVKSONG_OSCLISTSIZE + 1][kNotes];
#ifdef OVKREPLAYER_LINES
int sLinePool[OVKSONG_LINEPOOLSIZE];
#endif

// An envelope's value at counter position c.
int EnvelopeValue(const TOvkSongEnvelope& e, int c)
{
    return Add(e.min, Mul(Shape((unsigned)Add(e.phase * 2048, c)) + 128, Sub(e.max, e.min)) / 256);
}

void ResetCounter(int i)
{
    s.counters[i].counter = 0;
    s.counters[i].value = OvkSongEnvCounterList[i].startValue;
}

int EnvelopeOf(int counter) { return s.counters[counter].value; }

#ifdef OVKREPLAYER_LINES
// The delay and the flange share their line code; with only one of them
// enabled, the other's part is left out.
#if defined(OVKSONG_ENABLE_DELAYEFFECT) && defined(OVKSONG_ENABLE_FLANGEEFFECT)
inline bool IsDelay(int type) { return type == OVKSONGEFFECTTYPE_DELAY; }
#elif defined(OVKSONG_ENABLE_DELAYEFFECT)
inline bool IsDelay(int) { return true; }
#else
inline bool IsDelay(int) { return false; }
#endif
#endif

// The phase step of a note, with the editor's float roundings.
int NoteIncrement(double cents, int note)
{
    const TDouble product = cents * (double)0.01f;
    const TDouble sum = product + note;
    const TDouble shifted = sum - 58.0;
    const TFloat exponent = (float)(shifted / 12.0);
    const TFloat power = (float)exp2((double)exponent);
    const TFloat frequency = (float)((double)power * 440.0);
    const TDouble increment = (double)frequency / 44100.0 * 65536.0;
    // Beyond 32 bits: the value an x86 conversion gives.
    if (!(increment > -2147483649.0 && increment < 2147483648.0))
        return (int)0x80000000u;
    return (int)increment;
}

// The pitch of an oscillator in cents from the played note. The twelve
// semitones have distinct fractions and come back exact; any other fraction
// gives the lowest pitch that has it.
double Cents(const TOvkSongOscillator& o)
{
    static const unsigned char kSemitoneFractions[12] = {0, 15, 31, 48, 66, 85, 106, 127, 150, 174, 200, 227};
    double r = 1200.0 * log2(1.0 + o.fraction / 256.0);
    for (int k = 0; k < 12; ++k)
        if (kSemitoneFractions[k] == o.fraction)
            r = 100.0 * k;
    return (o.octave - 8) * 1200.0 + r;
}

// An oscillator's output now; a noise wave draws the next random number.
int Output(int i)
{
    const TOvkSongOscillator& o = OvkSongOscillatorList[i];
    const TOscillatorState& state = s.oscillators[i];
    if (state.increment == 0)
        return 0;
    const unsigned phase = state.phase;
    int w;
    switch (o.type) {
    case OVKSONGOSCTYPE_SAW:
        w = (int)(phase & 0xFFFF) - 32768;
        break;
    case OVKSONGOSCTYPE_SQUARE:
        w = (phase & 0xFFFF) <= 32767 ? -32768 : 32767;
        break;
    case OVKSONGOSCTYPE_NOISE:
        s.noise = s.noise * 214013u + 2531011u;
        w = ((int)((s.noise >> 16) & 255) - 128) * 256;
        break;
    default:
        w = Shape(phase) * 256;
        break;
    }
    return Mul(Mul(EnvelopeOf(o.volumeCounter), o.volume) >> 8, w) >> 8;
}

void StartNote(int channel, unsigned char note)
{
    if (note == kStopNote) {
        if (OvkSongChannelStopNote[channel])
            s.noteOn[channel] = false;
    } else {
        s.noteOn[channel] = true;
        const int index = (note >> 4) * 12 + (note & 15);
        for (int i = 0; i < OVKSONG_OSCLISTSIZE; ++i) {
            if (OvkSongOscillatorList[i].channel == channel) {
                s.oscillators[i].phase = 0;
                s.oscillators[i].increment = sIncrements[i][index];
            }
        }
    }
    // A stop note releases the channel's envelopes; a note restarts those
    // that reset on a note, and holds them at their sustain position.
    for (int i = 0; i < OVKSONG_ENVCOUNTERLISTSIZE; ++i) {
        const TOvkSongEnvelopeCounter& k = OvkSongEnvCounterList[i];
        if (k.channel != channel)
            continue;
        if (note == kStopNote) {
            s.counters[i].held = false;
        } else if (OvkSongEnvList[k.envelope].resetOnNote) {
            ResetCounter(i);
            s.counters[i].held = true;
        }
    }
}

void StartRow()
{
    const unsigned entry = OvkSongOrderTable[s.position];
    for (int c = 0; c < 8; ++c) {
        const unsigned pattern = (entry >> (4 * c)) & 15;
        if (pattern == 0)
            continue;
        const unsigned char note = OvkSongPatternData[16 * (OvkSongPatternLookupTable[c] + pattern - 1) + s.row];
        if (note != 0)
            StartNote(c, note);
    }
}

void TickEnvelopes()
{
    for (int i = 0; i < OVKSONG_ENVCOUNTERLISTSIZE; ++i) {
        const int envelope = OvkSongEnvCounterList[i].envelope;
        if (envelope < 0)
            continue;  // a constant
        const TOvkSongEnvelope& e = OvkSongEnvList[envelope];
        TCounterState& state = s.counters[i];
        int next = Add(state.counter, e.speed);
        if (state.held && e.sustain != 255 && next > e.sustain * 2048)
            next = e.sustain * 2048;
        if (e.keep != 255 && next > e.keep * 2048)
            next = e.keep * 2048;
        state.counter = next;
        state.value = EnvelopeValue(e, next);
    }
}

// The envelopes that restart with every first, second or fourth pattern.
void ResetPatternEnvelopes()
{
    for (int i = 0; i < OVKSONG_ENVCOUNTERLISTSIZE; ++i) {
        const int envelope = OvkSongEnvCounterList[i].envelope;
        if (envelope >= 0 && (s.position & OvkSongEnvList[envelope].resetPatterns) == 0)
            ResetCounter(i);
    }
}

#ifdef OVKREPLAYER_EFFECTS
// One sample through effect i.
int Process(int i, int x)
{
    const TOvkSongEffect& fx = OvkSongEffectList[i];
    TEffectState& state = s.effects[i];
    // The effect's envelope (the overdrive's is in counterB).
    const int e = EnvelopeOf(fx.type == OVKSONGEFFECTTYPE_OVERDRIVE ? fx.counterB : fx.counterA);
    int y = x;
    switch (fx.type) {
#ifdef OVKREPLAYER_LINES
#ifdef OVKSONG_ENABLE_DELAYEFFECT
    case OVKSONGEFFECTTYPE_DELAY:
#endif
#ifdef OVKSONG_ENABLE_FLANGEEFFECT
    case OVKSONGEFFECTTYPE_FLANGE:
#endif
        if (state.line) {
            // The delay adds its output of c samples ago times the feedback,
            // the flange its input of e samples ago.
            const bool delay = IsDelay(fx.type);
            const unsigned length = state.length;
            const int back = state.line[(state.position - (unsigned)(delay ? fx.c : e) + length) % length];
            y = Add(x, delay ? Mul(back, fx.a) >> 8 : back);
            state.line[state.position] = delay ? y : x;
            state.position = state.position + 1 == length ? 0 : state.position + 1;
        }
        break;
#endif
#ifdef OVKSONG_ENABLE_LOWPASSEFFECT
    case OVKSONGEFFECTTYPE_LOWPASS: {
        const int c = Mul(fx.a, e) >> 8;
        y = state.memory1 = Add(Mul(Sub(255, c), state.memory1) / 256, Mul(c, x) / 256);
        break;
    }
#endif
#ifdef OVKSONG_ENABLE_HIGHPASSEFFECT
    case OVKSONGEFFECTTYPE_HIGHPASS: {
        const int c = Mul(fx.a, e) >> 8;
        y = Add(Mul(Sub(x, state.memory1), Sub(511, c) / 2), Mul(Sub(255, c), state.memory2)) >> 8;
        state.memory1 = x;
        state.memory2 = y;
        break;
    }
#endif
#ifdef OVKSONG_ENABLE_RESONANCEEFFECT
    case OVKSONGEFFECTTYPE_RESONANCE: {
        const int f = Mul(fx.a, e) >> 8;
        const int r = Mul(fx.b, EnvelopeOf(fx.counterB)) >> 8;
        const int d = Sub(255, Mul(Sub(255, r), f) / 256);
        state.memory1 = Add(Mul(Sub(x, state.memory2), f), Mul(state.memory1, d)) / 256;
        y = state.memory2 = Add(Mul(state.memory2, d), Mul(state.memory1, f)) / 256;
        break;
    }
#endif
#ifdef OVKSONG_ENABLE_OVERDRIVEEFFECT
    case OVKSONGEFFECTTYPE_OVERDRIVE: {
        const int limit = fx.a != 0 ? fx.a : 1;
        if (y > limit)
            y = limit;
        if (y < Sub(0, limit))
            y = Sub(0, limit);
        y = Mul(Mul(state.memory1, e) >> 8, Mul(y, 32767) / limit) >> 8;
        break;
    }
#endif
    default:
        break;
    }
    return y;
}
#endif

void Advance()
{
    s.newRow = false;
    if (++s.tick >= kTickSamples) {
        s.tick = 0;
        TickEnvelopes();
    }
    if (++s.sampleInRow >= (unsigned)OVKSONG_ROWLENSAMPLES) {
        s.sampleInRow = 0;
        s.newRow = true;
        if (++s.row >= 16) {
            s.row = 0;
            if (++s.position == (unsigned)OVKSONG_LEN)
                s.ended = true;
            ResetPatternEnvelopes();
        }
    }
    if (s.ended)
        return;
    // Every modulator's output (before its step) goes to its carrier; then
    // every oscillator steps on under its transpose envelope, a carrier with
    // FM pushed by its modulator. Carriers without FM have no modulator and
    // keep a modulation of 0.
    for (int i = 0; i < OVKSONG_OSCLISTSIZE; ++i) {
        const int carrier = OvkSongOscillatorList[i].carrier;
        if (carrier >= 0)
            s.oscillators[carrier].modulation = Output(i) >> 3;
    }
    for (int i = 0; i < OVKSONG_OSCLISTSIZE; ++i) {
        TOscillatorState& o = s.oscillators[i];
        const int step = Mul(EnvelopeOf(OvkSongOscillatorList[i].transposeCounter), o.increment) >> 8;
        o.phase += (unsigned)Add(step, o.modulation);
    }
}

} // namespace

void OvkReplayerInit()
{
    unsigned char* bytes = (unsigned char*)&s;
    for (unsigned i = 0; i < sizeof(s); ++i)
        bytes[i] = 0;
    s.noise = 1;
    s.newRow = true;
    s.ended = OVKSONG_LEN == 0;
    for (int i = 0; i < OVKSONG_ENVCOUNTERLISTSIZE; ++i)
        ResetCounter(i);
    for (int i = 0; i < OVKSONG_OSCLISTSIZE; ++i) {
        const double cents = Cents(OvkSongOscillatorList[i]);
        for (int n = 0; n < kNotes; ++n)
            sIncrements[i][n] = NoteIncrement(cents, n + 1);
    }
#ifdef OVKREPLAYER_LINES
    // The lines, one after the other in the pool, each starting from silence.
    // The editor plays an effect whose line is longer than kMaxLine as no effect.
    const unsigned kMaxLine = 16u * 1024u * 1024u;
    unsigned used = 0;
    for (int i = 0; i < OVKSONG_EFFECTLISTSIZE; ++i) {
        const TOvkSongEffect& fx = OvkSongEffectList[i];
        if (fx.type != OVKSONGEFFECTTYPE_DELAY && fx.type != OVKSONGEFFECTTYPE_FLANGE)
            continue;
        // A delay keeps c + 2 outputs, a flange (c = its envelope's max + 1) max + 2 inputs.
        const unsigned length = (unsigned)fx.c + (IsDelay(fx.type) ? 2u : 1u);
        if (length == 0 || length > kMaxLine || length > OVKSONG_LINEPOOLSIZE - used)
            continue;
        TEffectState& state = s.effects[i];
        state.line = sLinePool + used;
        state.length = length;
        for (unsigned k = 0; k < length; ++k)
            state.line[k] = 0;
        used += length;
    }
#endif
#ifdef OVKSONG_ENABLE_OVERDRIVEEFFECT
    // The tables hold the clip limit L = p1 * 127 and 32767 * level / L; for
    // L below 32767 exactly one level gives that quotient.
    for (int i = 0; i < OVKSONG_EFFECTLISTSIZE; ++i) {
        const TOvkSongEffect& fx = OvkSongEffectList[i];
        if (fx.type == OVKSONGEFFECTTYPE_OVERDRIVE)
            s.effects[i].memory1 = (int)(((unsigned)fx.b * (unsigned)fx.a + 32766u) / 32767u);
    }
#endif
}

unsigned int OvkReplayerLength() { return (unsigned)OVKSONG_LEN * 16u * (unsigned)OVKSONG_ROWLENSAMPLES; }

void OvkReplayerRender(short* out, unsigned int count)
{
    for (; count > 0; --count, ++out) {
        *out = 0;
        if (s.ended)
            continue;
        if (s.newRow)
            StartRow();
        // The carriers of the channels whose note is on, summed per channel,
        // under the channel envelope and volume, through the channel's effects.
        int channel[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < OVKSONG_OSCLISTSIZE; ++i) {
            const TOvkSongOscillator& o = OvkSongOscillatorList[i];
            if (o.carrier < 0 && s.noteOn[o.channel])
                channel[o.channel] = Add(channel[o.channel], Output(i));
        }
        for (int c = 0; c < 8; ++c) {
            const unsigned gain = ((unsigned)EnvelopeOf(OvkSongChannelEnvCounter[c]) * OvkSongChannelVol[c]) >> 8;
            channel[c] = (int)((unsigned)channel[c] * gain) >> 8;
        }
#ifdef OVKREPLAYER_EFFECTS
        for (int i = 0; i < OVKSONG_EFFECTLISTSIZE; ++i) {
            const int c = OvkSongEffectList[i].channel;
            channel[c] = Process(i, channel[c]);
        }
#endif
        unsigned sum = 0;
        for (int c = 0; c < 8; ++c)
            sum += (unsigned)channel[c];
        int v = Mul(OVKSONG_VOL, (int)sum) >> 8;
        *out = (short)(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
        Advance();
    }
}
