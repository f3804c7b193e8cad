#include "morvane/data/CCodecClassStore.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/data/IStream.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/system/CReadWriteLock.h"
#include "morvane/util/Containers.h"

namespace morvane {

TDecoderClassInfo::TDecoderClassInfo(CId classId_, CId inputFormat_, CId outputFormat_)
    : classId(classId_), inputFormat(inputFormat_), outputFormat(outputFormat_)
{
}

TEncoderClassInfo::TEncoderClassInfo(CId classId_, CId inputFormat_, CId outputFormat_)
    : classId(classId_), inputFormat(inputFormat_), outputFormat(outputFormat_)
{
}

struct TCodecStoreBody {
    // The store's own copies, in registration order; their addresses are handed out.
    std::vector<std::unique_ptr<TDecoderClassInfo>> decoders;
    std::vector<std::unique_ptr<TEncoderClassInfo>> encoders;
    mutable CReadWriteLock lock;
};

namespace {

// Holds the store's lock for a scope.
class CStoreLock {
public:
    CStoreLock(CReadWriteLock& lock, TLockMode mode) : m_lock(lock) { m_lock.Lock(mode, 0); }
    ~CStoreLock() { m_lock.Unlock(); }
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;

private:
    CReadWriteLock& m_lock;
};

constexpr TLockMode kWriteLock = 1;

void RequireRegisteredClass(const CId& classId, const wchar_t* method)
{
    bool registered = true;
    try {
        q.classStore.GetClassInfo(classId);
    } catch (const CClassNotFoundException&) {
        registered = false;
    }
    if (!registered)
        MRV_THROW(CBugException, method, L"Class must be registered first");
}

// The first record whose formats match, looked up under the read lock; the
// store keeps its records where they are until it closes.
template <class TInfo>
bool FindCodec(const std::vector<std::unique_ptr<TInfo>>& list, CReadWriteLock& lock, const CId& in, const CId& out,
               const TInfo** found)
{
    CStoreLock guard(lock, LOCK_MODE_READ);
    for (const auto& info : list) {
        if (info->inputFormat == in && info->outputFormat == out) {
            *found = info.get();
            return true;
        }
    }
    return false;
}

template <class TInfo>
IObjectEnumerator* EnumerateCodecs(const std::vector<std::unique_ptr<TInfo>>& list, CReadWriteLock& lock)
{
    auto* enumerator = new CPushObjectEnumerator;
    CStoreLock guard(lock, LOCK_MODE_READ);
    for (const auto& info : list) {
        auto* pointer = new CPtrObject(info.get());
        enumerator->Push(pointer);
        pointer->Release();
    }
    return enumerator;
}

// Tries the codecs registered for in -> out in registration order: each is
// created and connected to stream, and the first that connects and that
// accepted() approves is handed out (one reference). A codec class that
// cannot be created, is no filter of the kind wanted or refuses the stream
// is skipped (its exception was reported). The candidates are taken under
// the read lock and tried without it, since connecting may decode again.
template <class TFilter, class TInfo, class TStream, class Accepted>
TFilter* ConnectFirst(const std::vector<std::unique_ptr<TInfo>>& list, CReadWriteLock& lock, const CId& in,
                      const CId& out, TStream* stream, Accepted accepted)
{
    std::vector<CId> candidates;
    {
        CStoreLock guard(lock, LOCK_MODE_READ);
        for (const auto& info : list)
            if (info->inputFormat == in && info->outputFormat == out)
                candidates.push_back(info->classId);
    }
    if (candidates.empty())
        return nullptr;
    // A codec that refuses the stream may have read or written some of it:
    // the next one starts where the caller left the stream.
    const unsigned int seekable = STREAM_CAN_SEEK | STREAM_CAN_TELL;
    const bool canReturn = (stream->GetCaps() & seekable) == seekable;
    const std::uint64_t start = canReturn ? stream->Tell() : 0;
    auto moveBack = [&] {
        if (canReturn)
            stream->Seek(start);
    };
    for (const CId& classId : candidates) {
        CRef<IObject> object;
        try {
            object = CRef<IObject>::Adopt(q.classStore.CreateObject(classId));
        } catch (const CClassNotFoundException&) {
            continue;
        }
        auto filter = QueryRef<TFilter>(object.Get());
        if (!filter)
            continue;
        try {
            filter->Connect(stream);
        } catch (const CException&) {
            moveBack();
            continue;
        }
        if (accepted(filter.Get()))
            return filter.Detach();
        filter.Reset();
        moveBack();
    }
    return nullptr;
}

bool SameFormat(const TDataFormat* a, const TDataFormat* b)
{
    const TDataFormat* nullFormat = GetNullFormat();
    a = a ? a : nullFormat;
    b = b ? b : nullFormat;
    if (a->formatId != b->formatId || a->size != b->size)
        return false;
    return std::memcmp(a, b, a->size < sizeof(TDataFormat_AudioPcm) ? a->size : sizeof(TDataFormat_AudioPcm)) == 0;
}

} // namespace

CCodecClassStore::CCodecClassStore() : m_body(nullptr) {}

CCodecClassStore::~CCodecClassStore()
{
    if (m_body) {
        MRV_REPORT_BUG(L"morvane::CCodecClassStore::~CCodecClassStore", L"Not closed");
        Close();
    }
}

void CCodecClassStore::Init()
{
    if (!m_body)
        m_body = new TCodecStoreBody;
}

void CCodecClassStore::Close()
{
    delete m_body;
    m_body = nullptr;
}

#define MRV_REQUIRE_OPEN(method)                                  \
    do {                                                          \
        if (!m_body)                                              \
            MRV_THROW(CBugException, method, L"Not initialized"); \
    } while (0)

void CCodecClassStore::RegisterDecoder(const TDecoderClassInfo& info)
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::RegisterDecoder");
    RequireRegisteredClass(info.classId, L"morvane::CCodecClassStore::RegisterDecoder");
    auto copy = std::make_unique<TDecoderClassInfo>(info);
    CStoreLock guard(m_body->lock, kWriteLock);
    m_body->decoders.push_back(std::move(copy));
}

void CCodecClassStore::RegisterEncoder(const TEncoderClassInfo& info)
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::RegisterEncoder");
    RequireRegisteredClass(info.classId, L"morvane::CCodecClassStore::RegisterEncoder");
    auto copy = std::make_unique<TEncoderClassInfo>(info);
    CStoreLock guard(m_body->lock, kWriteLock);
    m_body->encoders.push_back(std::move(copy));
}

const TDecoderClassInfo* CCodecClassStore::GetDecoderClassInfo(const CId& inputFormat, const CId& outputFormat) const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::GetDecoderClassInfo");
    const TDecoderClassInfo* found = nullptr;
    if (!FindCodec(m_body->decoders, m_body->lock, inputFormat, outputFormat, &found))
        MRV_THROW(CClassNotFoundException, L"morvane::CCodecClassStore::GetDecoderClassInfo", L"");
    return found;
}

const TEncoderClassInfo* CCodecClassStore::GetEncoderClassInfo(const CId& inputFormat, const CId& outputFormat) const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::GetEncoderClassInfo");
    const TEncoderClassInfo* found = nullptr;
    if (!FindCodec(m_body->encoders, m_body->lock, inputFormat, outputFormat, &found))
        MRV_THROW(CClassNotFoundException, L"morvane::CCodecClassStore::GetEncoderClassInfo", L"");
    return found;
}

IObjectEnumerator* CCodecClassStore::EnumerateDecoders() const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::EnumerateDecoders");
    return EnumerateCodecs(m_body->decoders, m_body->lock);
}

IObjectEnumerator* CCodecClassStore::EnumerateEncoders() const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::EnumerateEncoders");
    return EnumerateCodecs(m_body->encoders, m_body->lock);
}

IObject* CCodecClassStore::CreateDecoder(const CId& inputFormat, const CId& outputFormat) const
{
    return q.classStore.CreateObject(GetDecoderClassInfo(inputFormat, outputFormat)->classId);
}

IObject* CCodecClassStore::CreateEncoder(const CId& inputFormat, const CId& outputFormat) const
{
    return q.classStore.CreateObject(GetEncoderClassInfo(inputFormat, outputFormat)->classId);
}

IInputStream* CCodecClassStore::DecodeStream(IInputStream* stream, const CId& wantedFormat) const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::DecodeStream");
    if (!stream)
        return nullptr;
    const CId have = stream->GetFormat()->formatId;
    if (wantedFormat != CId::Null() && have == wantedFormat) {
        stream->AddRef();
        return stream;
    }
    auto delivers = [&](IInputStreamFilter* decoder) { return decoder->GetFormat()->formatId == wantedFormat; };
    IInputStreamFilter* decoder =
        ConnectFirst<IInputStreamFilter>(m_body->decoders, m_body->lock, have, wantedFormat, stream, delivers);
    if (decoder)
        return decoder;
    MRV_THROW(CDataFormatException, L"morvane::CCodecClassStore::DecodeStream", L"Cannot decode stream");
}

IInputStream* CCodecClassStore::DecodeFile(const wchar_t* path, const CId& wantedFormat) const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::DecodeFile");
    CInputStreamSelector selector(path);
    return DecodeStream(selector.GetInputStreamTmp(), wantedFormat);
}

IOutputStream* CCodecClassStore::EncodeStream(IOutputStream* stream, const TDataFormat* from,
                                              const TDataFormat* to) const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::EncodeStream");
    if (!stream)
        return nullptr;
    if (SameFormat(from, to)) {
        stream->AddRef();
        return stream;
    }
    const CId fromId = from ? from->formatId : CId::Null();
    const CId toId = to ? to->formatId : CId::Null();
    auto any = [](IOutputStreamFilter*) { return true; };
    IOutputStreamFilter* encoder =
        ConnectFirst<IOutputStreamFilter>(m_body->encoders, m_body->lock, fromId, toId, stream, any);
    if (encoder)
        return encoder;
    MRV_THROW(CDataFormatException, L"morvane::CCodecClassStore::EncodeStream", L"Cannot encode stream");
}

IOutputStream* CCodecClassStore::EncodeFile(const wchar_t* path, const TDataFormat* from, const TDataFormat* to) const
{
    MRV_REQUIRE_OPEN(L"morvane::CCodecClassStore::EncodeFile");
    COutputStreamSelector selector(path);
    return EncodeStream(selector.GetOutputStreamTmp(), from, to);
}

#undef MRV_REQUIRE_OPEN

} // namespace morvane
