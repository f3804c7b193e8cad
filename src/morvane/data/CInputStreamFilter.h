#pragma once
#include "morvane/api/CRef.h"
#include "morvane/data/CInputStream.h"

namespace morvane {

[[noreturn]] MORVANE_API void ThrowNotConnected(const wchar_t* method, bool io);

// An input stream that reads another one, its source, and forwards to it.
// Without a source it reports caps 0 and Eof; reads raise CIOException and
// the positioning operations COperationNotSupportedException, both
// "Stream is not connected". Skip does nothing unless a filter overrides it.
template <class I = IInputStreamFilter>
class CInputStreamFilterImpl : public CInputStreamImpl<I> {
public:
    void Connect(IInputStream* source) override
    {
        CRef<IInputStream> kept(source); // before Disconnect: it may be the source held now
        Disconnect();
        m_source = std::move(kept);
    }
    void Disconnect() override { m_source.Reset(); }
    IInputStream* GetSource() override { return CRef<IInputStream>(m_source).Detach(); }

    void Close() override
    {
        if (m_source)
            m_source->Close();
    }
    unsigned int GetCaps() override { return m_source ? m_source->GetCaps() : 0; }
    bool Eof() override { return m_source ? m_source->Eof() : true; }
    std::uint64_t GetLength() override { return Source(L"morvane::CInputStreamFilter::GetLength")->GetLength(); }
    void Flush() override { Source(L"morvane::CInputStreamFilter::Flush")->Flush(); }
    void Seek(std::uint64_t position) override { Source(L"morvane::CInputStreamFilter::Seek")->Seek(position); }
    std::uint64_t Tell() override { return Source(L"morvane::CInputStreamFilter::Tell")->Tell(); }
    std::uint64_t Read(void* buffer, std::uint64_t count) override
    {
        if (!buffer)
            ThrowNullBuffer(L"morvane::CInputStreamFilter::Read");
        if (!m_source)
            ThrowNotConnected(L"morvane::CInputStreamFilter::Read", true);
        return m_source->Read(buffer, count);
    }
    using CInputStreamImpl<I>::Read;
    void Skip(std::uint64_t) override {}

protected:
    explicit CInputStreamFilterImpl(const CId& classId) : CInputStreamImpl<I>(classId) {}

    IObject* FindInterface(const CId& id) override
    {
        return CObjectImpl<I>::template AnswerFor<I, IInputStreamFilter, IInputStream, IStream>(this, id);
    }

    // The source, or COperationNotSupportedException "Stream is not connected".
    IInputStream* Source(const wchar_t* method) const
    {
        if (!m_source)
            ThrowNotConnected(method, false);
        return m_source.Get();
    }

    CRef<IInputStream> m_source;
};

// The plain forwarding filter.
class MORVANE_API CInputStreamFilter : public CInputStreamFilterImpl<IInputStreamFilter> {
public:
    CInputStreamFilter();
};

} // namespace morvane
