#include "morvane/devices/CDeviceClassStore.h"

#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/system/CBinaryLock.h"
#include "morvane/util/Containers.h"

namespace morvane {

TDeviceClassInfo::TDeviceClassInfo(CId classId_, TDeviceType type_) : classId(classId_), type(type_) {}

struct TDeviceStoreBody {
    std::vector<TDeviceClassInfo*> devices; // the store's own copies, in registration order
    mutable CBinaryLock lock;

    ~TDeviceStoreBody()
    {
        for (TDeviceClassInfo* info : devices)
            delete info;
    }
};

CDeviceClassStore::CDeviceClassStore() : m_body(nullptr) {}

CDeviceClassStore::~CDeviceClassStore()
{
    if (m_body) {
        MRV_REPORT_BUG(L"morvane::CDeviceClassStore::~CDeviceClassStore", L"Not closed");
        Close();
    }
}

void CDeviceClassStore::Init()
{
    if (!m_body)
        m_body = new TDeviceStoreBody;
}

void CDeviceClassStore::Close()
{
    delete m_body;
    m_body = nullptr;
}

void CDeviceClassStore::RegisterDevice(const TDeviceClassInfo& info)
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CDeviceClassStore::RegisterDevice", L"Not initialized");
    bool registered = true;
    try {
        q.classStore.GetClassInfo(info.classId);
    } catch (const CClassNotFoundException&) {
        registered = false;
    }
    if (!registered)
        MRV_THROW(CBugException, L"morvane::CDeviceClassStore::RegisterDevice", L"Class must be registered first");
    auto* copy = new TDeviceClassInfo(info);
    CAutoLock<CBinaryLock> guard(m_body->lock);
    m_body->devices.push_back(copy);
}

IDevice* CDeviceClassStore::CreateDevice(TDeviceType type) const
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CDeviceClassStore::CreateDevice", L"Not initialized");
    const wchar_t* failure = nullptr;
    {
        // The device's factory runs with this store locked; the guard frees the
        // lock on every path, a throwing factory included.
        CAutoLock<CBinaryLock> guard(m_body->lock);
        for (const TDeviceClassInfo* info : m_body->devices) {
            if (info->type != type)
                continue;
            IObject* object = q.classStore.CreateObject(info->classId);
            if (!object) {
                failure = L"Device class not found";
                break;
            }
            IDevice* device = QueryInterfaceAs<IDevice>(object);
            object->Release();
            if (!device) {
                failure = L"Device interface not found";
                break;
            }
            return device;
        }
    }
    if (failure)
        MRV_THROW(CBugException, L"morvane::CDeviceClassStore::CreateDevice", failure);
    MRV_THROW(CClassNotFoundException, L"morvane::CDeviceClassStore::CreateDevice", L"");
}

IObjectEnumerator* CDeviceClassStore::EnumerateDevices() const
{
    auto* enumerator = new CPushObjectEnumerator;
    if (!m_body)
        return enumerator;
    CAutoLock<CBinaryLock> guard(m_body->lock);
    for (TDeviceClassInfo* info : m_body->devices) {
        auto* pointer = new CPtrObject(info);
        enumerator->Push(pointer);
        pointer->Release();
    }
    return enumerator;
}

} // namespace morvane
