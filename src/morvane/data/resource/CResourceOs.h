#pragma once
#include <cstdint>
#include <vector>
#include "morvane/api/CRef.h"
#include "morvane/data/COutputStream.h"
#include "morvane/data/resource/IResource.h"

namespace morvane {

// Writes into a bound resource from a position of its own, growing it.
// Caps 7 while bound (seek, tell, length; no flush), 0 otherwise.
class MORVANE_API CResourceOs : public COutputStreamImpl<IResourceOs> {
public:
    CResourceOs();
    explicit CResourceOs(IResource* resource);

    void Bind(IResource* resource) override;
    IResource* GetResource() override;
    // A copy of the bound resource's bytes (empty when unbound).
    std::vector<std::uint8_t> GetBytes();

    void Close() override { Bind(nullptr); }
    unsigned int GetCaps() override;
    std::uint64_t GetLength() override;
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    std::uint64_t Write(const void* buffer, std::uint64_t count) override;

protected:
    explicit CResourceOs(const CId& classId);
    IObject* FindInterface(const CId& id) override
    {
        return AnswerFor<IResourceOs, IOutputStream, IStream>(this, id);
    }
    IResource* Bound(const wchar_t* method, bool io) const;

    CRef<IResource> m_resource;
    std::uint64_t m_position = 0;
};

// Always writes at the end of the bound resource, wherever other writers
// left it. Caps 6 while bound (tell, length).
class MORVANE_API CAppendingRos : public CResourceOs {
public:
    CAppendingRos();
    unsigned int GetCaps() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    std::uint64_t Write(const void* buffer, std::uint64_t count) override;
};

} // namespace morvane
