#include "morvane/data/CStreamSelectors.h"

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/IStream.h"
#include "morvane/data/resource/IResource.h"

namespace morvane {

namespace {

// Creates a framework class by id and asks it for I; the result holds one reference.
template <class I>
CRef<I> CreateAs(const CId& classId, const wchar_t* method)
{
    IObject* object = q.classStore.CreateObject(classId);
    CRef<I> result = QueryRef<I>(object);
    if (object)
        object->Release();
    if (!result)
        MRV_THROW(CBugException, method, L"Stream interface not found");
    return result;
}

} // namespace

// ---- CInputStreamSelector

CInputStreamSelector::CInputStreamSelector(const wchar_t* path) : m_stream(nullptr)
{
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::CInputStreamSelector::CInputStreamSelector", L"Given file name is NULL");
    CRef<IFileInputStream> file =
        CreateAs<IFileInputStream>(clsid::CFileInputStream, L"morvane::CInputStreamSelector::CInputStreamSelector");
    file->Open(path);
    m_stream = file.Detach();
}

CInputStreamSelector::CInputStreamSelector(IResource* resource) : m_stream(nullptr)
{
    if (!resource)
        MRV_THROW(CNullPtrException, L"morvane::CInputStreamSelector::CInputStreamSelector", L"Given resource is NULL");
    CRef<IResourceIs> stream =
        CreateAs<IResourceIs>(clsid::CResourceIs, L"morvane::CInputStreamSelector::CInputStreamSelector");
    stream->Bind(resource);
    m_stream = stream.Detach();
}

CInputStreamSelector::CInputStreamSelector(IInputStream* stream) : m_stream(stream)
{
    if (!stream)
        MRV_THROW(CNullPtrException, L"morvane::CInputStreamSelector::CInputStreamSelector",
                  L"Given input stream is NULL");
    m_stream->AddRef();
}

CInputStreamSelector::CInputStreamSelector(const CInputStreamSelector& other) : CClassObject(), m_stream(other.m_stream)
{
    if (m_stream)
        m_stream->AddRef();
}

CInputStreamSelector& CInputStreamSelector::operator=(const CInputStreamSelector& other)
{
    if (this == &other)
        return *this;
    IInputStream* old = m_stream;
    m_stream = other.m_stream;
    if (m_stream)
        m_stream->AddRef();
    if (old)
        old->Release();
    return *this;
}

CInputStreamSelector::~CInputStreamSelector()
{
    if (m_stream)
        m_stream->Release();
}

IInputStream* CInputStreamSelector::GetInputStream() const
{
    if (m_stream)
        m_stream->AddRef();
    return m_stream;
}

IInputStream* CInputStreamSelector::DecodeStream(const CId& formatId) const
{
    return q.codecStore.DecodeStream(m_stream, formatId);
}

// ---- COutputStreamSelector

COutputStreamSelector::COutputStreamSelector(const wchar_t* path) : m_stream(nullptr)
{
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::COutputStreamSelector::COutputStreamSelector",
                  L"Given file name is NULL");
    CRef<IFileOutputStream> file =
        CreateAs<IFileOutputStream>(clsid::CFileOutputStream, L"morvane::COutputStreamSelector::COutputStreamSelector");
    file->Open(path, false);
    m_stream = file.Detach();
}

COutputStreamSelector::COutputStreamSelector(IResource* resource) : m_stream(nullptr)
{
    if (!resource)
        return;
    CRef<IResourceOs> stream =
        CreateAs<IResourceOs>(clsid::CResourceOs, L"morvane::COutputStreamSelector::COutputStreamSelector");
    stream->Bind(resource);
    m_stream = stream.Detach();
}

COutputStreamSelector::COutputStreamSelector(IOutputStream* stream) : m_stream(stream)
{
    if (m_stream)
        m_stream->AddRef();
}

COutputStreamSelector::COutputStreamSelector(const COutputStreamSelector& other)
    : CClassObject(), m_stream(other.m_stream)
{
    if (m_stream)
        m_stream->AddRef();
}

COutputStreamSelector& COutputStreamSelector::operator=(const COutputStreamSelector& other)
{
    if (this == &other)
        return *this;
    IOutputStream* old = m_stream;
    m_stream = other.m_stream;
    if (m_stream)
        m_stream->AddRef();
    if (old)
        old->Release();
    return *this;
}

COutputStreamSelector::~COutputStreamSelector()
{
    if (m_stream)
        m_stream->Release();
}

IOutputStream* COutputStreamSelector::GetOutputStream() const
{
    if (m_stream)
        m_stream->AddRef();
    return m_stream;
}

IOutputStream* COutputStreamSelector::EncodeStream(const TDataFormat* from, const TDataFormat* to) const
{
    if (!m_stream)
        MRV_THROW(CNullPtrException, L"morvane::COutputStreamSelector::EncodeStream", L"No output stream");
    return q.codecStore.EncodeStream(m_stream, from, to);
}

} // namespace morvane
