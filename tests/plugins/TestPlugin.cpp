// A plug-in for the plug-in store tests. The build picks its kind:
//   MRVT_NAME         the name in its messages
//   MRVT_ENTRIES      0: exports neither entry point
//   MRVT_INIT_RESULT  what its init entry returns
//   MRVT_INIT_THROWS  1: its init entry throws CFailedException;
//                     2: its close entry throws CFailedException
// Each entry it has writes "<name> init <path>" or "<name> close <path>" to
// the debugger output, the path being the file this copy was loaded from.
#include <dlfcn.h>

#include <string>

#include "morvane/api/CDebug.h"
#include "morvane/api/CException.h"
#include "morvane/api/Utf.h"

namespace {

std::wstring OwnPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnPath), &info) && info.dli_fname)
        return morvane::utf::FromUtf8(info.dli_fname);
    return L"?";
}

[[maybe_unused]] void Say(const wchar_t* what)
{
    morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_DEBUGGER, L"%ls %ls %ls", MRV_WIDEN(MRVT_NAME), what,
                                  OwnPath().c_str());
}

} // namespace

#if MRVT_ENTRIES

__attribute__((visibility("default"))) bool MrvInitPlugin()
{
    Say(L"init");
#if MRVT_INIT_THROWS == 1
    MRV_THROW(morvane::CFailedException, L"MrvInitPlugin", L"Plug-in refuses to start");
#endif
    return MRVT_INIT_RESULT;
}

__attribute__((visibility("default"))) void MrvClosePlugin()
{
    Say(L"close");
#if MRVT_INIT_THROWS == 2
    MRV_THROW(morvane::CFailedException, L"MrvClosePlugin", L"Plug-in fails to close");
#endif
}

#else

// Something to export, but not the entry points.
extern "C" __attribute__((visibility("default"))) int MrvtUnrelatedFunction() { return 1; }

#endif
