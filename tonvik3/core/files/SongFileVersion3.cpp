// The body of a "tonvik v3.0" song file: tagged records in any order, ending
// with the end tag.
#include <cstring>

#include "core/files/CRecordStream.h"
#include "core/files/FileRecords.h"
#include "core/song/COvkModuleData.h"

#include "morvane/api/CException.h"
#include "morvane/data/CVarReader.h"

namespace ovk {

using namespace files;

namespace {

[[noreturn]] void InvalidData()
{
    MRV_THROW(morvane::CDataFormatException, L"ovk::COvkModuleData::LoadVersion3", L"Invalid data format");
}

bool HasChannel(std::int32_t tag) { return tag >= TAG_CHANNEL && tag <= TAG_OVERDRIVE && tag != TAG_MASTER; }

// 2048 words of note data, as tags 2 and 3 store them: the bytes that 2048
// reads of one word would give, in one read.
void ReadWords(morvane::CVarReader& reader, std::uint32_t (&words)[kChannels * 256])
{
    reader.GetStreamTmp()->Read(words, sizeof(words));
}

} // namespace

void COvkModuleData::LoadVersion3(morvane::CVarReader& source)
{
    // Reading through a record stream tells a complete record from one that
    // the end of the file cut short: such a record is never applied, and a
    // file that ends before its end tag is refused.
    morvane::CRef<CRecordStream> stream = CRecordStream::Wrap(source.GetStreamTmp());
    morvane::CVarReader reader(stream.Get());

    // The working records: defaults once, then reused by every record of the
    // load, so that fields a record does not carry keep what the last one left.
    TOvkOscillator oscillator;
    TOvkEffect effect;
    bool currentSpeedUnit = false;
    static_assert(sizeof(orderTable) == sizeof(std::uint32_t) * kChannels * 256);
    static_assert(sizeof(patterns) == sizeof(std::uint32_t) * kChannels * 256);
    std::uint32_t words[kChannels * 256];

    for (;;) {
        std::int32_t tag = 0;
        reader >> tag;
        if ((tag < TAG_TEMPO || tag > TAG_SPEED_UNIT) && tag != TAG_END)
            InvalidData();
        unsigned int channel = 0;
        if (HasChannel(tag))
            reader >> channel;

        std::int32_t tempoRead = 0, masterRead = 100, volumeRead = 0;
        TOvkEnvelope envelopeRead;
        switch (tag) {
        case TAG_TEMPO:
            reader >> tempoRead;
            break;
        case TAG_MASTER:
            reader >> tempoRead >> masterRead;
            break;
        case TAG_ORDER_TABLE:
        case TAG_PATTERNS:
            ReadWords(reader, words);
            break;
        case TAG_CHANNEL:
            reader >> volumeRead;
            ReadEnvelope(reader, envelopeRead, currentSpeedUnit);
            break;
        case TAG_OLD_OSCILLATOR:
        case TAG_MODULATOR:
            ReadOscillator(reader, oscillator, false, currentSpeedUnit);
            break;
        case TAG_CARRIER:
            ReadOscillator(reader, oscillator, true, currentSpeedUnit);
            break;
        default:
            if (IsEffectTag(tag))
                ReadEffect(reader, tag, effect, currentSpeedUnit);
            break;
        }
        if (stream->CameShort() || channel >= kChannels)
            InvalidData();

        COvkModuleChannel& target = channels[channel];
        switch (tag) {
        case TAG_END:
            return;
        case TAG_SPEED_UNIT:
            currentSpeedUnit = true;
            break;
        case TAG_TEMPO:
        case TAG_MASTER:
            tempo = tempoRead;
            masterVolume = masterRead;
            break;
        case TAG_ORDER_TABLE:
            std::memcpy(orderTable, words, sizeof(orderTable));
            break;
        case TAG_PATTERNS:
            std::memcpy(patterns, words, sizeof(patterns));
            break;
        case TAG_CHANNEL:
            // The effect list stays: effect records may come before or after.
            target.carriers.clear();
            target.modulators.clear();
            target.volume = volumeRead;
            target.envelope = envelopeRead;
            break;
        case TAG_OLD_OSCILLATOR:
            target.carriers.push_back(oscillator);
            target.modulators.push_back(TOvkOscillator());
            break;
        case TAG_CARRIER:
            target.carriers.push_back(oscillator);
            break;
        case TAG_MODULATOR:
            target.modulators.push_back(oscillator);
            break;
        default:
            target.effects.push_back(effect);
            break;
        }
    }
}

} // namespace ovk
