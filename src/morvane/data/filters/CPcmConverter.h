#pragma once
#include <cstdint>
#include <vector>
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/TDataFormat.h"

namespace morvane {

// What the two PCM converters share: the source is decoded into audio PCM
// when it connects, and every read converts whole units (a sample, or a
// frame) of the source into units of the output. Positions, lengths and
// skips map between the two by their unit sizes.
template <class I>
class CPcmConverterImpl : public CInputStreamFilterImpl<I> {
public:
    void Connect(IInputStream* source) override
    {
        this->Disconnect();
        if (!source)
            return;
        auto decoded = CRef<IInputStream>::Adopt(q.codecStore.DecodeStream(source, kAudioPcmFormatId));
        const TDataFormat* format = decoded->GetFormat();
        if (format->formatId != kAudioPcmFormatId || format->size != sizeof(TDataFormat_AudioPcm))
            MRV_THROW(CDataFormatException, m_methods.connect, m_formatReason);
        TDataFormat_AudioPcm pcm = *static_cast<const TDataFormat_AudioPcm*>(format);
        if (!Accepts(pcm))
            MRV_THROW(CDataFormatException, m_methods.connect, m_formatReason);
        m_sourceFormat = pcm;
        this->m_source = std::move(decoded);
    }

    const TDataFormat* GetFormat() override
    {
        if (!this->m_source)
            return GetNullFormat();
        m_outputFormat = OutputFormat(m_sourceFormat);
        return &m_outputFormat;
    }

    std::uint64_t Read(void* buffer, std::uint64_t count) override
    {
        if (!buffer)
            ThrowNullBuffer(m_methods.read);
        if (!this->m_source)
            ThrowNotConnected(m_methods.read, true);
        const std::uint64_t in = SourceUnit(), out = OutputUnit();
        if (in == 0 || out == 0)
            return 0;
        auto* target = static_cast<std::uint8_t*>(buffer);
        std::uint64_t units = count / out, done = 0;
        while (done < units) {
            std::uint64_t piece = units - done < kUnitsPerPiece ? units - done : kUnitsPerPiece;
            m_scratch.resize(static_cast<std::size_t>(piece * in));
            std::uint64_t got = this->m_source->Read(m_scratch.data(), piece * in) / in;
            Convert(m_scratch.data(), target + done * out, static_cast<std::size_t>(got));
            done += got;
            if (got < piece)
                break;
        }
        return done * out;
    }
    using CInputStreamFilterImpl<I>::Read;

    void Seek(std::uint64_t position) override
    {
        this->Source(m_methods.seek)->Seek(position / OutputUnit() * SourceUnit());
    }
    std::uint64_t Tell() override { return this->Source(m_methods.tell)->Tell() / SourceUnit() * OutputUnit(); }
    std::uint64_t GetLength() override
    {
        return this->Source(m_methods.length)->GetLength() / SourceUnit() * OutputUnit();
    }
    void Flush() override { this->Source(m_methods.flush)->Flush(); }
    void Skip(std::uint64_t count) override
    {
        IInputStream* source = this->Source(m_methods.skip);
        const unsigned int seekable = STREAM_CAN_SEEK | STREAM_CAN_TELL;
        if ((source->GetCaps() & seekable) == seekable) {
            Seek(Tell() + count);
            return;
        }
        // A source that cannot seek is read and the bytes dropped.
        std::uint64_t left = count / OutputUnit() * SourceUnit();
        std::vector<std::uint8_t> sink(static_cast<std::size_t>(left < 65536 ? left : 65536));
        while (left > 0) {
            std::uint64_t piece = left < sink.size() ? left : sink.size();
            std::uint64_t got = source->Read(sink.data(), piece);
            left -= got;
            if (got < piece)
                break;
        }
    }

protected:
    struct TMethods {
        const wchar_t* connect;
        const wchar_t* read;
        const wchar_t* seek;
        const wchar_t* tell;
        const wchar_t* length;
        const wchar_t* flush;
        const wchar_t* skip;
    };

    CPcmConverterImpl(const CId& classId, const TMethods& methods, const wchar_t* formatReason)
        : CInputStreamFilterImpl<I>(classId), m_methods(methods), m_formatReason(formatReason)
    {
    }

    // Whether the decoded source can be converted at all.
    virtual bool Accepts(const TDataFormat_AudioPcm& source) const = 0;
    virtual TDataFormat_AudioPcm OutputFormat(const TDataFormat_AudioPcm& source) const = 0;
    virtual std::uint64_t SourceUnit() const = 0;
    virtual std::uint64_t OutputUnit() const = 0;
    virtual void Convert(const std::uint8_t* source, std::uint8_t* target, std::size_t units) const = 0;

    TDataFormat_AudioPcm m_sourceFormat{};

private:
    static constexpr std::uint64_t kUnitsPerPiece = 4096;

    TMethods m_methods;
    const wchar_t* m_formatReason;
    TDataFormat_AudioPcm m_outputFormat{};
    std::vector<std::uint8_t> m_scratch;
};

} // namespace morvane
