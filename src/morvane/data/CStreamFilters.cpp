#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/COutputStreamFilter.h"

namespace morvane {

void ThrowNotConnected(const wchar_t* method, bool io)
{
    if (io)
        MRV_THROW(CIOException, method, L"Stream is not connected");
    MRV_THROW(COperationNotSupportedException, method, L"Stream is not connected");
}

CInputStreamFilter::CInputStreamFilter() : CInputStreamFilterImpl(clsid::CInputStreamFilter) {}

COutputStreamFilter::COutputStreamFilter() : COutputStreamFilterImpl(clsid::COutputStreamFilter) {}

} // namespace morvane
