#include "FuzzSupport.h"

#include <cstdlib>
#include <cwchar>

#include "core/module/CoreClasses.h"
#include "morvane/api/CMorvane.h"

namespace fuzz {

void OpenFramework()
{
    if (!morvane::q.IsInitialized()) {
        morvane::q.Init();
        ovk::RegisterCoreClasses();
        // libFuzzer leaves through exit(): close the framework on the way.
        std::atexit([] { morvane::q.Close(); });
    }
}

void CheckRefusal(const morvane::CException& e)
{
    if (e.GetType() != morvane::EXCEPTION_DATA_FORMAT)
        Fail("a damaged file raised something else than a format error");
    const wchar_t* reason = e.GetReason();
    if (std::wcscmp(reason, L"Invalid file format") != 0 && std::wcscmp(reason, L"Invalid data format") != 0)
        Fail("a damaged file was refused with another reason");
}

} // namespace fuzz
