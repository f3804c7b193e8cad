#include "morvane/devices/CDeviceClassStore.h"

#include <memory>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/system/CBinaryLock.h"
#include "morvane/util/Containers.h"

namespace morvane {

TDeviceClassInfo::TDeviceClassInfo(CId classId_, TDeviceType type_) : classId(classId_), type(type_) {}

struct TDeviceStoreBody {
    // The store's own copies, in registration order; their addresses are handed out.
    std::vector<std::unique_ptr<TDeviceClassInfo>> devices;
    mutable CBinaryLock lock;
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
    auto copy = std::make_unique<TDeviceClassInfo>(info);
    CAutoLock<CBinaryLock> guard(m_body->lock);
    m_body->devices.push_back(std::move(copy));
}

IDevice* CDeviceClassStore::CreateDevice(TDeviceType type) const
{
    if (!m_body)
        MRV_THROW(CBugException, L"morvane::CDeviceClassStore::CreateDevice", L"Not initialized");
    // The record is looked up under this store's lock, and the device is made
    // after it is released: the class store runs factories under its own lock,
    // and the factory of morvane::CAudioDevice comes here. Holding both in the
    // opposite order as well would let two threads deadlock.
    CId classId;
    bool found = false;
    {
        CAutoLock<CBinaryLock> guard(m_body->lock);
        for (const auto& info : m_body->devices) {
            if (info->type == type) {
                classId = info->classId;
                found = true;
                break;
            }
        }
    }
    if (!found)
        MRV_THROW(CClassNotFoundException, L"morvane::CDeviceClassStore::CreateDevice", L"");
    IObject* object = q.classStore.CreateObject(classId);
    if (!object)
        MRV_THROW(CBugException, L"morvane::CDeviceClassStore::CreateDevice", L"Device class not found");
    IDevice* device = QueryInterfaceAs<IDevice>(object);
    object->Release();
    if (!device)
        MRV_THROW(CBugException, L"morvane::CDeviceClassStore::CreateDevice", L"Device interface not found");
    return device;
}

IObjectEnumerator* CDeviceClassStore::EnumerateDevices() const
{
    auto* enumerator = new CPushObjectEnumerator;
    if (!m_body)
        return enumerator;
    CAutoLock<CBinaryLock> guard(m_body->lock);
    for (const auto& info : m_body->devices) {
        auto* pointer = new CPtrObject(info.get());
        enumerator->Push(pointer);
        pointer->Release();
    }
    return enumerator;
}

} // namespace morvane
