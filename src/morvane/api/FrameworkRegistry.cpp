#include "morvane/api/FrameworkRegistry.h"

#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CInputStream.h"
#include "morvane/data/COutputStream.h"
#include "morvane/data/file/CFileInputStream.h"
#include "morvane/data/file/CFileOutputStream.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"
#include "morvane/util/Containers.h"

namespace morvane {

void RegisterWithClassStore(const TClassInfo& info) { q.classStore.RegisterClassMrv(info); }

// The framework's own classes, registered in this fixed order when it opens.
void RegisterFrameworkClasses()
{
    RegisterClassOf<CAppendingRos>(clsid::CAppendingRos, L"morvane::CAppendingRos");
    RegisterClassOf<CFileInputStream>(clsid::CFileInputStream, L"morvane::CFileInputStream");
    RegisterClassOf<CFileOutputStream>(clsid::CFileOutputStream, L"morvane::CFileOutputStream");
    RegisterClassOf<CInputStream>(clsid::CInputStream, L"morvane::CInputStream");
    RegisterClassOf<CObject>(clsid::CObject, L"morvane::CObject");
    RegisterClassOf<CObjectEnumerator>(clsid::CObjectEnumerator, L"morvane::CObjectEnumerator");
    RegisterClassOf<CObjectList>(clsid::CObjectList, L"morvane::CObjectList");
    RegisterClassOf<CObjectListener>(clsid::CObjectListener, L"morvane::CObjectListener");
    RegisterClassOf<COutputStream>(clsid::COutputStream, L"morvane::COutputStream");
    RegisterClassOf<CPtrObject>(clsid::CPtrObject, L"morvane::CPtrObject");
    RegisterClassOf<CPushObjectEnumerator>(clsid::CPushObjectEnumerator, L"morvane::CPushObjectEnumerator");
    RegisterClassOf<CResource>(clsid::CResource, L"morvane::CResource");
    RegisterClassOf<CResourceIs>(clsid::CResourceIs, L"morvane::CResourceIs");
    RegisterClassOf<CResourceOs>(clsid::CResourceOs, L"morvane::CResourceOs");
    RegisterClassOf<CStringObject>(clsid::CStringObject, L"morvane::CStringObject");
}

} // namespace morvane
