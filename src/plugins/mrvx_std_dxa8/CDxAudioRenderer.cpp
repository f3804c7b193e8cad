#include "CDxAudioRenderer.h"

#include "CDxAudioBuffer.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/data/TDataFormat.h"

namespace mrvx_std_dxa8 {

using namespace morvane;

CDxAudioRenderer::CDxAudioRenderer() : CObjectImpl(clsid::CDxAudioRenderer) {}

CDxAudioRenderer::~CDxAudioRenderer()
{
    // Leave the device first: until then the device thread may still call
    // OnDeviceClosed on this object.
    if (m_registered && !m_deviceGone && m_device)
        m_device->RemoveResource(this);
    std::unique_ptr<CDxAudioBuffer> buffer;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        buffer = std::move(m_buffer);
    }
}

IObject* CDxAudioRenderer::FindInterface(const CId& id)
{
    return AnswerFor<IMediaControl, IDxAudioRenderer, IDxAudioDeviceResource>(this, id);
}

void CDxAudioRenderer::Open(IDxAudioDevice* device, IInputStream* pcmSource, TBufferingMode mode)
{
    const wchar_t* method = L"mrvx_std_dxa8::CDxAudioRenderer::Open";
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_open)
            return;
    }
    if (!device)
        MRV_THROW(CNullPtrException, method, L"Given device is NULL");
    if (!pcmSource)
        MRV_THROW(CNullPtrException, method, L"Given input stream is NULL");
    // A PCM stream comes back as it is.
    auto source = CRef<IInputStream>::Adopt(q.codecStore.DecodeStream(pcmSource, kAudioPcmFormatId));
    const unsigned int caps = source->GetCaps();

    // The device is called with no lock of ours held: its thread calls
    // OnDeviceClosed, which takes our lock, while holding its own.
    m_device = CRef<IDxAudioDevice>(device);
    if (!m_registered) {
        device->AddResource(this);
        m_registered = true;
        m_deviceGone = false;
    }
    std::shared_ptr<CSoundSystem> system = device->GetSoundSystem();
    if (!system)
        MRV_THROW(CDeviceFailedException, method, L"Device is not open");
    auto buffer = std::make_unique<CDxAudioBuffer>(system, source.Get(), mode);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_mode = mode;
        m_sourceCaps = caps;
        m_buffer = std::move(buffer);
        m_open = true;
    }
    // The device may have closed while the buffer was made: then it is not
    // going to tell us again.
    if (device->GetSoundSystem() != system)
        OnDeviceClosed();
}

void CDxAudioRenderer::OnDeviceClosed()
{
    std::unique_ptr<CDxAudioBuffer> buffer;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        buffer = std::move(m_buffer);
    }
    // Freed outside the lock: stopping its threads takes a moment, and
    // callers meanwhile hear that the device is not open.
}

void CDxAudioRenderer::OnDeviceDestroyed() { m_deviceGone = true; }

CDxAudioBuffer& CDxAudioRenderer::BufferOrThrow(const wchar_t* method)
{
    if (!m_buffer)
        MRV_THROW(COperationNotSupportedException, method, L"Device is not open");
    return *m_buffer;
}

void CDxAudioRenderer::EnableLoop(bool on)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_buffer)
        MRV_THROW(COperationNotSupportedException, L"mrvx_std_dxa8::CDxAudioRenderer::EnableLoop",
                  L"Renderer not open");
    m_buffer->EnableLoop(on);
}

void CDxAudioRenderer::Flush()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_buffer)
        m_buffer->FlushAndSeek(CDxAudioBuffer::kAllOnes);
}

int CDxAudioRenderer::GetCaps()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_open)
        return 0;
    if (m_mode == BUFFERING_STABLE || m_mode == BUFFERING_STREAM_SHORT)
        return 1 | 2 | 8 | (m_mode == BUFFERING_STREAM_SHORT ? 16 : 0);
    int caps = 0;
    if ((m_sourceCaps & STREAM_CAN_SEEK) && (m_sourceCaps & STREAM_CAN_TELL))
        caps |= 1 | 4 | 16;
    if (m_sourceCaps & STREAM_CAN_TELL)
        caps |= 8;
    if (m_sourceCaps & STREAM_CAN_GET_LENGTH)
        caps |= 2;
    return caps;
}

float CDxAudioRenderer::GetTimeLength()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return BufferOrThrow(L"mrvx_std_dxa8::CDxAudioRenderer::GetTimeLength").GetTimeLength();
}

bool CDxAudioRenderer::IsPlaying()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_buffer && m_buffer->IsPlaying();
}

void CDxAudioRenderer::Pause()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_buffer)
        m_buffer->Pause();
}

void CDxAudioRenderer::Play()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_buffer)
        MRV_THROW(CDeviceFailedException, L"mrvx_std_dxa8::CDxAudioRenderer::Play", L"Device is not open");
    m_buffer->Play();
}

void CDxAudioRenderer::SeekTime(float seconds)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    BufferOrThrow(L"mrvx_std_dxa8::CDxAudioRenderer::SeekTime").SeekTime(seconds);
}

void CDxAudioRenderer::SetLoopTimes(float start, float end)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    BufferOrThrow(L"mrvx_std_dxa8::CDxAudioRenderer::SetLoopTimes").SetLoopTimes(start, end);
}

void CDxAudioRenderer::Stop()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_buffer)
        m_buffer->Stop();
}

float CDxAudioRenderer::TellTime()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return BufferOrThrow(L"mrvx_std_dxa8::CDxAudioRenderer::TellTime").TellTime();
}

std::uint64_t CDxAudioRenderer::StalledBytes()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_buffer ? m_buffer->StalledBytes() : 0;
}

std::size_t CDxAudioRenderer::MinLeadBytes()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_buffer ? m_buffer->MinLeadBytes() : 0;
}

} // namespace mrvx_std_dxa8
