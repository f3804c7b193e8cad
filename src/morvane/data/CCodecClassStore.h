#pragma once
#include "morvane/api/CId.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

class IObject;
class IInputStream;
class IOutputStream;
class IObjectEnumerator;
struct TDataFormat;
class CMorvane;
struct TCodecStoreBody;

// A decoder or encoder class: its class id, then the input and output format ids.
struct MORVANE_API TDecoderClassInfo {
    TDecoderClassInfo(CId classId, CId inputFormat, CId outputFormat);
    CId classId;
    CId inputFormat;
    CId outputFormat;
};

struct MORVANE_API TEncoderClassInfo {
    TEncoderClassInfo(CId classId, CId inputFormat, CId outputFormat);
    CId classId;
    CId inputFormat;
    CId outputFormat;
};

// The codec registry: decodes a stream into a wanted format.
class MORVANE_API CCodecClassStore {
public:
    CCodecClassStore();
    CCodecClassStore(const CCodecClassStore&) = delete;
    CCodecClassStore& operator=(const CCodecClassStore&) = delete;
    ~CCodecClassStore();

    void RegisterDecoder(const TDecoderClassInfo& info);
    void RegisterEncoder(const TEncoderClassInfo& info);
    const TDecoderClassInfo* GetDecoderClassInfo(const CId& inputFormat, const CId& outputFormat) const;
    const TEncoderClassInfo* GetEncoderClassInfo(const CId& inputFormat, const CId& outputFormat) const;
    IObjectEnumerator* EnumerateDecoders() const;
    IObjectEnumerator* EnumerateEncoders() const;
    IObject* CreateDecoder(const CId& inputFormat, const CId& outputFormat) const;
    IObject* CreateEncoder(const CId& inputFormat, const CId& outputFormat) const;
    // The stream itself (one more reference) when it already has the wanted
    // format; otherwise a decoder connected to it. Null stream gives null.
    IInputStream* DecodeStream(IInputStream* stream, const CId& wantedFormat) const;
    IInputStream* DecodeFile(const wchar_t* path, const CId& wantedFormat) const;
    IOutputStream* EncodeStream(IOutputStream* stream, const TDataFormat* from, const TDataFormat* to) const;
    IOutputStream* EncodeFile(const wchar_t* path, const TDataFormat* from, const TDataFormat* to) const;

    bool IsOpen() const { return m_body != nullptr; }

private:
    friend class CMorvane;
    void Init();
    void Close();

    TCodecStoreBody* m_body;
};

} // namespace morvane
