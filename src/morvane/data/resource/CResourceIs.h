#pragma once
#include <cstdint>
#include <vector>
#include "morvane/api/CRef.h"
#include "morvane/data/CInputStream.h"
#include "morvane/data/resource/IResource.h"

namespace morvane {

// Reads a bound resource from a position of its own. Caps 15 while bound,
// 0 otherwise; reports the resource's format.
class MORVANE_API CResourceIs : public CInputStreamImpl<IResourceIs> {
public:
    CResourceIs();
    explicit CResourceIs(IResource* resource);
    // A new stream (one reference) over a new resource holding bytes.
    static CResourceIs* FromBytes(std::vector<std::uint8_t> bytes, const TDataFormat* format = nullptr);

    void Bind(IResource* resource) override;
    IResource* GetResource() override;

    void Close() override { Bind(nullptr); }
    unsigned int GetCaps() override;
    std::uint64_t GetLength() override;
    // Nothing is buffered between the resource and its readers.
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    bool Eof() override;
    const TDataFormat* GetFormat() override;
    std::uint64_t Read(void* buffer, std::uint64_t count) override;
    using CInputStreamImpl::Read;
    void Skip(std::uint64_t count) override;

protected:
    IObject* FindInterface(const CId& id) override
    {
        return AnswerFor<IResourceIs, IInputStream, IStream>(this, id);
    }

private:
    IResource* Bound(const wchar_t* method, bool io) const;

    CRef<IResource> m_resource;
    std::uint64_t m_position = 0;
};

} // namespace morvane
