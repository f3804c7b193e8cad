// Instrument files (.tonviki): one channel's records behind a counted-string
// header, in two versions.
#include "core/files/CRecordStream.h"
#include "core/files/FileRecords.h"
#include "core/song/COvkModuleChannel.h"

#include "morvane/api/CException.h"
#include "morvane/data/CVarReader.h"
#include "morvane/data/CVarWriter.h"

namespace ovk {

using namespace files;
using morvane::CDataFormatException;

namespace {

constexpr unsigned int kHeaderUnits = sizeof(kInstrumentHeaderV3) / sizeof(char16_t) - 1;

// The header is a counted string. Both known texts have the same length, so
// a header of any other length is refused before its text is read: a song
// file's header read as a count would otherwise ask for gigabytes.
std::u16string ReadInstrumentHeader(morvane::CVarReader& reader)
{
    unsigned int count = 0;
    reader >> count;
    std::u16string text;
    if (count != kHeaderUnits)
        return text;
    for (unsigned int i = 0; i < count; ++i) {
        unsigned short unit = 0;
        reader >> unit;
        text.push_back(static_cast<char16_t>(unit));
    }
    return text;
}

} // namespace

void COvkModuleChannel::Load(morvane::IInputStream* stream)
{
    if (!stream)
        MRV_THROW(morvane::CNullPtrException, L"ovk::COvkModuleChannel::Load", L"Given input stream is NULL");
    morvane::CVarReader reader(stream);
    const std::u16string version = ReadInstrumentHeader(reader);
    if (version == kInstrumentHeaderV2)
        LoadVersion2(reader);
    else if (version == kInstrumentHeaderV3)
        LoadVersion3(reader);
    else
        MRV_THROW(CDataFormatException, L"morvane::COvkModuleChannel::Load", L"Invalid file format");
}

void COvkModuleChannel::LoadVersion3(morvane::CVarReader& source)
{
    morvane::CRef<CRecordStream> stream = CRecordStream::Wrap(source.GetStreamTmp());
    morvane::CVarReader reader(stream.Get());
    auto invalid = [] {
        MRV_THROW(CDataFormatException, L"ovk::COvkModuleChannel::LoadVersion3", L"Invalid data format");
    };

    TOvkOscillator oscillator;  // reused by every oscillator record, as in song files
    bool currentSpeedUnit = false;
    for (;;) {
        std::int32_t tag = 0;
        reader >> tag;
        std::int32_t volumeRead = 0;
        TOvkEnvelope envelopeRead;
        TOvkEffect effect;
        switch (tag) {
        case TAG_END:
        case TAG_SPEED_UNIT:
            break;
        case TAG_CHANNEL:
            reader >> volumeRead;
            ReadEnvelope(reader, envelopeRead, currentSpeedUnit);
            break;
        case TAG_CARRIER:
        case TAG_MODULATOR:
            ReadOscillator(reader, oscillator, tag == TAG_CARRIER, currentSpeedUnit);
            break;
        case TAG_DELAY:
        case TAG_FLANGE:
        case TAG_LOWPASS:
        case TAG_HIGHPASS:
        case TAG_PLAIN_OVERDRIVE:
        case TAG_BANDPASS:
        case TAG_RESONANCE:
        case TAG_OVERDRIVE:
            // Each effect starts from its type's defaults.
            effect.SetType(EffectTypeOfTag(tag));
            ReadEffect(reader, tag, effect, currentSpeedUnit);
            break;
        default:
            invalid();
        }
        // The file ended inside a record or before its end tag.
        if (stream->CameShort())
            invalid();

        switch (tag) {
        case TAG_END:
            return;
        case TAG_SPEED_UNIT:
            currentSpeedUnit = true;
            break;
        case TAG_CHANNEL:
            carriers.clear();
            modulators.clear();
            effects.clear();
            volume = volumeRead;
            envelope = envelopeRead;
            break;
        case TAG_CARRIER:
            carriers.push_back(oscillator);
            break;
        case TAG_MODULATOR:
            modulators.push_back(oscillator);
            break;
        default:
            effects.push_back(effect);
            break;
        }
    }
}

void COvkModuleChannel::LoadVersion2(morvane::CVarReader& source)
{
    morvane::CRef<CRecordStream> stream = CRecordStream::Wrap(source.GetStreamTmp());
    morvane::CVarReader reader(stream.Get());
    // Version 2 instrument errors carry the song loader's name.
    auto invalid = [] {
        MRV_THROW(CDataFormatException, L"ovk::COvkModuleData::LoadVersion2", L"Invalid data format");
    };
    // A record is applied only when it was read whole.
    auto checkWhole = [&] {
        if (stream->CameShort())
            invalid();
    };

    for (;;) {
        std::int32_t tag = 0;
        reader >> tag;
        switch (tag) {
        case TAG2_CHANNEL: {
            float volumeRead = 0.0f;
            reader >> volumeRead;
            const TOvkEnvelope envelopeRead = ReadOldEnvelope(reader, OLD_ENVELOPE_GAIN);
            checkWhole();
            carriers.clear();
            modulators.clear();
            effects.clear();
            // Rounded here, unlike the song's channel records.
            volume = TruncToInt(volumeRead * 255.0f + 0.5);
            envelope = envelopeRead;
            break;
        }
        case TAG2_DELAY:
        case TAG2_FLANGE: {
            const std::optional<TOvkEffect> effect = tag == TAG2_DELAY ? ReadOldDelay(reader) : ReadOldFlange(reader);
            checkWhole();
            if (effect)
                effects.push_back(*effect);
            break;
        }
        case TAG2_OSCILLATOR: {
            const TOvkOscillator carrier = ReadOldOscillator(reader);
            checkWhole();
            carriers.push_back(carrier);
            modulators.push_back(TOvkOscillator());
            break;
        }
        case TAG2_END:
            break;
        case TAG2_IGNORED_A: {
            bool flag = false;
            std::int32_t value = 0;
            reader >> flag >> value;
            break;
        }
        case TAG2_IGNORED_B:
            SkipOldIgnoredB(reader);
            break;
        default:
            invalid();
        }
        // Only tag 8 ends these files: one that ends before it is damaged.
        checkWhole();
        if (tag == TAG2_END)
            return;
    }
}

void COvkModuleChannel::Save(morvane::IOutputStream* stream) const
{
    if (!stream)
        MRV_THROW(morvane::CNullPtrException, L"ovk::COvkModuleChannel::Save", L"Given output stream is NULL");
    morvane::CVarWriter writer(stream);
    writer << L"tonviki v3.0";
    writer << std::int32_t(TAG_SPEED_UNIT);
    writer << std::int32_t(TAG_CHANNEL) << volume;
    WriteEnvelope(writer, envelope);
    for (const TOvkOscillator& carrier : carriers) {
        writer << std::int32_t(TAG_CARRIER);
        WriteOscillator(writer, carrier, true);
    }
    for (const TOvkOscillator& modulator : modulators) {
        writer << std::int32_t(TAG_MODULATOR);
        WriteOscillator(writer, modulator, false);
    }
    for (const TOvkEffect& effect : effects)
        WriteEffect(writer, effect, -1);
    writer << std::int32_t(TAG_END);
}

} // namespace ovk
