#include "morvane/api/CClassObject.h"

#include <cstdlib>

#include "morvane/api/CException.h"

namespace morvane {

void* CClassObject::operator new(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        MRV_THROW(COutOfMemoryException, L"CCLassObject::operator new", L"malloc failed");
    return p;
}

void CClassObject::operator delete(void* p) noexcept { std::free(p); }

} // namespace morvane
