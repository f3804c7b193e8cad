#include "morvane/api/FrameworkRegistry.h"

#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/ClassIds.h"
#include "morvane/util/Containers.h"

namespace morvane {

void RegisterWithClassStore(const TClassInfo& info) { q.classStore.RegisterClassMrv(info); }

// The framework's own classes, registered in this fixed order when it opens.
void RegisterFrameworkClasses()
{
    RegisterClassOf<CObject>(clsid::CObject, L"morvane::CObject");
    RegisterClassOf<CObjectEnumerator>(clsid::CObjectEnumerator, L"morvane::CObjectEnumerator");
    RegisterClassOf<CObjectList>(clsid::CObjectList, L"morvane::CObjectList");
    RegisterClassOf<CObjectListener>(clsid::CObjectListener, L"morvane::CObjectListener");
    RegisterClassOf<CPtrObject>(clsid::CPtrObject, L"morvane::CPtrObject");
    RegisterClassOf<CPushObjectEnumerator>(clsid::CPushObjectEnumerator, L"morvane::CPushObjectEnumerator");
    RegisterClassOf<CStringObject>(clsid::CStringObject, L"morvane::CStringObject");
}

} // namespace morvane
