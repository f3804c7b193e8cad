#pragma once
#include "morvane/data/COutputStream.h"
#include "morvane/data/CInputStreamFilter.h"

namespace morvane {

// An output stream that writes into another one, its target, and forwards
// to it. Without a target it reports caps 0.
template <class I = IOutputStreamFilter>
class COutputStreamFilterImpl : public COutputStreamImpl<I> {
public:
    void Connect(IOutputStream* target) override
    {
        CRef<IOutputStream> kept(target); // before Disconnect: it may be the target held now
        Disconnect();
        m_target = std::move(kept);
    }
    void Disconnect() override { m_target.Reset(); }
    IOutputStream* GetSource() override { return CRef<IOutputStream>(m_target).Detach(); }

    void Close() override
    {
        if (m_target)
            m_target->Close();
    }
    unsigned int GetCaps() override { return m_target ? m_target->GetCaps() : 0; }
    std::uint64_t GetLength() override { return Target(L"morvane::COutputStreamFilter::GetLength")->GetLength(); }
    void Flush() override { Target(L"morvane::COutputStreamFilter::Flush")->Flush(); }
    void Seek(std::uint64_t position) override { Target(L"morvane::COutputStreamFilter::Seek")->Seek(position); }
    std::uint64_t Tell() override { return Target(L"morvane::COutputStreamFilter::Tell")->Tell(); }
    std::uint64_t Write(const void* buffer, std::uint64_t count) override
    {
        if (!m_target)
            ThrowNotConnected(L"morvane::COutputStreamFilter::Write", true);
        return m_target->Write(buffer, count);
    }

protected:
    explicit COutputStreamFilterImpl(const CId& classId) : COutputStreamImpl<I>(classId) {}

    IObject* FindInterface(const CId& id) override
    {
        return CObjectImpl<I>::template AnswerFor<I, IOutputStreamFilter, IOutputStream, IStream>(this, id);
    }

    IOutputStream* Target(const wchar_t* method) const
    {
        if (!m_target)
            ThrowNotConnected(method, false);
        return m_target.Get();
    }

    CRef<IOutputStream> m_target;
};

class MORVANE_API COutputStreamFilter : public COutputStreamFilterImpl<IOutputStreamFilter> {
public:
    COutputStreamFilter();
};

} // namespace morvane
