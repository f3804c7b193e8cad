#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include "core/song/TOvkEffect.h"
#include "core/song/TOvkEnvelope.h"
#include "core/song/TOvkOscillator.h"

namespace morvane {
class CVarReader;
class CVarWriter;
class IOutputStream;
} // namespace morvane

// The record shapes shared by song and instrument files: envelopes,
// oscillators and effects as they stand in the file, the old (version 2)
// envelope form and its conversion, and the song file's text header.
namespace ovk::files {

// Record tags of the current file version (songs and instruments).
enum TRecordTag : std::int32_t {
    TAG_TEMPO = 1,           // older form of TAG_MASTER
    TAG_ORDER_TABLE = 2,
    TAG_PATTERNS = 3,
    TAG_CHANNEL = 4,
    TAG_OLD_OSCILLATOR = 5,  // carrier without FM flag, plus a default modulator
    TAG_CARRIER = 6,
    TAG_MODULATOR = 7,
    TAG_DELAY = 8,
    TAG_FLANGE = 9,
    TAG_LOWPASS = 10,
    TAG_HIGHPASS = 11,
    TAG_OLD_OVERDRIVE = 12,  // p1 only
    TAG_PLAIN_OVERDRIVE = 13, // p1 and p2, no envelope
    TAG_BANDPASS = 14,
    TAG_RESONANCE = 15,
    TAG_MASTER = 16,
    TAG_OVERDRIVE = 17,
    TAG_SPEED_UNIT = 18,     // envelope speeds after it are in the current unit
    TAG_END = 255,
};

// Record tags of version 2 files.
enum TRecordTagV2 : std::int32_t {
    TAG2_SONG = 1,
    TAG2_ORDER_TABLE = 2,
    TAG2_PATTERNS = 3,
    TAG2_CHANNEL = 4,
    TAG2_DELAY = 5,
    TAG2_FLANGE = 6,
    TAG2_OSCILLATOR = 7,
    TAG2_END = 8,
    TAG2_IGNORED_A = 9,
    TAG2_IGNORED_B = 10,
};

// Header texts.
inline constexpr char16_t kSongHeaderV3[] = u"tonvik v3.0";
inline constexpr char16_t kSongHeaderV2[] = u"tonvik v2.0";
inline constexpr char16_t kInstrumentHeaderV3[] = u"tonviki v3.0";
inline constexpr char16_t kInstrumentHeaderV2[] = u"tonviki v2.0";

// Float to int conversion truncating toward zero. Only a damaged file holds
// values outside the int range: they saturate, and NaN gives 0.
std::int32_t TruncToInt(double value);

// Envelope: 7 ints and 2 bools. Until the speed-unit marker has been read,
// speeds are stored in the older unit and converted on reading.
void ReadEnvelope(morvane::CVarReader& reader, TOvkEnvelope& envelope, bool currentSpeedUnit);
void WriteEnvelope(morvane::CVarWriter& writer, const TOvkEnvelope& envelope);

// Oscillator fields after the tag (and channel): type, volume, cents, the FM
// flag where the record has one, volume and transpose envelopes. Records
// without the flag set it false.
void ReadOscillator(morvane::CVarReader& reader, TOvkOscillator& oscillator, bool withFm, bool currentSpeedUnit);
void WriteOscillator(morvane::CVarWriter& writer, const TOvkOscillator& oscillator, bool withFm);

// True for the tags of effect records (8-17 except 16).
bool IsEffectTag(std::int32_t tag);
// The effect type an effect tag stores.
std::int32_t EffectTypeOfTag(std::int32_t tag);
// Reads the fields of an effect record after the tag (and channel) into
// effect and sets its type; fields the tag does not carry keep what effect
// holds, except that the older overdrive tags reset envelope A (and tag 12
// sets p2 to 255).
void ReadEffect(morvane::CVarReader& reader, std::int32_t tag, TOvkEffect& effect, bool currentSpeedUnit);
// Writes the record of an effect: its tag, the channel when channel >= 0,
// and the fields its type uses. An effect of an unknown type has no record:
// nothing is written and the result is false.
bool WriteEffect(morvane::CVarWriter& writer, const TOvkEffect& effect, int channel);

// How the two bounds of a version 2 envelope are converted.
enum TOldEnvelopeForm {
    OLD_ENVELOPE_GAIN,       // x × 256
    OLD_ENVELOPE_SEMITONES,  // 2^(x / 12) × 256
    OLD_ENVELOPE_PLAIN,      // x
};

// The envelope of version 2 files (6 floats and 3 bools), converted.
TOvkEnvelope ReadOldEnvelope(morvane::CVarReader& reader, TOldEnvelopeForm form);

// The version 2 records that songs and instruments share, read after the tag
// and, in songs, the channel number.
// Oscillator record: a carrier (FM flag false).
TOvkOscillator ReadOldOscillator(morvane::CVarReader& reader);
// Delay and flange records: the effect, or nothing when the record is disabled.
std::optional<TOvkEffect> ReadOldDelay(morvane::CVarReader& reader);
std::optional<TOvkEffect> ReadOldFlange(morvane::CVarReader& reader);
// Tag 10, which nothing keeps.
void SkipOldIgnoredB(morvane::CVarReader& reader);

// The song header and the strings of version 2: three bytes that are not
// checked, a count byte and as many UTF-16LE units.
std::u16string ReadCountedText(morvane::CVarReader& reader);
// Writes the song header (26 bytes) with one stream write.
void WriteSongHeader(morvane::IOutputStream* stream);

} // namespace ovk::files
