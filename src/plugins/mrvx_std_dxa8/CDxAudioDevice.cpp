#include "CDxAudioDevice.h"

#include <algorithm>

#include "CDxAudioRenderer.h"
#include "CSoundSystem.h"
#include "morvane/api/CException.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/data/TDataFormat.h"

namespace mrvx_std_dxa8 {

using namespace morvane;

namespace {
constexpr TLockMode kWrite = 1;

// Holds a CReadWriteLock level for the scope.
class CLockLevel {
public:
    CLockLevel(CReadWriteLock& lock, TLockMode mode) : m_lock(lock) { m_lock.Lock(mode, 0); }
    ~CLockLevel() { m_lock.Unlock(); }
    CLockLevel(const CLockLevel&) = delete;
    CLockLevel& operator=(const CLockLevel&) = delete;

private:
    CReadWriteLock& m_lock;
};
} // namespace

CDxAudioDevice::CDxAudioDevice() : CObjectImpl(clsid::CDxAudioDevice) {}

CDxAudioDevice::~CDxAudioDevice()
{
    try {
        Close();
        CLockLevel guard(m_lock, kWrite);
        std::vector<IDxAudioDeviceResource*> resources = m_resources;
        for (IDxAudioDeviceResource* resource : resources)
            resource->OnDeviceDestroyed();
    } catch (const CException&) {
        MRV_REPORT_BUG(L"mrvx_std_dxa8::CDxAudioDevice::~CDxAudioDevice", L"Close failed");
    }
}

IObject* CDxAudioDevice::FindInterface(const CId& id)
{
    return AnswerFor<IDxAudioDevice, IAudioDevice, IDevice>(this, id);
}

void CDxAudioDevice::Open()
{
    CAutoLock<CBinaryLock> openClose(m_openCloseLock);
    if (m_open)
        return;
    if (m_thread.joinable())
        m_thread.join();
    {
        std::lock_guard<std::mutex> guard(m_threadMutex);
        m_opened = false;
        m_threadEnded = false;
        m_closeRequested = false;
    }
    m_thread = std::thread(&CDxAudioDevice::DeviceThread, this);
    bool opened = false;
    {
        std::unique_lock<std::mutex> lock(m_threadMutex);
        m_threadCv.wait(lock, [this] { return m_opened || m_threadEnded; });
        opened = m_opened;
    }
    if (!opened) {
        m_thread.join();
        MRV_THROW(CDeviceFailedException, L"mrvx_std_dxa8::CDxAudioDevice::Open", L"Thread failed");
    }
}

void CDxAudioDevice::Close()
{
    CAutoLock<CBinaryLock> openClose(m_openCloseLock);
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(m_threadMutex);
        m_closeRequested = true;
    }
    m_threadCv.notify_all();
    m_thread.join();
}

void CDxAudioDevice::DeviceThread()
{
    bool opened = false;
    try {
        {
            CLockLevel guard(m_lock, kWrite);
            m_system = std::make_shared<CSoundSystem>();
            m_open = true;
        }
        opened = true;
        {
            std::lock_guard<std::mutex> guard(m_threadMutex);
            m_opened = true;
        }
        m_threadCv.notify_all();
        {
            CLockLevel guard(m_lock, LOCK_MODE_READ);
            for (IDxAudioDeviceResource* resource : m_resources)
                resource->OnDeviceOpened();
        }
        // After Open has returned: loading SDL and starting its audio takes
        // milliseconds that the program's own start need not wait for.
        m_system->Start();
        {
            std::unique_lock<std::mutex> lock(m_threadMutex);
            m_threadCv.wait(lock, [this] { return m_closeRequested; });
        }
    } catch (const CException&) {
        // Reported when thrown; a thread that never opened ends Open with
        // "Thread failed".
    } catch (const std::exception&) {
    }
    if (opened) {
        CLockLevel guard(m_lock, kWrite);
        m_open = false;
        // A copy: a resource may leave the list while it hears of the close.
        std::vector<IDxAudioDeviceResource*> resources = m_resources;
        for (IDxAudioDeviceResource* resource : resources)
            resource->OnDeviceClosed();
        m_system.reset();
    }
    CSoundSystem::ThreadEnds();
    {
        std::lock_guard<std::mutex> guard(m_threadMutex);
        m_opened = false;
        m_threadEnded = true;
    }
    m_threadCv.notify_all();
}

IMediaControl* CDxAudioDevice::RenderAudio(const CInputStreamSelector& source, TBufferingMode mode)
{
    if (!m_open)
        MRV_THROW(CDeviceFailedException, L"mrvx_std_dxa8::CDxAudioDevice::RenderAudio", L"Device is not open");
    auto decoded = CRef<IInputStream>::Adopt(source.DecodeStream(kAudioPcmFormatId));
    auto* renderer = new CDxAudioRenderer;
    try {
        renderer->Open(this, decoded.Get(), mode);
    } catch (...) {
        renderer->Release();
        throw;
    }
    return renderer;
}

std::shared_ptr<CSoundSystem> CDxAudioDevice::GetSoundSystem()
{
    CLockLevel guard(m_lock, LOCK_MODE_READ);
    return m_system;
}

void CDxAudioDevice::AddResource(IDxAudioDeviceResource* resource)
{
    CLockLevel guard(m_lock, kWrite);
    m_resources.push_back(resource);
    if (m_open)
        resource->OnDeviceOpened();
}

void CDxAudioDevice::RemoveResource(IDxAudioDeviceResource* resource)
{
    CLockLevel guard(m_lock, kWrite);
    auto it = std::find(m_resources.begin(), m_resources.end(), resource);
    if (it != m_resources.end())
        m_resources.erase(it);
}

} // namespace mrvx_std_dxa8
