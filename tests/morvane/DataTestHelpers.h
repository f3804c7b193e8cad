#pragma once
// Helpers shared by the data-path tests: temporary files, byte literals and
// small streams with behaviour the framework's own streams do not have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "core_expect.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CInputStream.h"
#include "morvane/data/COutputStream.h"
#include "support/TempFolder.h"

namespace datatest {

using core_test::RefCount;

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(std::initializer_list<int> values)
{
    Bytes bytes;
    for (int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

using tonvik_test::CTempFolder;

inline Bytes ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

constexpr morvane::CId kTestStreamClass{0x7E570001, 0, 0, 1};

// An input stream that reports the caps it is given (none, like a pipe) and
// delivers at most `piece` bytes per read.
class CPipeStream : public morvane::CInputStreamImpl<morvane::IInputStream> {
public:
    explicit CPipeStream(Bytes bytes, std::uint64_t piece = UINT64_MAX)
        : CInputStreamImpl(kTestStreamClass), m_bytes(std::move(bytes)), m_piece(piece)
    {
    }
    unsigned int GetCaps() override { return caps; }
    void Seek(std::uint64_t position) override { m_at = static_cast<std::size_t>(std::min<std::uint64_t>(position, m_bytes.size())); }
    std::uint64_t Tell() override { return m_at; }
    bool Eof() override { return m_at >= m_bytes.size(); }
    std::uint64_t Read(void* buffer, std::uint64_t count) override
    {
        std::uint64_t n = std::min({count, m_piece, static_cast<std::uint64_t>(m_bytes.size() - m_at)});
        std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at), n, static_cast<std::uint8_t*>(buffer));
        m_at += n;
        asked += count;
        return n;
    }
    using CInputStreamImpl::Read;
    std::uint64_t asked = 0; // bytes asked for over all reads
    unsigned int caps = 0;

private:
    Bytes m_bytes;
    std::uint64_t m_piece;
    std::size_t m_at = 0;
};

// Records every write separately.
class CRecordingStream : public morvane::COutputStreamImpl<morvane::IOutputStream> {
public:
    CRecordingStream() : COutputStreamImpl(kTestStreamClass) {}
    std::uint64_t Write(const void* buffer, std::uint64_t count) override
    {
        auto* p = static_cast<const std::uint8_t*>(buffer);
        writes.emplace_back(p, p + count);
        return count;
    }
    Bytes All() const
    {
        Bytes all;
        for (const Bytes& w : writes)
            all.insert(all.end(), w.begin(), w.end());
        return all;
    }
    std::vector<Bytes> writes;
};

// Runs f, which must throw exception type E with exactly this reason.
template <class E, class F>
void ExpectThrowReason(F&& f, const std::wstring& reason)
{
    core_test::ExpectThrow<E>(std::forward<F>(f), nullptr, reason.c_str());
}

} // namespace datatest
