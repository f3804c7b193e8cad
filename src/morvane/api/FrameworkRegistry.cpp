#include "morvane/api/FrameworkRegistry.h"

#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CCodecClassStore.h"
#include "morvane/data/CInputStream.h"
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/CMediaSample.h"
#include "morvane/data/COutputStream.h"
#include "morvane/data/COutputStreamFilter.h"
#include "morvane/data/file/CFile.h"
#include "morvane/data/file/CFileInputStream.h"
#include "morvane/data/file/CFileOutputStream.h"
#include "morvane/data/filters/CAudioPcmChannelNumberConverter.h"
#include "morvane/data/filters/CAudioPcmSampleFormatConverter.h"
#include "morvane/data/filters/CSetFormatIsf.h"
#include "morvane/data/filters/CWavChunkDecoder.h"
#include "morvane/data/filters/CWavDecoder.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"
#include "morvane/devices/CDevice.h"
#include "morvane/util/Containers.h"

namespace morvane {

void RegisterWithClassStore(const TClassInfo& info) { q.classStore.RegisterClassMrv(info); }

// The framework's own classes, registered in this fixed order when it opens.
void RegisterFrameworkClasses()
{
    RegisterClassOf<CAppendingRos>(clsid::CAppendingRos, L"morvane::CAppendingRos");
    RegisterWithClassStore(TClassInfo(clsid::CAudioDevice, L"morvane::CAudioDevice", &CreateRegisteredAudioDevice));
    RegisterClassOf<CAudioPcmChannelNumberConverter>(clsid::CAudioPcmChannelNumberConverter,
                                                     L"morvane::CAudioPcmChannelNumberConverter");
    RegisterClassOf<CAudioPcmSampleFormatConverter>(clsid::CAudioPcmSampleFormatConverter,
                                                    L"morvane::CAudioPcmSampleFormatConverter");
    RegisterClassOf<CDevice>(clsid::CDevice, L"morvane::CDevice");
    RegisterClassOf<CFile>(clsid::CFile, L"morvane::CFile");
    RegisterClassOf<CFileInputStream>(clsid::CFileInputStream, L"morvane::CFileInputStream");
    RegisterClassOf<CFileOutputStream>(clsid::CFileOutputStream, L"morvane::CFileOutputStream");
    RegisterClassOf<CFolder>(clsid::CFolder, L"morvane::CFolder");
    RegisterClassOf<CInputStream>(clsid::CInputStream, L"morvane::CInputStream");
    RegisterClassOf<CInputStreamFilter>(clsid::CInputStreamFilter, L"morvane::CInputStreamFilter");
    RegisterClassOf<CMediaControl>(clsid::CMediaControl, L"morvane::CMediaControl");
    RegisterClassOf<CMediaSample>(clsid::CMediaSample, L"morvane::CMediaSample");
    RegisterClassOf<CObject>(clsid::CObject, L"morvane::CObject");
    RegisterClassOf<CObjectEnumerator>(clsid::CObjectEnumerator, L"morvane::CObjectEnumerator");
    RegisterClassOf<CObjectList>(clsid::CObjectList, L"morvane::CObjectList");
    RegisterClassOf<CObjectListener>(clsid::CObjectListener, L"morvane::CObjectListener");
    RegisterClassOf<COutputStream>(clsid::COutputStream, L"morvane::COutputStream");
    RegisterClassOf<COutputStreamFilter>(clsid::COutputStreamFilter, L"morvane::COutputStreamFilter");
    RegisterClassOf<CPtrObject>(clsid::CPtrObject, L"morvane::CPtrObject");
    RegisterClassOf<CPushObjectEnumerator>(clsid::CPushObjectEnumerator, L"morvane::CPushObjectEnumerator");
    RegisterClassOf<CResource>(clsid::CResource, L"morvane::CResource");
    RegisterClassOf<CResourceIs>(clsid::CResourceIs, L"morvane::CResourceIs");
    RegisterClassOf<CResourceOs>(clsid::CResourceOs, L"morvane::CResourceOs");
    RegisterClassOf<CSetFormatIsf>(clsid::CSetFormatIsf, L"morvane::CSetFormatIsf");
    RegisterClassOf<CStringObject>(clsid::CStringObject, L"morvane::CStringObject");
    RegisterClassOf<CSwBufferMediaSample>(clsid::CSwBufferMediaSample, L"morvane::CSwBufferMediaSample");
    RegisterWithClassStore(TClassInfo(clsid::CVideoDevice, L"morvane::CVideoDevice", &CreateRegisteredVideoDevice));
    RegisterClassOf<CWavChunkDecoder>(clsid::CWavChunkDecoder, L"morvane::CWavChunkDecoder");
    RegisterClassOf<CWavDecoder>(clsid::CWavDecoder, L"morvane::CWavDecoder");

    // A stream of no known format (a file) is decoded into PCM as WAV.
    q.codecStore.RegisterDecoder(TDecoderClassInfo(clsid::CWavDecoder, CId::Null(), kAudioPcmFormatId));
}

} // namespace morvane
