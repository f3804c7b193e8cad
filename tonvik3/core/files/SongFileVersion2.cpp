// The body of a "tonvik v2.0" song file: floats for gains, angles for
// envelope positions, and a file that may simply end.
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
    MRV_THROW(morvane::CDataFormatException, L"ovk::COvkModuleData::LoadVersion2", L"Invalid data format");
}

} // namespace

void COvkModuleData::LoadVersion2(morvane::CVarReader& source)
{
    morvane::CRef<CRecordStream> stream = CRecordStream::Wrap(source.GetStreamTmp());
    morvane::CVarReader reader(stream.Get());
    std::int32_t words[kChannels * 256];

    for (;;) {
        std::int32_t tag = 0;
        reader >> tag;
        // These files have no obligatory end: the data may stop after any record.
        if (reader.Eof())
            return;

        std::int32_t channel = 0;
        switch (tag) {
        case TAG2_SONG: {
            std::int32_t tempoRead = 0;
            float master = 0.0f;
            reader >> tempoRead >> master;
            for (int i = 0; i < 3; ++i)
                ReadCountedText(reader);  // title, author and comment are not kept
            if (stream->CameShort())
                InvalidData();
            tempo = tempoRead;
            masterVolume = TruncToInt(master * 255.0f);
            break;
        }
        case TAG2_ORDER_TABLE:
        case TAG2_PATTERNS:
            for (std::int32_t& word : words)
                reader >> word;
            if (stream->CameShort())
                InvalidData();
            if (tag == TAG2_ORDER_TABLE) {
                // Signed: -1 is accepted (and plays nothing), 16 and above are not.
                for (std::int32_t pattern : words)
                    if (pattern > 15)
                        InvalidData();
                std::memcpy(orderTable, words, sizeof(orderTable));
            } else {
                std::memcpy(patterns, words, sizeof(patterns));
            }
            break;
        case TAG2_CHANNEL: {
            float volume = 0.0f;
            TOldEnvelope old;
            reader >> channel >> volume;
            ReadOldEnvelope(reader, old);
            if (stream->CameShort() || static_cast<std::uint32_t>(channel) >= kChannels)
                InvalidData();
            COvkModuleChannel& target = channels[channel];
            target.volume = TruncToInt(volume * 255.0f);
            target.envelope = ConvertOldEnvelope(old, OLD_ENVELOPE_GAIN);
            target.carriers.clear();
            target.modulators.clear();
            break;
        }
        case TAG2_DELAY: {
            bool enabled = false;
            float length = 0.0f, feedback = 0.0f;
            reader >> channel >> enabled >> length >> feedback;
            if (stream->CameShort() || static_cast<std::uint32_t>(channel) >= kChannels)
                InvalidData();
            if (enabled)
                channels[channel].effects.push_back(OldDelay(length, feedback));
            break;
        }
        case TAG2_FLANGE: {
            bool enabled = false;
            float ignored = 0.0f;
            TOldEnvelope old;
            reader >> channel >> enabled >> ignored;
            ReadOldEnvelope(reader, old);
            if (stream->CameShort() || static_cast<std::uint32_t>(channel) >= kChannels)
                InvalidData();
            if (enabled)
                channels[channel].effects.push_back(OldFlange(ConvertOldEnvelope(old, OLD_ENVELOPE_PLAIN)));
            break;
        }
        case TAG2_OSCILLATOR: {
            std::int32_t ignored = 0, oldType = 0;
            TOldEnvelope volumeEnvelope, transposeEnvelope;
            float volume = 0.0f, pitch = 0.0f;
            reader >> channel >> ignored >> oldType;
            ReadOldEnvelope(reader, volumeEnvelope);
            ReadOldEnvelope(reader, transposeEnvelope);
            reader >> volume >> pitch;
            if (stream->CameShort() || static_cast<std::uint32_t>(channel) >= kChannels)
                InvalidData();
            TOvkOscillator carrier;
            carrier.type = ConvertOldOscillatorType(oldType);
            carrier.volumeEnvelope = ConvertOldEnvelope(volumeEnvelope, OLD_ENVELOPE_GAIN);
            carrier.transposeEnvelope = ConvertOldEnvelope(transposeEnvelope, OLD_ENVELOPE_SEMITONES);
            carrier.volume = TruncToInt(volume * 255.0f);
            carrier.cents = TruncToInt(pitch * 100.0f);
            channels[channel].carriers.push_back(carrier);
            channels[channel].modulators.push_back(TOvkOscillator());
            break;
        }
        case TAG2_END:
            return;
        case TAG2_IGNORED_A: {
            std::int32_t a = 0, b = 0;
            bool flag = false;
            reader >> a >> flag >> b;
            break;
        }
        case TAG2_IGNORED_B: {
            bool flag = false;
            float a = 0.0f, b = 0.0f;
            TOldEnvelope old;
            reader >> flag >> a >> b;
            ReadOldEnvelope(reader, old);
            break;
        }
        default:
            InvalidData();
        }
        // A record that the end of the file cut short is damage, not an end.
        if (stream->CameShort())
            InvalidData();
    }
}

} // namespace ovk
