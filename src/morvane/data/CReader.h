#pragma once
#include <cstdint>
#include "morvane/api/CClassObject.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

class IInputStream;

// Base of the readers: holds a counted reference on a stream that somebody
// else opened.
class MORVANE_API CReader : public CClassObject {
public:
    ~CReader() override;
    CReader& operator=(const CReader&) = delete;
    virtual bool Eof();
    virtual void Seek(std::uint64_t position);
    virtual std::uint64_t Tell();

    IInputStream* GetStreamTmp() const { return m_stream; }

protected:
    // A null stream throws CNullPtrException "Given input stream is NULL".
    explicit CReader(IInputStream* stream);
    CReader(const CReader& other);

    IInputStream* m_stream;
};

} // namespace morvane
