#include "CliSupport.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/files/SongFiles.h"
#include "morvane/api/CMorvane.h"

namespace ovk::cli {

bool IsInstrumentPath(const std::string& path)
{
    const std::string extension = ".tonviki";
    if (path.size() < extension.size())
        return false;
    return std::equal(extension.rbegin(), extension.rend(), path.rbegin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

morvane::CRef<IOvkModule> NewModule()
{
    auto module = morvane::CreateRef<IOvkModule>(L"ovk::COvkModule");
    if (!module)
        throw CCliError(kExitFailure, "the song class is not registered");
    return module;
}

morvane::CRef<IOvkModule> LoadModule(const std::string& path)
{
    // Loaded aside, so that a file that fails to load never holds the song's lock.
    COvkModuleData song;
    OnFile(path, [&] { LoadSongFile(WidePath(path).c_str(), song); });
    morvane::CRef<IOvkModule> module = NewModule();
    *module->Lock(2) = std::move(song);
    module->Unlock();
    return module;
}

} // namespace ovk::cli
