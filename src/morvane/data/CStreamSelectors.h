#pragma once
#include "morvane/api/CClassObject.h"
#include "morvane/api/CId.h"
#include "morvane/api/CRef.h"
#include "morvane/api/MorvaneApi.h"
#include "morvane/data/IStream.h"

namespace morvane {

class IResource;
struct TDataFormat;

// Turns a path, a resource or an existing stream into an input stream. Holds
// exactly one reference; copies share the stream.
class MORVANE_API CInputStreamSelector : public CClassObject {
public:
    // Opens the file through morvane::CFileInputStream.
    explicit CInputStreamSelector(const wchar_t* path);
    explicit CInputStreamSelector(IResource* resource);
    explicit CInputStreamSelector(IInputStream* stream);

    // Borrowed: valid while the selector lives.
    IInputStream* GetInputStreamTmp() const { return m_stream.Get(); }
    // One added reference, owned by the caller.
    IInputStream* GetInputStream() const;
    // The held stream decoded through the codec store (owned by the caller).
    IInputStream* DecodeStream(const CId& formatId) const;

private:
    CRef<IInputStream> m_stream;
};

// Turns a path, a resource or an existing stream into an output stream.
class MORVANE_API COutputStreamSelector : public CClassObject {
public:
    // Creates or truncates the file through morvane::CFileOutputStream.
    explicit COutputStreamSelector(const wchar_t* path);
    explicit COutputStreamSelector(IResource* resource);
    explicit COutputStreamSelector(IOutputStream* stream);

    IOutputStream* GetOutputStreamTmp() const { return m_stream.Get(); }
    IOutputStream* GetOutputStream() const;
    IOutputStream* EncodeStream(const TDataFormat* from, const TDataFormat* to) const;

private:
    CRef<IOutputStream> m_stream;
};

} // namespace morvane
