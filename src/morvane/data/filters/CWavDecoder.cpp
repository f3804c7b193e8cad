#include "morvane/data/filters/CWavDecoder.h"

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"

namespace morvane {

namespace {

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24); }

} // namespace

CWavDecoder::CWavDecoder() : CInputStreamFilterImpl(clsid::CWavDecoder), m_chunks(CRef<CWavChunkDecoder>::Adopt(new CWavChunkDecoder))
{
}

CWavDecoder::~CWavDecoder() = default;

void CWavDecoder::Connect(IInputStream* source)
{
    Disconnect();
    if (!source)
        return;
    const wchar_t* method = L"morvane::CWavDecoder::Connect";
    m_chunks->Connect(source);
    TDataFormat_AudioPcm format{};
    const wchar_t* failure = nullptr;
    try {
        m_chunks->SelectChunk("fmt ");
        // Format tag, channels, samples per second, bytes per second, block
        // alignment, bits per sample.
        std::uint8_t fmt[16];
        if (m_chunks->Read(fmt, 16) < 16) {
            failure = L"Invalid fmt chunk size";
        } else if (Le16(fmt) != 1) {
            failure = L"Unsupported wave format";
        } else if (Le16(fmt + 14) != 8 && Le16(fmt + 14) != 16) {
            failure = L"Usupported bits per sample";
        } else if (Le16(fmt + 2) == 0 || Le32(fmt + 4) == 0) {
            // No channels or no rate: nothing could be played or timed.
            failure = L"Invalid fmt chunk";
        } else {
            format = MakeAudioPcmFormat(Le16(fmt + 14) == 8 ? SAMPLE_FORMAT_U8 : SAMPLE_FORMAT_S16, Le16(fmt + 2),
                                        Le32(fmt + 4));
            m_chunks->SelectChunk("data");
        }
    } catch (...) {
        m_chunks->Disconnect();
        throw;
    }
    if (failure) {
        m_chunks->Disconnect();
        MRV_THROW(CDataFormatException, method, failure);
    }
    m_format = format;
    m_source = CRef<IInputStream>(m_chunks.Get());
}

void CWavDecoder::Disconnect()
{
    CInputStreamFilterImpl::Disconnect();
    m_chunks->Disconnect();
    m_format = {};
}

IInputStream* CWavDecoder::GetSource() { return m_source ? m_chunks->GetSource() : nullptr; }

const TDataFormat* CWavDecoder::GetFormat() { return m_source ? &m_format : GetNullFormat(); }

void CWavDecoder::Skip(std::uint64_t count)
{
    Source(L"morvane::CWavDecoder::Skip");
    m_chunks->Skip(count);
}

} // namespace morvane
