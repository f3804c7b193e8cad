#pragma once
#include <utility>
#include "morvane/api/IObject.h"

namespace morvane {

// Owning holder of one interface reference: releases it when destroyed.
template <class I>
class CRef {
public:
    CRef() = default;
    CRef(std::nullptr_t) {}
    // Shares p: adds a reference of its own.
    explicit CRef(I* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    // Takes over a reference that the caller already owns.
    static CRef Adopt(I* p)
    {
        CRef r;
        r.m_p = p;
        return r;
    }
    CRef(const CRef& o) : CRef(o.m_p) {}
    CRef(CRef&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~CRef() { Reset(); }

    CRef& operator=(CRef o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }

    void Reset()
    {
        if (I* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // Hands the reference to the caller.
    I* Detach() { return std::exchange(m_p, nullptr); }

    I* Get() const { return m_p; }
    I* operator->() const { return m_p; }
    I& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    I* m_p = nullptr;
};

// Queries object for I; the holder owns the new reference.
template <class I>
CRef<I> QueryRef(IObject* object)
{
    return CRef<I>::Adopt(QueryInterfaceAs<I>(object));
}

} // namespace morvane
