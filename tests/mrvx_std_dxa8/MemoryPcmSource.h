#pragma once
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CObjectImpl.h"
#include "morvane/data/IStream.h"
#include "morvane/data/TDataFormat.h"

namespace dxa8_test {

// A PCM input stream over bytes in memory, with switchable capabilities, a
// switch that makes it stall (deliver nothing without being at its end), one
// that makes every Seek fail, and a gate that holds every Read until opened.
class CMemoryPcmSource : public morvane::CObjectImpl<morvane::IInputStream> {
public:
    static constexpr morvane::CId kClassId{0x7E570001, 0x00000001, 0x00000002, 0x00000003};

    CMemoryPcmSource(std::vector<std::uint8_t> bytes, const morvane::TDataFormat_AudioPcm& format,
                     unsigned int caps = morvane::STREAM_CAN_SEEK | morvane::STREAM_CAN_TELL |
                                         morvane::STREAM_CAN_GET_LENGTH)
        : CObjectImpl(kClassId), m_bytes(std::move(bytes)), m_format(format), m_caps(caps)
    {
    }

    // Bytes i of a source of n bytes: never 0, so that silence stands out.
    static std::vector<std::uint8_t> Pattern(std::size_t n)
    {
        std::vector<std::uint8_t> bytes(n);
        for (std::size_t i = 0; i < n; ++i)
            bytes[i] = static_cast<std::uint8_t>(i % 251 + 1);
        return bytes;
    }

    void SetStalled(bool stalled) { m_stalled = stalled; }
    void SetSeekFails(bool fails) { m_seekFails = fails; }
    // Closed, Read waits until the gate opens again.
    void SetGateOpen(bool open)
    {
        {
            std::lock_guard<std::mutex> guard(m_gateMutex);
            m_gateOpen = open;
        }
        m_gateCv.notify_all();
    }
    // Reads that have come to the closed gate and wait there.
    int WaitingAtTheGate() const { return m_atTheGate.load(); }
    std::uint64_t Reads() const { return m_reads.load(); }

    void Close() override {}
    unsigned int GetCaps() override { return m_caps; }
    std::uint64_t GetLength() override
    {
        if (!(m_caps & morvane::STREAM_CAN_GET_LENGTH))
            MRV_THROW(morvane::COperationNotSupportedException, L"CMemoryPcmSource::GetLength", L"No length");
        return m_bytes.size();
    }
    void Flush() override {}
    void Seek(std::uint64_t position) override
    {
        if (!(m_caps & morvane::STREAM_CAN_SEEK))
            MRV_THROW(morvane::COperationNotSupportedException, L"CMemoryPcmSource::Seek", L"No seek");
        if (m_seekFails)
            MRV_THROW(morvane::CFileAccessException, L"CMemoryPcmSource::Seek", L"Seek failed");
        m_pos = position;
    }
    std::uint64_t Tell() override
    {
        if (!(m_caps & morvane::STREAM_CAN_TELL))
            MRV_THROW(morvane::COperationNotSupportedException, L"CMemoryPcmSource::Tell", L"No tell");
        return m_pos;
    }
    bool Eof() override { return m_pos >= m_bytes.size(); }
    const morvane::TDataFormat* GetFormat() override { return &m_format; }
    void Read(morvane::IMediaSample*) override {}
    std::uint64_t Read(void* buffer, std::uint64_t count) override
    {
        {
            std::unique_lock<std::mutex> lock(m_gateMutex);
            ++m_atTheGate;
            m_gateCv.wait(lock, [this] { return m_gateOpen; });
            --m_atTheGate;
        }
        ++m_reads;
        if (m_stalled || m_pos >= m_bytes.size())
            return 0;
        std::uint64_t n = std::min<std::uint64_t>(count, m_bytes.size() - m_pos);
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        return n;
    }
    bool HasProperty(const void*) override { return false; }
    void Skip(std::uint64_t count) override { m_pos += count; }

protected:
    morvane::IObject* FindInterface(const morvane::CId& id) override
    {
        return AnswerFor<morvane::IInputStream, morvane::IStream>(this, id);
    }

private:
    std::vector<std::uint8_t> m_bytes;
    morvane::TDataFormat_AudioPcm m_format;
    unsigned int m_caps;
    std::uint64_t m_pos = 0;
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_seekFails{false};
    std::atomic<std::uint64_t> m_reads{0};
    std::mutex m_gateMutex;
    std::condition_variable m_gateCv;
    bool m_gateOpen = true;
    std::atomic<int> m_atTheGate{0};
};

// Seconds of 44100 Hz 16-bit mono in the pattern.
inline CMemoryPcmSource* MakeMonoSource(float seconds, unsigned int caps = morvane::STREAM_CAN_SEEK |
                                                                           morvane::STREAM_CAN_TELL |
                                                                           morvane::STREAM_CAN_GET_LENGTH)
{
    auto bytes = static_cast<std::size_t>(seconds * 44100) * 2;
    return new CMemoryPcmSource(CMemoryPcmSource::Pattern(bytes), morvane::FORMAT_44100HZ_16BIT_MONO, caps);
}

} // namespace dxa8_test
