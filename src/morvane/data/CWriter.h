#pragma once
#include <cstdint>
#include "morvane/api/CClassObject.h"
#include "morvane/api/CRef.h"
#include "morvane/api/MorvaneApi.h"
#include "morvane/data/IStream.h"

namespace morvane {

// Base of the writers: holds a counted reference on a stream that somebody
// else opened.
class MORVANE_API CWriter : public CClassObject {
public:
    // Gives back the reference on its own stream, then shares the other's.
    virtual CWriter& operator=(const CWriter& other) = default;
    virtual void Seek(std::uint64_t position);
    virtual std::uint64_t Tell();

    IOutputStream* GetStreamTmp() const { return m_stream.Get(); }

protected:
    // A null stream throws CNullPtrException "Given output stream is NULL".
    explicit CWriter(IOutputStream* stream);
    CWriter(const CWriter& other) = default;

    CRef<IOutputStream> m_stream;
};

} // namespace morvane
