#include "morvane/api/CPluginStore.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "morvane/api/CDebug.h"
#include "morvane/api/CException.h"
#include "morvane/api/Utf.h"
#include "morvane/util/Containers.h"

#ifndef MORVANE_PLUGIN_INSTALL_DIR
#define MORVANE_PLUGIN_INSTALL_DIR "/usr/local/lib/morvane/plugins"
#endif

namespace morvane {

namespace {

namespace fs = std::filesystem;

// The entry points as g++ names them: bool MrvInitPlugin(), void MrvClosePlugin().
constexpr const char* kInitSymbol = "_Z13MrvInitPluginv";
constexpr const char* kCloseSymbol = "_Z14MrvClosePluginv";

using TInitEntry = bool (*)();
using TCloseEntry = void (*)();

struct TLoadedPlugin {
    void* handle;
    TInitEntry init;
    TCloseEntry close;
};

std::wstring ExecutableFolder()
{
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return std::wstring();
    std::wstring path = utf::PathFromBytes(exe.string());
    std::size_t cut = path.rfind(L'/');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

fs::path ToPath(const std::wstring& text) { return fs::path(utf::PathToBytes(text)); }

bool IsRegularFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

struct TPluginStoreBody {
    std::vector<std::wstring> extensions;
    std::vector<std::wstring> paths;
    std::vector<std::wstring> loadedNames;
    std::vector<TLoadedPlugin> loadedPlugins;

    // A plug-in file: an existing file with one of the extensions whose base
    // name does not end in "_d".
    bool IsPluginFile(const fs::path& path) const
    {
        if (!IsRegularFile(path))
            return false;
        std::wstring extension = utf::PathFromBytes(path.extension().string());
        if (!extension.empty() && extension[0] == L'.')
            extension.erase(0, 1);
        return std::find(extensions.begin(), extensions.end(), extension) != extensions.end() &&
               !utf::PathFromBytes(path.stem().string()).ends_with(L"_d");
    }

    std::vector<std::wstring> AvailableNames() const
    {
        std::vector<std::wstring> names;
        for (std::wstring folder : paths) {
            if (folder.size() > 1 && folder.back() == L'/')
                folder.pop_back();
            std::error_code error;
            fs::directory_iterator it(ToPath(folder), error);
            if (error)
                continue; // a missing folder is skipped
            std::vector<fs::path> entries;
            for (; it != fs::directory_iterator(); it.increment(error)) {
                if (error)
                    break;
                entries.push_back(it->path());
            }
            // Listing order differs between file systems; sorted, the load
            // order is the same on every machine.
            std::sort(entries.begin(), entries.end());
            for (const fs::path& entry : entries)
                if (IsPluginFile(entry)) // never a "_d" name: no suffix to drop
                    names.push_back(utf::PathFromBytes(entry.stem().string()));
        }
        return names;
    }
};

CPluginStore::CPluginStore() : m_body(new TPluginStoreBody)
{
    AddPluginExtension(L"so");
    std::wstring folder = ExecutableFolder();
    if (!folder.empty()) {
        AddPluginPath(folder.c_str());
        AddPluginPath((folder + L"/plugins").c_str());
        AddPluginPath(utf::PathFromBytes(MORVANE_PLUGIN_INSTALL_DIR).c_str());
    }
}

CPluginStore::~CPluginStore()
{
    Close();
    delete m_body;
}

void CPluginStore::AddPluginPath(const wchar_t* folder) { m_body->paths.emplace_back(folder ? folder : L""); }

void CPluginStore::AddPluginExtension(const wchar_t* extension)
{
    m_body->extensions.emplace_back(extension ? extension : L"");
}

void CPluginStore::LoadAvailablePlugins()
{
    // LoadPlugin already loads every copy of a name in every folder; a name
    // listed once per folder is loaded once, or each copy would start twice.
    std::vector<std::wstring> done;
    for (const std::wstring& name : m_body->AvailableNames()) {
        if (std::find(done.begin(), done.end(), name) != done.end())
            continue;
        done.push_back(name);
        LoadPlugin(name.c_str());
    }
}

void CPluginStore::LoadPlugin(const wchar_t* name)
{
    if (!name)
        return;
    for (const std::wstring& folder : m_body->paths) {
        for (const std::wstring& extension : m_body->extensions) {
            std::wstring candidate = folder;
            if (candidate.empty() || candidate.back() != L'/')
                candidate += L'/';
            candidate += name;
            candidate += L'.';
            candidate += extension;
            fs::path path = ToPath(candidate);
            if (!IsRegularFile(path))
                continue;
            void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                // The loader's reason is UTF-8 and names the path: a narrow %s
                // would fail on any byte outside ASCII and lose the message.
                const char* reason = dlerror();
                CDebug::PrintMessage(DEBUG_MESSAGE_DEBUGGER, L"Cannot load plug-in '%ls': %ls", candidate.c_str(),
                                     utf::FromUtf8(reason ? reason : "").c_str());
                continue;
            }
            auto init = reinterpret_cast<TInitEntry>(dlsym(handle, kInitSymbol));
            auto close = reinterpret_cast<TCloseEntry>(dlsym(handle, kCloseSymbol));
            // An exception from the init entry is not caught: it aborts the start.
            if (!init || !close || !init()) {
                dlclose(handle);
                continue;
            }
            m_body->loadedPlugins.push_back({handle, init, close});
            m_body->loadedNames.emplace_back(name);
        }
    }
}

bool CPluginStore::IsPluginLoaded(const wchar_t* name) const
{
    const auto& loaded = m_body->loadedNames;
    return name && std::find(loaded.begin(), loaded.end(), name) != loaded.end();
}

namespace {

IObjectEnumerator* EnumerateNames(const std::vector<std::wstring>& names)
{
    auto* enumerator = new CPushObjectEnumerator;
    enumerator->Reserve(static_cast<unsigned int>(names.size()));
    for (const std::wstring& name : names) {
        auto* text = new CStringObject(CString(name.c_str()));
        enumerator->Push(text);
        text->Release();
    }
    return enumerator;
}

} // namespace

IObjectEnumerator* CPluginStore::EnumerateAvailablePlugins() const { return EnumerateNames(m_body->AvailableNames()); }

IObjectEnumerator* CPluginStore::EnumerateLoadedPlugins() const { return EnumerateNames(m_body->loadedNames); }

void CPluginStore::Dump() const
{
    for (const std::wstring& name : m_body->loadedNames)
        CDebug::PrintMessage(DEBUG_MESSAGE_DEBUGGER, L"Plugin %ls is loaded", name.c_str());
    for (const std::wstring& name : m_body->AvailableNames())
        if (!IsPluginLoaded(name.c_str()))
            CDebug::PrintMessage(DEBUG_MESSAGE_DEBUGGER, L"Plugin %ls is not loaded", name.c_str());
}

void CPluginStore::Close()
{
    std::vector<TLoadedPlugin> plugins;
    plugins.swap(m_body->loadedPlugins);
    m_body->loadedNames.clear();
    for (const TLoadedPlugin& plugin : plugins) {
        // Close runs from the framework's Close and, at exit, from the store's
        // destructor: a close entry that throws must not end the program or
        // keep the other plug-ins open. Its exception reported itself.
        try {
            plugin.close();
        } catch (const CException&) {
        } catch (const std::exception& e) {
            CDebug::PrintMessage(DEBUG_MESSAGE_DEBUGGER, L"Plug-in close entry failed: %ls",
                                 utf::FromUtf8(e.what()).c_str());
        }
        dlclose(plugin.handle);
    }
}

} // namespace morvane
