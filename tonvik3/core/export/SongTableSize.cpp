#include "core/export/SongTableSize.h"

#include <zlib.h>

#include <cstddef>

#include "OvkSongDataTypes.h"
#include "core/export/COvkCSourceExport.h"
#include "morvane/api/CException.h"

namespace ovk {

namespace {

// The arrays' bytes, written field by field at the places the record types give them.
class CTableImage {
public:
    // Room for one more record of type T, all zeros; returns where it starts.
    template <class T>
    std::size_t Add()
    {
        const std::size_t at = m_bytes.size();
        m_bytes.resize(at + sizeof(T), 0);
        return at;
    }
    // The low size bytes of value, little-endian, at at: what the compiler
    // stores for a value converted to a field of that size.
    void Put(std::size_t at, std::size_t size, std::int64_t value)
    {
        for (std::size_t i = 0; i < size; ++i)
            m_bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    }
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// The place and size of a field of a record type.
#define OVK_FIELD(Record, field) at + offsetof(Record, field), sizeof(Record::field)

} // namespace

std::vector<std::uint8_t> SongTableImage(const COvkModuleData& song)
{
    const COvkCSourceExport tables(song);
    CTableImage image;
    for (int position = 0; position < tables.SongLength(); ++position)
        image.Put(image.Add<unsigned int>(), sizeof(unsigned int), tables.OrderEntry(position));
    for (std::uint32_t cell : tables.PatternCells())
        image.Put(image.Add<unsigned char>(), 1, cell);
    int written = 0;
    for (int c = 0; c < kChannels; ++c) {
        image.Put(image.Add<unsigned char>(), 1, written);
        written += tables.WrittenPatterns(c);
    }
    for (const COvkCSourceExport::TEnvelopeRow& e : tables.EnvelopeRows()) {
        const std::size_t at = image.Add<TOvkSongEnvelope>();
        image.Put(OVK_FIELD(TOvkSongEnvelope, min), e.min);
        image.Put(OVK_FIELD(TOvkSongEnvelope, max), e.max);
        image.Put(OVK_FIELD(TOvkSongEnvelope, speed), e.speed);
        image.Put(OVK_FIELD(TOvkSongEnvelope, phase), e.phase);
        image.Put(OVK_FIELD(TOvkSongEnvelope, keep), e.keep);
        image.Put(OVK_FIELD(TOvkSongEnvelope, sustain), e.sustain);
        image.Put(OVK_FIELD(TOvkSongEnvelope, resetOnNote), e.resetOnNote);
        image.Put(OVK_FIELD(TOvkSongEnvelope, resetPatterns), e.resetPatterns);
    }
    for (const COvkCSourceExport::TCounterRow& k : tables.CounterRows()) {
        const std::size_t at = image.Add<TOvkSongEnvelopeCounter>();
        image.Put(OVK_FIELD(TOvkSongEnvelopeCounter, envelope), k.envelope);
        image.Put(OVK_FIELD(TOvkSongEnvelopeCounter, channel), k.channel);
        image.Put(OVK_FIELD(TOvkSongEnvelopeCounter, startValue), k.startValue);
    }
    for (const COvkCSourceExport::TOscillatorRow& o : tables.OscillatorRows()) {
        const std::size_t at = image.Add<TOvkSongOscillator>();
        image.Put(OVK_FIELD(TOvkSongOscillator, octave), o.octave);
        image.Put(OVK_FIELD(TOvkSongOscillator, fraction), o.fraction);
        image.Put(OVK_FIELD(TOvkSongOscillator, type), o.type);
        image.Put(OVK_FIELD(TOvkSongOscillator, channel), o.channel);
        image.Put(OVK_FIELD(TOvkSongOscillator, carrier), o.carrier);
        image.Put(OVK_FIELD(TOvkSongOscillator, volume), o.volume);
        image.Put(OVK_FIELD(TOvkSongOscillator, volumeCounter), o.volumeCounter);
        image.Put(OVK_FIELD(TOvkSongOscillator, transposeCounter), o.transposeCounter);
    }
    for (const COvkCSourceExport::TEffectRow& e : tables.EffectRows()) {
        const std::size_t at = image.Add<TOvkSongEffect>();
        image.Put(OVK_FIELD(TOvkSongEffect, a), e.a);
        image.Put(OVK_FIELD(TOvkSongEffect, b), e.b);
        image.Put(OVK_FIELD(TOvkSongEffect, c), e.c);
        image.Put(OVK_FIELD(TOvkSongEffect, channel), e.channel);
        image.Put(OVK_FIELD(TOvkSongEffect, type), e.type);
        image.Put(OVK_FIELD(TOvkSongEffect, counterA), e.counterA);
        image.Put(OVK_FIELD(TOvkSongEffect, counterB), e.counterB);
    }
    for (int c = 0; c < kChannels; ++c)
        image.Put(image.Add<unsigned char>(), 1, song.channels[c].volume);
    for (int c = 0; c < kChannels; ++c)
        image.Put(image.Add<unsigned char>(), 1, tables.ChannelEnvelopeCounter(c));
    for (int c = 0; c < kChannels; ++c)
        image.Put(image.Add<bool>(), sizeof(bool), !song.channels[c].envelope.sustainEnabled);
    return std::move(image.Bytes());
}

#undef OVK_FIELD

TSongTableSize SongTableSize(const COvkModuleData& song)
{
    const std::vector<std::uint8_t> image = SongTableImage(song);
    uLongf deflatedSize = compressBound(static_cast<uLong>(image.size()));
    std::vector<Bytef> deflated(deflatedSize);
    if (compress2(deflated.data(), &deflatedSize, image.data(), static_cast<uLong>(image.size()), 9) != Z_OK)
        MRV_THROW(morvane::COutOfMemoryException, L"ovk::SongTableSize", L"The tables could not be deflated");
    return {image.size(), deflatedSize};
}

} // namespace ovk
