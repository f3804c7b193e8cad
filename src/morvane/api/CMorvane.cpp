#include "morvane/api/CMorvane.h"

#include "morvane/api/CException.h"

namespace morvane {

CMorvane q;

CMorvane::CMorvane() : initialized(false) {}

CMorvane::~CMorvane()
{
    if (initialized)
        MRV_REPORT_BUG(L"morvane::CMorvane::~CMorvane", L"Morvane not closed before exiting!");
    // Members are destroyed after this: stores still open report themselves.
}

void CMorvane::Init()
{
    if (initialized)
        return;
    try {
        classStore.Init();
        codecStore.Init();
        deviceStore.Init();
        RegisterFrameworkClasses();
        objectCounter.Init();
        pluginStore.Init();
        pluginStore.LoadAvailablePlugins();
    } catch (...) {
        // Undo the steps that ran, so that a later Init starts from scratch
        // and nothing stays open to be reported at exit.
        objectCounter.Close();
        pluginStore.Close();
        deviceStore.Close();
        codecStore.Close();
        classStore.Close();
        throw;
    }
    initialized = true;
}

void CMorvane::Close()
{
    if (!initialized)
        return;
    initialized = false;
    objectCounter.Close();
    pluginStore.Close();
    deviceStore.Close();
    codecStore.Close();
    classStore.Close();
}

} // namespace morvane
