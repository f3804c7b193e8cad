#include "morvane/api/CClassStore.h"

#include <atomic>
#include <cwchar>
#include <memory>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/system/CBinaryLock.h"
#include "morvane/util/Containers.h"

namespace morvane {

TClassInfo::TClassInfo(CId id_, const wchar_t* name_, IObject* (*create_)()) : id(id_), name(name_), create(create_) {}

struct TClassStoreBody {
    // The store's own copies, in registration order; EnumerateClasses hands
    // out their addresses, so each record stays where it was made.
    std::vector<std::unique_ptr<TClassInfo>> classes;
    mutable CBinaryLock lock;

    // The first record that matches. The lock is recursive: CreateObject
    // already holds it, so that the factory runs under it.
    template <class Match>
    const TClassInfo* Find(Match match) const
    {
        CAutoLock<CBinaryLock> guard(lock);
        for (const auto& info : classes)
            if (match(*info))
                return info.get();
        return nullptr;
    }
};

namespace {

const TClassStoreBody& OpenBody(const TClassStoreBody* body, const wchar_t* method)
{
    if (!body)
        MRV_THROW(CBugException, method, L"Not initialized");
    return *body;
}

auto ById(const CId& id)
{
    return [&id](const TClassInfo& info) { return info.id == id; };
}

auto ByName(const wchar_t* name)
{
    return [name](const TClassInfo& info) {
        return info.name && name ? std::wcscmp(info.name, name) == 0 : info.name == name;
    };
}

template <class Match>
const TClassInfo* Lookup(const TClassStoreBody& body, Match match)
{
    if (const TClassInfo* info = body.Find(match))
        return info;
    MRV_THROW(CClassNotFoundException, L"morvane::CClassStore::GetClass", L"");
}

// The lock is freed (by the guard, also when a factory throws) before a miss
// is raised.
template <class Match>
IObject* Create(const TClassStoreBody& body, Match match, const wchar_t* missReason)
{
    {
        CAutoLock<CBinaryLock> guard(body.lock);
        if (const TClassInfo* info = body.Find(match))
            return info->create();
    }
    MRV_THROW(CClassNotFoundException, L"morvane::CClassStore::CreateObject", missReason);
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
    OpenBody(m_body, L"morvane::CClassStore::RegisterClassMrv");
    auto copy = std::make_unique<TClassInfo>(info);
    CAutoLock<CBinaryLock> guard(m_body->lock);
    m_body->classes.push_back(std::move(copy));
}

const TClassInfo* CClassStore::GetClassInfo(const CId& id) const
{
    return Lookup(OpenBody(m_body, L"morvane::CClassStore::GetClassInfo"), ById(id));
}

const TClassInfo* CClassStore::GetClassInfo(const wchar_t* name) const
{
    return Lookup(OpenBody(m_body, L"morvane::CClassStore::GetClassInfo"), ByName(name));
}

IObject* CClassStore::CreateObject(const CId& id) const
{
    return Create(OpenBody(m_body, L"morvane::CClassStore::CreateObject"), ById(id), L"Cannot find class");
}

IObject* CClassStore::CreateObject(const wchar_t* name) const
{
    return Create(OpenBody(m_body, L"morvane::CClassStore::CreateObject"), ByName(name), L"");
}

IObjectEnumerator* CClassStore::EnumerateClasses() const
{
    auto* enumerator = new CPushObjectEnumerator;
    if (!m_body)
        return enumerator;
    CAutoLock<CBinaryLock> guard(m_body->lock);
    enumerator->Reserve(static_cast<unsigned int>(m_body->classes.size()));
    for (const auto& info : m_body->classes) {
        auto* pointer = new CPtrObject(info.get());
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
    for (const auto& info : m_body->classes)
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
