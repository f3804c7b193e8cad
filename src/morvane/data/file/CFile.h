#pragma once
#include "morvane/api/CObjectImpl.h"
#include "morvane/api/CString.h"
#include "morvane/data/file/IFile.h"

namespace morvane {

class MORVANE_API CFile : public CObjectImpl<IFile> {
public:
    CFile();
    void Initialize(const wchar_t* path) override;
    const wchar_t* GetPath() override { return m_path; }
    const wchar_t* GetName() override { return m_name; }
    const wchar_t* GetBaseName() override { return m_baseName; }
    const wchar_t* GetExtension() override { return m_extension; }
    std::uint64_t GetSize() override;

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IFile>(this, id); }

private:
    CString m_path, m_name, m_baseName, m_extension;
};

class MORVANE_API CFolder : public CObjectImpl<IFolder> {
public:
    CFolder();
    void Initialize(const wchar_t* path) override;
    const wchar_t* GetPath() override { return m_path; }
    IObjectEnumerator* EnumerateEntries() override;

    // What a path names, without making an object.
    static bool Exists(const wchar_t* path);
    static bool IsFile(const wchar_t* path);
    static bool IsFolder(const wchar_t* path);

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IFolder>(this, id); }

private:
    CString m_path;
};

} // namespace morvane
