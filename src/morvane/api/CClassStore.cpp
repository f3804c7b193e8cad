#include "morvane/api/CClassStore.h"

#include <atomic>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/system/CBinaryLock.h"
#include "morvane/util/Containers.h"

namespace morvane {

TClassInfo::TClassInfo(CId id_, const wchar_t* name_, IObject* (*create_)()) : id(id_), name(name_), create(create_) {}

struct TClassStoreBody {
    std::vector<TClassInfo*> classes; // the store's own copies, in registration order
    mutable CBinaryLock lock;

    ~TClassStoreBody()
    {
        for (TClassInfo* info : classes)
            delete info;
    }

    template <class Match>
    const TClassInfo* Find(Match match) const
    {
        CAutoLock<CBinaryLock> guard(lock);
        for (const TClassInfo* info : classes)
            if (match(*info))
                return info;
        return nullptr;
    }
};

namespace {

bool SameName(const wchar_t* a, const wchar_t* b)
{
    if (!a || !b)
        return a == b;
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

} // namespace

CClassStore::CClassStore() : m_body(nullptr) {}

CClassStore::~CClassStore()
{
    if (m_body) {
        // A programming error, but never thrown out of a destructor.
        MRV_REPORT_BUG(L"morvane::CClassStore::~CClassStore", L"Not closed");
        Close();
    }
}

void CClassStore::Init()
{
    if (!m_body)
        m_body = new TClassStoreBody;
}

void CClassStore::Close()
{
    if (!m_body)
        return;
    Clear();
    delete m_body;
    m_body = nullptr;
}

void CClassStore::RegisterClassMrv(const TClassInfo& info)
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CClassStore::RegisterClassMrv", L"Not initialized");
    auto* copy = new TClassInfo(info);
    CAutoLock<CBinaryLock> guard(m_body->lock);
    m_body->classes.push_back(copy);
}

const TClassInfo* CClassStore::GetClassInfo(const CId& id) const
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CClassStore::GetClassInfo", L"Not initialized");
    const TClassInfo* info = m_body->Find([&id](const TClassInfo& c) { return c.id == id; });
    if (!info)
        MRV_THROW(CClassNotFoundException, L"morvane::CClassStore::GetClass", L"");
    return info;
}

const TClassInfo* CClassStore::GetClassInfo(const wchar_t* name) const
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CClassStore::GetClassInfo", L"Not initialized");
    const TClassInfo* info = m_body->Find([name](const TClassInfo& c) { return SameName(c.name, name); });
    if (!info)
        MRV_THROW(CClassNotFoundException, L"morvane::CClassStore::GetClass", L"");
    return info;
}

IObject* CClassStore::CreateObject(const CId& id) const
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CClassStore::CreateObject", L"Not initialized");
    IObject* (*create)() = nullptr;
    {
        // The factory runs under the lock; the guard also frees the lock when
        // a factory throws.
        CAutoLock<CBinaryLock> guard(m_body->lock);
        for (const TClassInfo* info : m_body->classes)
            if (info->id == id) {
                create = info->create;
                break;
            }
        if (create)
            return create();
    }
    MRV_THROW(CClassNotFoundException, L"morvane::CClassStore::CreateObject", L"Cannot find class");
}

IObject* CClassStore::CreateObject(const wchar_t* name) const
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CClassStore::CreateObject", L"Not initialized");
    {
        CAutoLock<CBinaryLock> guard(m_body->lock);
        for (const TClassInfo* info : m_body->classes)
            if (SameName(info->name, name))
                return info->create();
    }
    MRV_THROW(CClassNotFoundException, L"morvane::CClassStore::CreateObject", L"");
}

IObjectEnumerator* CClassStore::EnumerateClasses() const
{
    auto* enumerator = new CPushObjectEnumerator;
    if (!m_body)
        return enumerator;
    CAutoLock<CBinaryLock> guard(m_body->lock);
    enumerator->Reserve(static_cast<unsigned int>(m_body->classes.size()));
    for (TClassInfo* info : m_body->classes) {
        auto* pointer = new CPtrObject(info);
        enumerator->Push(pointer);
        pointer->Release();
    }
    return enumerator;
}

void CClassStore::Clear()
{
    if (!m_body)
        return;
    CAutoLock<CBinaryLock> guard(m_body->lock);
    for (TClassInfo* info : m_body->classes)
        delete info;
    m_body->classes.clear();
}

void CClassStore::Dump() const
{
    if (!m_body) {
        CDebug::PrintMessage(DEBUG_MESSAGE_STDOUT, L"Class dump - not initialized!");
        return;
    }
    CAutoLock<CBinaryLock> guard(m_body->lock);
    CDebug::PrintMessage(DEBUG_MESSAGE_STDOUT, L"Class dump");
    for (const TClassInfo* info : m_body->classes)
        CDebug::PrintMessage(DEBUG_MESSAGE_STDOUT, L" * %ls - %ls", info->id.ToString().c_str(),
                             info->name ? info->name : L"");
    CDebug::PrintMessage(DEBUG_MESSAGE_STDOUT, L"---");
}

struct CObjectCounter::TCounter {
    std::atomic<unsigned int> next{1};
};

CObjectCounter::CObjectCounter() : m_counter(nullptr) {}

CObjectCounter::~CObjectCounter()
{
    if (m_counter) {
        MRV_REPORT_BUG(L"morvane::CObjectCounter::~CObjectCounter", L"Not closed");
        Close();
    }
}

void CObjectCounter::Init()
{
    if (!m_counter)
        m_counter = new TCounter;
}

void CObjectCounter::Close()
{
    delete m_counter;
    m_counter = nullptr;
}

int CObjectCounter::OnCreateObject(const CId&)
{
    if (!m_counter)
        MRV_THROW(CBugException, L"morvane::CObjectCounter::OnCreateObject", L"Not initialized");
    return static_cast<int>(m_counter->next.fetch_add(1));
}

void CObjectCounter::OnDestroyObject(const CId&)
{
    if (!m_counter)
        MRV_THROW(CBugException, L"morvane::CObjectCounter::OnDestroyObject", L"Not initialized");
}

int OnObjectCreated(const CId& classId) { return q.objectCounter.OnCreateObject(classId); }
void OnObjectDestroyed(const CId& classId)
{
    // Runs inside Release, often from a destructor: an object released after
    // the framework closed is reported (the exception reports itself when it
    // is made) and still freed, instead of throwing out of Release.
    try {
        q.objectCounter.OnDestroyObject(classId);
    } catch (const CBugException&) {
    }
}

} // namespace morvane
