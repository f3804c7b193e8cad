#include "core/files/FileRecords.h"

#include <cmath>
#include <limits>

#include "morvane/data/CVarReader.h"
#include "morvane/data/CVarWriter.h"
#include "morvane/data/IStream.h"

namespace ovk::files {

using morvane::CVarReader;
using morvane::CVarWriter;

std::int32_t TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

void ReadEnvelope(CVarReader& reader, TOvkEnvelope& envelope, bool currentSpeedUnit)
{
    reader >> envelope.min >> envelope.max >> envelope.speed >> envelope.resetMode >> envelope.phase >>
        envelope.keepPosition >> envelope.sustainPosition >> envelope.keepEnabled >> envelope.sustainEnabled;
    // Files from before the marker counted speed per 441 samples instead of per 44.
    if (!currentSpeedUnit)
        envelope.speed = TruncToInt(static_cast<double>(envelope.speed) * 44.0 / 441.0);
}

void WriteEnvelope(CVarWriter& writer, const TOvkEnvelope& envelope)
{
    writer << envelope.min << envelope.max << envelope.speed << envelope.resetMode << envelope.phase
           << envelope.keepPosition << envelope.sustainPosition << envelope.keepEnabled << envelope.sustainEnabled;
}

void ReadOscillator(CVarReader& reader, TOvkOscillator& oscillator, bool withFm, bool currentSpeedUnit)
{
    reader >> oscillator.type >> oscillator.volume >> oscillator.cents;
    if (withFm)
        reader >> oscillator.fmEnabled;
    else
        oscillator.fmEnabled = false;
    ReadEnvelope(reader, oscillator.volumeEnvelope, currentSpeedUnit);
    ReadEnvelope(reader, oscillator.transposeEnvelope, currentSpeedUnit);
}

void WriteOscillator(CVarWriter& writer, const TOvkOscillator& oscillator, bool withFm)
{
    writer << oscillator.type << oscillator.volume << oscillator.cents;
    if (withFm)
        writer << oscillator.fmEnabled;
    WriteEnvelope(writer, oscillator.volumeEnvelope);
    WriteEnvelope(writer, oscillator.transposeEnvelope);
}

bool IsEffectTag(std::int32_t tag) { return tag >= TAG_DELAY && tag <= TAG_OVERDRIVE && tag != TAG_MASTER; }

std::int32_t EffectTypeOfTag(std::int32_t tag)
{
    switch (tag) {
    case TAG_DELAY:
        return EFFECT_DELAY;
    case TAG_FLANGE:
        return EFFECT_FLANGE;
    case TAG_LOWPASS:
        return EFFECT_LOWPASS;
    case TAG_HIGHPASS:
        return EFFECT_HIGHPASS;
    case TAG_BANDPASS:
        return EFFECT_BANDPASS;
    case TAG_RESONANCE:
        return EFFECT_RESONANCE;
    default:
        return EFFECT_OVERDRIVE;
    }
}

void ReadEffect(CVarReader& reader, std::int32_t tag, TOvkEffect& effect, bool currentSpeedUnit)
{
    effect.type = EffectTypeOfTag(tag);
    switch (tag) {
    case TAG_DELAY:
        reader >> effect.p1 >> effect.p2;
        break;
    case TAG_FLANGE:
        ReadEnvelope(reader, effect.envelopeA, currentSpeedUnit);
        break;
    case TAG_LOWPASS:
    case TAG_HIGHPASS:
        reader >> effect.p1;
        ReadEnvelope(reader, effect.envelopeA, currentSpeedUnit);
        break;
    case TAG_OLD_OVERDRIVE: {
        unsigned int p1 = 0;
        reader >> p1;
        effect.p1 = static_cast<std::int32_t>(p1);
        effect.p2 = 255;
        effect.envelopeA = TOvkEnvelope::Default();
        break;
    }
    case TAG_PLAIN_OVERDRIVE: {
        unsigned int p1 = 0, p2 = 0;
        reader >> p1 >> p2;
        effect.p1 = static_cast<std::int32_t>(p1);
        effect.p2 = static_cast<std::int32_t>(p2);
        effect.envelopeA = TOvkEnvelope::Default();
        break;
    }
    case TAG_BANDPASS:
    case TAG_RESONANCE:
        reader >> effect.p1 >> effect.p2;
        ReadEnvelope(reader, effect.envelopeA, currentSpeedUnit);
        ReadEnvelope(reader, effect.envelopeB, currentSpeedUnit);
        break;
    case TAG_OVERDRIVE: {
        unsigned int p1 = 0, p2 = 0;
        reader >> p1 >> p2;
        effect.p1 = static_cast<std::int32_t>(p1);
        effect.p2 = static_cast<std::int32_t>(p2);
        ReadEnvelope(reader, effect.envelopeA, currentSpeedUnit);
        break;
    }
    default:
        break;
    }
}

bool WriteEffect(CVarWriter& writer, const TOvkEffect& effect, int channel)
{
    auto head = [&](std::int32_t tag) {
        writer << tag;
        if (channel >= 0)
            writer << static_cast<std::int32_t>(channel);
    };
    switch (effect.type) {
    case EFFECT_DELAY:
        head(TAG_DELAY);
        writer << effect.p1 << effect.p2;
        return true;
    case EFFECT_FLANGE:
        head(TAG_FLANGE);
        WriteEnvelope(writer, effect.envelopeA);
        return true;
    case EFFECT_LOWPASS:
    case EFFECT_HIGHPASS:
        head(effect.type == EFFECT_LOWPASS ? TAG_LOWPASS : TAG_HIGHPASS);
        writer << effect.p1;
        WriteEnvelope(writer, effect.envelopeA);
        return true;
    case EFFECT_RESONANCE:
    case EFFECT_BANDPASS:
        head(effect.type == EFFECT_RESONANCE ? TAG_RESONANCE : TAG_BANDPASS);
        writer << effect.p1 << effect.p2;
        WriteEnvelope(writer, effect.envelopeA);
        WriteEnvelope(writer, effect.envelopeB);
        return true;
    case EFFECT_OVERDRIVE:
        head(TAG_OVERDRIVE);
        writer << static_cast<unsigned int>(effect.p1) << static_cast<unsigned int>(effect.p2);
        WriteEnvelope(writer, effect.envelopeA);
        return true;
    default:
        return false;
    }
}

namespace {

// The old envelope stored positions as angles in radians.
constexpr float kPi = 3.1415927f;

std::int32_t OldBound(float x, TOldEnvelopeForm form)
{
    switch (form) {
    case OLD_ENVELOPE_GAIN:
        return TruncToInt(x * 256.0f);
    case OLD_ENVELOPE_SEMITONES: {
        const float exponent = x / 12.0f;
        const float power = static_cast<float>(std::exp2(static_cast<double>(exponent)));
        return TruncToInt(power * 256.0f);
    }
    default:
        return TruncToInt(x);
    }
}

std::int32_t OldAngle(float x) { return TruncToInt(x * 32768.0f / kPi); }

// Version 2 wave numbers: 0 and 1 sine, 2 saw, 3 square, 4 noise, others sine.
std::int32_t ConvertOldOscillatorType(std::int32_t oldType)
{
    switch (oldType) {
    case 2:
        return OSC_SAW;
    case 3:
        return OSC_SQUARE;
    case 4:
        return OSC_NOISE;
    default:
        return OSC_SINE;
    }
}

} // namespace

TOvkEnvelope ReadOldEnvelope(CVarReader& reader, TOldEnvelopeForm form)
{
    float x[6] = {};
    bool keepEnabled = false, sustainEnabled = false, songReset = false;
    for (float& value : x)
        reader >> value;
    reader >> keepEnabled >> sustainEnabled >> songReset;

    TOvkEnvelope envelope;
    envelope.min = OldBound(x[0], form);
    envelope.max = OldBound(x[1], form);
    envelope.speed = TruncToInt(x[2] * 655.0f * 44.0f / 441.0f);
    envelope.phase = OldAngle(x[3]);
    envelope.keepPosition = OldAngle(x[4]);
    envelope.sustainPosition = OldAngle(x[5]);
    envelope.keepEnabled = keepEnabled;
    envelope.sustainEnabled = sustainEnabled;
    envelope.resetMode = songReset ? RESET_SONG : RESET_NOTE;
    return envelope;
}

TOvkOscillator ReadOldOscillator(CVarReader& reader)
{
    std::int32_t ignored = 0, oldType = 0;
    float volume = 0.0f, pitch = 0.0f;
    reader >> ignored >> oldType;
    TOvkOscillator carrier;
    carrier.type = ConvertOldOscillatorType(oldType);
    carrier.volumeEnvelope = ReadOldEnvelope(reader, OLD_ENVELOPE_GAIN);
    carrier.transposeEnvelope = ReadOldEnvelope(reader, OLD_ENVELOPE_SEMITONES);
    reader >> volume >> pitch;
    carrier.volume = TruncToInt(volume * 255.0f);
    carrier.cents = TruncToInt(pitch * 100.0f);
    return carrier;
}

std::optional<TOvkEffect> ReadOldDelay(CVarReader& reader)
{
    bool enabled = false;
    float length = 0.0f, feedback = 0.0f;
    reader >> enabled >> length >> feedback;
    if (!enabled)
        return std::nullopt;
    TOvkEffect effect;
    effect.SetType(EFFECT_DELAY);
    effect.p1 = TruncToInt(static_cast<double>(length) / 6.0 * 100.0 + 0.5);
    effect.p2 = TruncToInt(static_cast<double>(feedback) * 255.0 + 0.5);
    return effect;
}

std::optional<TOvkEffect> ReadOldFlange(CVarReader& reader)
{
    bool enabled = false;
    float ignored = 0.0f;
    reader >> enabled >> ignored;
    const TOvkEnvelope envelope = ReadOldEnvelope(reader, OLD_ENVELOPE_PLAIN);
    if (!enabled)
        return std::nullopt;
    TOvkEffect effect;
    effect.SetType(EFFECT_FLANGE);
    effect.envelopeA = envelope;
    return effect;
}

void SkipOldIgnoredB(CVarReader& reader)
{
    bool flag = false;
    float a = 0.0f, b = 0.0f;
    reader >> flag >> a >> b;
    ReadOldEnvelope(reader, OLD_ENVELOPE_GAIN);
}

std::u16string ReadCountedText(CVarReader& reader)
{
    unsigned char skipped = 0, count = 0;
    reader >> skipped >> skipped >> skipped >> count;
    std::u16string text;
    for (int i = 0; i < count; ++i) {
        unsigned short unit = 0;
        reader >> unit;
        text.push_back(static_cast<char16_t>(unit));
    }
    return text;
}

void WriteSongHeader(morvane::IOutputStream* stream)
{
    constexpr std::size_t kLength = sizeof(kSongHeaderV3) / sizeof(char16_t) - 1;
    unsigned char header[4 + 2 * kLength] = {0xFF, 0xFE, 0xFF, static_cast<unsigned char>(kLength)};
    for (std::size_t i = 0; i < kLength; ++i) {
        header[4 + 2 * i] = static_cast<unsigned char>(kSongHeaderV3[i] & 0xFF);
        header[5 + 2 * i] = static_cast<unsigned char>(kSongHeaderV3[i] >> 8);
    }
    stream->Write(header, sizeof(header));
}

} // namespace ovk::files
