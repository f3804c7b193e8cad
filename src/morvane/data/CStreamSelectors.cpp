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
    CRef<I> result = CreateRef<I>(classId);
    if (!result)
        MRV_THROW(CBugException, method, L"Stream interface not found");
    return result;
}

} // namespace

// ---- CInputStreamSelector

CInputStreamSelector::CInputStreamSelector(const wchar_t* path)
{
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::CInputStreamSelector::CInputStreamSelector", L"Given file name is NULL");
    CRef<IFileInputStream> file =
        CreateAs<IFileInputStream>(clsid::CFileInputStream, L"morvane::CInputStreamSelector::CInputStreamSelector");
    file->Open(path);
    m_stream = CRef<IInputStream>(file.Get());
}

CInputStreamSelector::CInputStreamSelector(IResource* resource)
{
    if (!resource)
        MRV_THROW(CNullPtrException, L"morvane::CInputStreamSelector::CInputStreamSelector", L"Given resource is NULL");
    CRef<IResourceIs> stream =
        CreateAs<IResourceIs>(clsid::CResourceIs, L"morvane::CInputStreamSelector::CInputStreamSelector");
    stream->Bind(resource);
    m_stream = CRef<IInputStream>(stream.Get());
}

CInputStreamSelector::CInputStreamSelector(IInputStream* stream) : m_stream(stream)
{
    if (!stream)
        MRV_THROW(CNullPtrException, L"morvane::CInputStreamSelector::CInputStreamSelector",
                  L"Given input stream is NULL");
}

IInputStream* CInputStreamSelector::GetInputStream() const { return CRef<IInputStream>(m_stream).Detach(); }

IInputStream* CInputStreamSelector::DecodeStream(const CId& formatId) const
{
    return q.codecStore.DecodeStream(m_stream.Get(), formatId);
}

// ---- COutputStreamSelector

COutputStreamSelector::COutputStreamSelector(const wchar_t* path)
{
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::COutputStreamSelector::COutputStreamSelector",
                  L"Given file name is NULL");
    CRef<IFileOutputStream> file =
        CreateAs<IFileOutputStream>(clsid::CFileOutputStream, L"morvane::COutputStreamSelector::COutputStreamSelector");
    file->Open(path, false);
    m_stream = CRef<IOutputStream>(file.Get());
}

COutputStreamSelector::COutputStreamSelector(IResource* resource)
{
    if (!resource)
        return;
    CRef<IResourceOs> stream =
        CreateAs<IResourceOs>(clsid::CResourceOs, L"morvane::COutputStreamSelector::COutputStreamSelector");
    stream->Bind(resource);
    m_stream = CRef<IOutputStream>(stream.Get());
}

COutputStreamSelector::COutputStreamSelector(IOutputStream* stream) : m_stream(stream) {}

IOutputStream* COutputStreamSelector::GetOutputStream() const { return CRef<IOutputStream>(m_stream).Detach(); }

IOutputStream* COutputStreamSelector::EncodeStream(const TDataFormat* from, const TDataFormat* to) const
{
    if (!m_stream)
        MRV_THROW(CNullPtrException, L"morvane::COutputStreamSelector::EncodeStream", L"No output stream");
    return q.codecStore.EncodeStream(m_stream.Get(), from, to);
}

} // namespace morvane
