#include "morvane/data/CCodecClassStore.h"

#include <vector>

#include "morvane/api/CException.h"
#include "morvane/system/CReadWriteLock.h"

namespace morvane {

TDecoderClassInfo::TDecoderClassInfo(CId classId_, CId inputFormat_, CId outputFormat_)
    : classId(classId_), inputFormat(inputFormat_), outputFormat(outputFormat_)
{
}

TEncoderClassInfo::TEncoderClassInfo(CId classId_, CId inputFormat_, CId outputFormat_)
    : classId(classId_), inputFormat(inputFormat_), outputFormat(outputFormat_)
{
}

struct TCodecStoreBody {
    std::vector<TDecoderClassInfo> decoders;
    std::vector<TEncoderClassInfo> encoders;
    mutable CReadWriteLock lock;
};

CCodecClassStore::CCodecClassStore() : m_body(nullptr) {}

CCodecClassStore::~CCodecClassStore()
{
    if (m_body) {
        MRV_REPORT_BUG(L"morvane::CCodecClassStore::~CCodecClassStore", L"Not closed");
        Close();
    }
}

void CCodecClassStore::Init()
{
    if (!m_body)
        m_body = new TCodecStoreBody;
}

void CCodecClassStore::Close()
{
    delete m_body;
    m_body = nullptr;
}

} // namespace morvane
