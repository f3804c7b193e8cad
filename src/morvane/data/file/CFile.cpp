#include "morvane/data/file/CFile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

#include <string>

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"
#include "morvane/api/Utf.h"
#include "morvane/util/Containers.h"

namespace morvane {

namespace {

std::wstring Slashed(const wchar_t* path)
{
    std::wstring text = path ? path : L"";
    for (wchar_t& ch : text)
        if (ch == L'\\')
            ch = L'/';
    return text;
}

bool StatPath(const std::wstring& path, struct stat& info)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    return stat(utf::PathToBytes(path).c_str(), &info) == 0;
}

} // namespace

// ---- CFile

CFile::CFile() : CObjectImpl(clsid::CFile) {}

void CFile::Initialize(const wchar_t* path)
{
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::CFile::Initialize", L"Given file name is NULL");
    std::wstring slashed = Slashed(path);
    struct stat info {};
    if (!StatPath(slashed, info))
        MRV_THROW(CFileAccessException, L"morvane::CFile::Initialize", MakeSystemReason(errno, L"Cannot find '%ls'", path));
    if (S_ISDIR(info.st_mode))
        MRV_THROW(CFileAccessException, L"morvane::CFile::Initialize", MakeReason(L"'%ls' is a directory", path));

    std::size_t slash = slashed.find_last_of(L'/');
    std::wstring name = slash == std::wstring::npos ? slashed : slashed.substr(slash + 1);
    std::size_t dot = name.find_last_of(L'.');
    m_path = slashed.c_str();
    m_name = name.c_str();
    m_baseName = name.substr(0, dot).c_str();
    m_extension = dot == std::wstring::npos ? L"" : name.substr(dot + 1).c_str();
}

std::uint64_t CFile::GetSize()
{
    struct stat info {};
    if (!StatPath(m_path.GetBuffer(), info))
        MRV_THROW(CFileAccessException, L"morvane::CFile::GetSize",
                  MakeSystemReason(errno, L"Cannot find '%ls'", m_path.GetBuffer()));
    return static_cast<std::uint64_t>(info.st_size);
}

// ---- CFolder

CFolder::CFolder() : CObjectImpl(clsid::CFolder) {}

void CFolder::Initialize(const wchar_t* path)
{
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::CFolder::Initialize", L"Given folder name is NULL");
    std::wstring slashed = Slashed(path);
    struct stat info {};
    if (!StatPath(slashed, info))
        MRV_THROW(CFileAccessException, L"morvane::CFolder::Initialize",
                  MakeSystemReason(errno, L"Cannot find '%ls'", path));
    if (!S_ISDIR(info.st_mode))
        MRV_THROW(CFileAccessException, L"morvane::CFolder::Initialize", MakeReason(L"'%ls' is not a directory", path));
    m_path = slashed.c_str();
}

IObjectEnumerator* CFolder::EnumerateEntries()
{
    auto* enumerator = new CPushObjectEnumerator;
    std::wstring folder = m_path.GetBuffer();
    if (folder.empty())
        return enumerator;
    DIR* dir = opendir(utf::PathToBytes(folder).c_str());
    if (!dir)
        return enumerator;
    std::wstring prefix = folder.back() == L'/' ? folder : folder + L"/";
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::wstring full = prefix + utf::PathFromBytes(name);
        auto* text = new CStringObject(CString(full.c_str()));
        enumerator->Push(text);
        text->Release();
    }
    closedir(dir);
    return enumerator;
}

bool CFolder::Exists(const wchar_t* path)
{
    struct stat info {};
    return path && StatPath(Slashed(path), info);
}

bool CFolder::IsFile(const wchar_t* path)
{
    struct stat info {};
    return path && StatPath(Slashed(path), info) && !S_ISDIR(info.st_mode);
}

bool CFolder::IsFolder(const wchar_t* path)
{
    struct stat info {};
    return path && StatPath(Slashed(path), info) && S_ISDIR(info.st_mode);
}

} // namespace morvane
