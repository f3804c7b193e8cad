#include "morvane/data/CInputStream.h"

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/COutputStream.h"

namespace morvane {

void ThrowNullBuffer(const wchar_t* method) { MRV_THROW(CNullPtrException, method, L"buffer is NULL"); }

void ThrowSampleRead(const wchar_t* method, IMediaSample* sample)
{
    if (!sample)
        MRV_THROW(CNullPtrException, method, L"sample is NULL");
    MRV_THROW(CInvalidStateException, method, L"Media samples are not supported");
}

CInputStream::CInputStream() : CInputStreamImpl(clsid::CInputStream) {}

COutputStream::COutputStream() : COutputStreamImpl(clsid::COutputStream) {}

} // namespace morvane
