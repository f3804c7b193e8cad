#pragma once
#include <cstdint>
#include "morvane/api/CClassObject.h"
#include "morvane/api/CRef.h"
#include "morvane/api/MorvaneApi.h"
#include "morvane/data/IStream.h"

namespace morvane {

// Base of the readers: holds a counted reference on a stream that somebody
// else opened.
class MORVANE_API CReader : public CClassObject {
public:
    CReader& operator=(const CReader&) = delete;
    virtual bool Eof();
    virtual void Seek(std::uint64_t position);
    virtual std::uint64_t Tell();

    IInputStream* GetStreamTmp() const { return m_stream.Get(); }

protected:
    // A null stream throws CNullPtrException "Given input stream is NULL".
    explicit CReader(IInputStream* stream);
    CReader(const CReader& other) = default;

    CRef<IInputStream> m_stream;
};

} // namespace morvane
