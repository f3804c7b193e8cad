// Song files (.tonvik): the header check and dispatch, and the writer of the
// current version.
#include "core/files/FileRecords.h"
#include "core/song/COvkModuleData.h"

#include "morvane/api/CException.h"
#include "morvane/data/CVarReader.h"
#include "morvane/data/CVarWriter.h"
#include "morvane/data/IStream.h"

namespace ovk {

using namespace files;

void COvkModuleData::Load(morvane::IInputStream* stream)
{
    Reset();
    if (!stream)
        MRV_THROW(morvane::CNullPtrException, L"ovk::COvkModuleData::Load", L"Given input stream is NULL");
    morvane::CVarReader reader(stream);
    const std::u16string version = ReadCountedText(reader);
    if (version == kSongHeaderV3)
        LoadVersion3(reader);
    else if (version == kSongHeaderV2)
        LoadVersion2(reader);
    else
        MRV_THROW(morvane::CDataFormatException, L"ovk::COvkModuleData::Load", L"Invalid file format");
}

void COvkModuleData::Save(morvane::IOutputStream* stream) const
{
    if (!stream)
        MRV_THROW(morvane::CNullPtrException, L"ovk::COvkModuleData::Save", L"Given output stream is NULL");
    WriteSongHeader(stream);
    morvane::CVarWriter writer(stream);
    writer << std::int32_t(TAG_SPEED_UNIT);
    writer << std::int32_t(TAG_MASTER) << tempo << masterVolume;
    // The 2048 words of each table as the unsigned writer puts them one by
    // one (the writer writes straight through), in one write.
    static_assert(sizeof(orderTable) == 2048 * sizeof(unsigned int) && sizeof(patterns) == sizeof(orderTable));
    writer << std::int32_t(TAG_ORDER_TABLE);
    stream->Write(orderTable, sizeof(orderTable));
    writer << std::int32_t(TAG_PATTERNS);
    stream->Write(patterns, sizeof(patterns));
    for (std::int32_t c = 0; c < kChannels; ++c) {
        writer << std::int32_t(TAG_CHANNEL) << c << channels[c].volume;
        WriteEnvelope(writer, channels[c].envelope);
    }
    for (std::int32_t c = 0; c < kChannels; ++c) {
        for (const TOvkOscillator& carrier : channels[c].carriers) {
            writer << std::int32_t(TAG_CARRIER) << c;
            WriteOscillator(writer, carrier, true);
        }
        for (const TOvkOscillator& modulator : channels[c].modulators) {
            writer << std::int32_t(TAG_MODULATOR) << c;
            WriteOscillator(writer, modulator, false);
        }
    }
    // An effect of an unknown type has no record and is left out.
    for (std::int32_t c = 0; c < kChannels; ++c)
        for (const TOvkEffect& effect : channels[c].effects)
            WriteEffect(writer, effect, c);
    writer << std::int32_t(TAG_END);
}

} // namespace ovk
