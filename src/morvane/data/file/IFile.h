#pragma once
#include <cstdint>
#include "morvane/api/IObject.h"

namespace morvane {

class IObjectEnumerator;

// A file of the file system, checked when it is initialised.
class MORVANE_API IFile : public IObject {
public:
    static constexpr CId kIid{0xA7EA1FC2, 0x909A47D7, 0xA1A1EFB2, 0xEC1BF33B};
    // CFileAccessException "Cannot find '<path>'" or "'<path>' is a directory".
    virtual void Initialize(const wchar_t* path) = 0;
    // The path with every '\' turned into '/'.
    virtual const wchar_t* GetPath() = 0;
    // The last part of the path, and that part without its extension.
    virtual const wchar_t* GetName() = 0;
    virtual const wchar_t* GetBaseName() = 0;
    // Without the dot; empty when the name has none.
    virtual const wchar_t* GetExtension() = 0;
    virtual std::uint64_t GetSize() = 0;

protected:
    ~IFile() = default;
};

// A folder of the file system, checked when it is initialised.
class MORVANE_API IFolder : public IObject {
public:
    static constexpr CId kIid{0xBCFAE8C2, 0x1B1B4192, 0x9BE9D614, 0x13AB5912};
    // CFileAccessException "Cannot find '<path>'" or "'<path>' is not a directory".
    virtual void Initialize(const wchar_t* path) = 0;
    virtual const wchar_t* GetPath() = 0;
    // String objects holding the full path of each entry, in the order the
    // system lists them ("." and ".." left out).
    virtual IObjectEnumerator* EnumerateEntries() = 0;

protected:
    ~IFolder() = default;
};

} // namespace morvane
