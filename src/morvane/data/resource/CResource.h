#pragma once
#include <cstdint>
#include <mutex>
#include <vector>
#include "morvane/api/CObjectImpl.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/data/resource/IResource.h"

namespace morvane {

// A growable byte buffer. Its own lock lets a writer and a reader on two
// threads share it.
class MORVANE_API CResource : public CObjectImpl<IResource> {
public:
    CResource();
    // Starts with a copy of bytes in the given format (null: no known format).
    explicit CResource(std::vector<std::uint8_t> bytes, const TDataFormat* format = nullptr);
    ~CResource() override;

    const TDataFormat* GetFormat() override;
    void SetFormat(const TDataFormat* format) override;
    std::uint64_t GetSize() override;
    void SetSize(std::uint64_t size) override;
    std::uint64_t ReadAt(std::uint64_t position, void* buffer, std::uint64_t count) override;
    std::uint64_t WriteAt(std::uint64_t position, const void* buffer, std::uint64_t count) override;

    // A copy of the bytes held, and their replacement.
    std::vector<std::uint8_t> GetBytes() const;
    void SetBytes(std::vector<std::uint8_t> bytes);

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IResource>(this, id); }

private:
    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_bytes;
    CFormatCopy m_format;
};

} // namespace morvane
