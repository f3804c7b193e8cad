#pragma once
#include "morvane/api/CString.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

class IObjectEnumerator;
class CMorvane;
struct TPluginStoreBody;

// Finds, loads and closes plug-in libraries. A plug-in is a shared library in
// one of the search folders that exports
//     bool MrvInitPlugin();   void MrvClosePlugin();
// (looked up under their C++ symbol names). Search folders: the executable's
// folder, its "plugins" subfolder and the installed plug-in folder. Every copy
// found is loaded and initialised.
class MORVANE_API CPluginStore {
public:
    CPluginStore();
    CPluginStore(const CPluginStore&) = delete;
    CPluginStore& operator=(const CPluginStore&) = delete;
    ~CPluginStore();

    void AddPluginPath(const wchar_t* folder);
    void AddPluginExtension(const wchar_t* extension);
    void LoadAvailablePlugins();
    void LoadPlugin(const wchar_t* name);
    bool IsPluginLoaded(const wchar_t* name) const;
    // String objects holding base names.
    IObjectEnumerator* EnumerateAvailablePlugins() const;
    IObjectEnumerator* EnumerateLoadedPlugins() const;
    void Dump() const;

    // Closes every loaded plug-in in load order and unloads it. The framework
    // object calls it at Close; a store made by hand (tests) calls it itself.
    void Close();
    void Init() {}

private:
    TPluginStoreBody* m_body;
};

} // namespace morvane
