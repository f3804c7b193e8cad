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
    // A record is applied only when it was read whole and names a channel of the song.
    auto checkWhole = [&stream] {
        if (stream->CameShort())
            InvalidData();
    };
    auto checkChannel = [&checkWhole](std::int32_t channel) {
        checkWhole();
        if (static_cast<std::uint32_t>(channel) >= kChannels)
            InvalidData();
    };

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
            checkWhole();
            tempo = tempoRead;
            masterVolume = TruncToInt(master * 255.0f);
            break;
        }
        case TAG2_ORDER_TABLE:
        case TAG2_PATTERNS:
            reader.GetStreamTmp()->Read(words, sizeof(words));
            checkWhole();
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
            reader >> channel >> volume;
            const TOvkEnvelope envelope = ReadOldEnvelope(reader, OLD_ENVELOPE_GAIN);
            checkChannel(channel);
            COvkModuleChannel& target = channels[channel];
            target.volume = TruncToInt(volume * 255.0f);
            target.envelope = envelope;
            target.carriers.clear();
            target.modulators.clear();
            break;
        }
        case TAG2_DELAY:
        case TAG2_FLANGE: {
            reader >> channel;
            const std::optional<TOvkEffect> effect = tag == TAG2_DELAY ? ReadOldDelay(reader) : ReadOldFlange(reader);
            checkChannel(channel);
            if (effect)
                channels[channel].effects.push_back(*effect);
            break;
        }
        case TAG2_OSCILLATOR: {
            reader >> channel;
            const TOvkOscillator carrier = ReadOldOscillator(reader);
            checkChannel(channel);
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
        case TAG2_IGNORED_B:
            SkipOldIgnoredB(reader);
            break;
        default:
            InvalidData();
        }
        // A record that the end of the file cut short is damage, not an end.
        checkWhole();
    }
}

} // namespace ovk
