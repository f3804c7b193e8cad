// The plug-in store with the test plug-ins (see tests/plugins). This program
// runs from an empty folder, so only the folders added here hold plug-ins.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "morvane/api/CPluginStore.h"
#include "morvane/api/Utf.h"
#include "morvane/util/Containers.h"
#include "support/TestSupport.h"

using namespace morvane;
using tonvik_test::CDiagnosticCapture;
using TNames = std::vector<std::wstring>;

namespace {

std::wstring Folder(const char* name) { return utf::FromUtf8(std::string(MRVT_PLUGINS) + "/" + name); }
std::wstring Library(const char* folder, const char* name) { return Folder(folder) + L"/" + utf::FromUtf8(name) + L".so"; }

TNames Names(IObjectEnumerator* enumerator)
{
    TNames names;
    while (IObject* entry = enumerator->GetNext()) {
        auto* text = QueryInterfaceAs<IStringObject>(entry);
        EXPECT_NE(text, nullptr);
        if (text) {
            names.emplace_back(text->GetString().GetBuffer());
            text->Release();
        }
        entry->Release();
    }
    enumerator->Release();
    return names;
}

// Whether the process has this library loaded, without loading it.
bool Loaded(const std::wstring& path)
{
    void* handle = dlopen(utf::ToUtf8(path).c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

// A store searching the first and second test folders.
void AddTestFolders(CPluginStore& store)
{
    store.AddPluginPath(Folder("first").c_str());
    store.AddPluginPath((Folder("second") + L"/").c_str()); // a trailing separator is allowed
    store.AddPluginPath(L"/no/such/folder");
}

} // namespace

TEST(CorePluginStore, ListsPluginFilesOfEverySearchFolder)
{
    CPluginStore store;
    AddTestFolders(store);
    // Not listed: mrvt_debug_d (a debug build), mrvt_folder.so (a folder), mrvt_notes.txt.
    EXPECT_EQ(Names(store.EnumerateAvailablePlugins()),
              (TNames{L"mrvt_good", L"mrvt_noentry", L"mrvt_refuse", L"mrvt_good"}));
    EXPECT_TRUE(Names(store.EnumerateLoadedPlugins()).empty());

    store.AddPluginExtension(L"txt");
    EXPECT_EQ(Names(store.EnumerateAvailablePlugins()),
              (TNames{L"mrvt_good", L"mrvt_noentry", L"mrvt_notes", L"mrvt_refuse", L"mrvt_good"}));
    // A folder and a missing file are skipped when loading.
    store.LoadPlugin(L"mrvt_folder");
    store.LoadPlugin(L"mrvt_missing");
    EXPECT_TRUE(Names(store.EnumerateLoadedPlugins()).empty());
}

TEST(CorePluginStore, LoadsEachGoodCopyOnceAndUnloadsTheRest)
{
    CDiagnosticCapture lines;
    const std::wstring good1 = Library("first", "mrvt_good");
    const std::wstring good2 = Library("second", "mrvt_good");
    CPluginStore store;
    AddTestFolders(store);
    store.LoadAvailablePlugins();

    EXPECT_EQ(Names(store.EnumerateLoadedPlugins()), (TNames{L"mrvt_good", L"mrvt_good"}));
    EXPECT_TRUE(store.IsPluginLoaded(L"mrvt_good"));
    for (const wchar_t* name : {L"mrvt_noentry", L"mrvt_refuse", L"mrvt_debug", L"mrvt_debug_d", L"MRVT_GOOD"})
        EXPECT_FALSE(store.IsPluginLoaded(name)) << utf::ToUtf8(name);
    EXPECT_EQ(lines.Count(L"mrvt_good init " + good1), 1);
    EXPECT_EQ(lines.Count(L"mrvt_good init " + good2), 1);
    EXPECT_EQ(lines.Count(L"mrvt_refuse init " + Library("first", "mrvt_refuse")), 1);
    EXPECT_FALSE(lines.Contains(L"mrvt_debug"));
    EXPECT_TRUE(Loaded(good1));
    EXPECT_TRUE(Loaded(good2));
    EXPECT_FALSE(Loaded(Library("first", "mrvt_noentry")));
    EXPECT_FALSE(Loaded(Library("first", "mrvt_refuse")));
    EXPECT_FALSE(Loaded(Library("first", "mrvt_debug_d")));

    {
        CDiagnosticCapture dump;
        store.Dump();
        EXPECT_EQ(dump.Lines(), (TNames{L"Plugin mrvt_good is loaded", L"Plugin mrvt_good is loaded",
                                        L"Plugin mrvt_noentry is not loaded", L"Plugin mrvt_refuse is not loaded"}));
    }

    store.Close();
    EXPECT_EQ(lines.Count(L"mrvt_good close " + good1), 1);
    EXPECT_EQ(lines.Count(L"mrvt_good close " + good2), 1);
    EXPECT_FALSE(lines.Contains(L"mrvt_refuse close"));
    EXPECT_TRUE(Names(store.EnumerateLoadedPlugins()).empty());
    EXPECT_FALSE(store.IsPluginLoaded(L"mrvt_good"));
    EXPECT_FALSE(Loaded(good1));
    EXPECT_FALSE(Loaded(good2));
}

TEST(CorePluginStore, LoadPluginTakesEveryCopyEachTime)
{
    CDiagnosticCapture lines;
    {
        CPluginStore store;
        AddTestFolders(store);
        store.LoadPlugin(L"mrvt_good");
        store.LoadPlugin(L"mrvt_good");
        store.LoadPlugin(L"mrvt_debug"); // a debug build is found by its full name only
        EXPECT_EQ(Names(store.EnumerateLoadedPlugins()).size(), 4u);
    } // the store closes what it loaded
    EXPECT_EQ(lines.Count(L"mrvt_good close " + Library("first", "mrvt_good")), 2);
    EXPECT_EQ(lines.Count(L"mrvt_good close " + Library("second", "mrvt_good")), 2);
}

TEST(CorePluginStore, AThrowingCloseEntryNeitherEscapesNorKeepsOthersOpen)
{
    CDiagnosticCapture lines;
    {
        CPluginStore store;
        store.AddPluginPath(Folder("closing").c_str());
        store.LoadAvailablePlugins();
        ASSERT_EQ(Names(store.EnumerateLoadedPlugins()), (TNames{L"mrvt_closethrow", L"mrvt_good"}));
        EXPECT_NO_THROW(store.Close());
        EXPECT_TRUE(Names(store.EnumerateLoadedPlugins()).empty());
    }
    EXPECT_EQ(lines.Count(L"mrvt_closethrow close " + Library("closing", "mrvt_closethrow")), 1);
    EXPECT_EQ(lines.Count(L"mrvt_good close " + Library("closing", "mrvt_good")), 1);
    EXPECT_FALSE(Loaded(Library("closing", "mrvt_closethrow")));
    EXPECT_FALSE(Loaded(Library("closing", "mrvt_good")));
}

TEST(CorePluginStore, AFileThatIsNoLibraryIsReportedWithTheLoadersReason)
{
    // The folder's name is not ASCII, and the loader's reason repeats it.
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("mrvt-pl\xC3\xBCgin-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "broken.so") << "not a library\n";
    const std::wstring path = utf::FromUtf8((folder / "broken.so").string());
    CDiagnosticCapture lines;
    {
        CPluginStore store;
        store.AddPluginPath(utf::FromUtf8(folder.string()).c_str());
        store.LoadPlugin(L"broken");
        EXPECT_TRUE(Names(store.EnumerateLoadedPlugins()).empty());
    }
    fs::remove_all(folder);
    ASSERT_EQ(lines.Lines().size(), 1u);
    EXPECT_EQ(lines.Lines()[0].rfind(L"Cannot load plug-in '" + path + L"': " + path + L":", 0), 0u)
        << utf::ToUtf8(lines.Lines()[0]);
}
