#pragma once
#include "morvane/api/CId.h"

// Class ids of the framework's own classes: fixed once per class, like the
// interface ids, so that callers can create them by id.
namespace morvane::clsid {

constexpr CId CAppendingRos{0x82D3099F, 0x2ACAE79F, 0xAC502949, 0x080F7E03};
constexpr CId CAudioClip{0x8923ACD9, 0xD6427B26, 0xACDE99CD, 0x5D605A2B};
constexpr CId CAudioDevice{0x9DF8979E, 0x14424383, 0xA3164F6A, 0xD110B15C};
constexpr CId CAudioPcmChannelNumberConverter{0x51001ADD, 0x1E00F1EE, 0x9DF68E69, 0x72B4B28B};
constexpr CId CAudioPcmSampleFormatConverter{0x3BE2E87C, 0x99D52A4E, 0x84A41D1F, 0x871D8DC2};
constexpr CId CBitmap{0x99782590, 0xDC97C257, 0xA508D235, 0xA7B202AB};
constexpr CId CCbVideoSource{0x9EA47E53, 0x43B0757C, 0x92170626, 0xE16C6003};
constexpr CId CDevice{0x7005A4D8, 0xE886BABD, 0x97F6D12F, 0xEF9547D2};
constexpr CId CFile{0xA1C86F7F, 0x64659FA1, 0x5EABCDFD, 0x110696FA};
constexpr CId CFileInputStream{0x0EB5BCD1, 0x8484F61D, 0x34D0E032, 0x7A42074F};
constexpr CId CFileOutputStream{0x20FF6E13, 0xB7590F43, 0x54725488, 0x177E723D};
constexpr CId CFolder{0xD973EC23, 0xB1DEC06F, 0x11FA0F7C, 0x72499E50};
constexpr CId CInputStream{0xC6FE67AC, 0x515C89F5, 0x97F49C83, 0xB616C29F};
constexpr CId CInputStreamFilter{0xA85DD668, 0x27D05EF7, 0x0E4EED1F, 0x2C95DAFF};
constexpr CId CMediaControl{0x7F82DC9F, 0x9AF44946, 0x96F486E1, 0xB76D06AC};
constexpr CId CMediaSample{0x076E5769, 0x2C0DA108, 0x56C8BA33, 0x376CCD2D};
constexpr CId CObject{0x90832171, 0xF23F4997, 0xBC71E87A, 0x6E3A3063};
constexpr CId CObjectEnumerator{0xBB00B297, 0x2737AF75, 0xD3AEC37D, 0x30087E57};
constexpr CId CObjectList{0x1611DB84, 0xDA4D0E6D, 0x2BB988EF, 0x07C8DC35};
constexpr CId CObjectListener{0x8E81F646, 0xB7F84058, 0x921DC7DD, 0xB602DD7D};
constexpr CId COutputStream{0x694B1A94, 0x4152999D, 0x3F16194E, 0x01AF4F8C};
constexpr CId COutputStreamFilter{0xF1127694, 0x4557D1D2, 0xA6605A3E, 0x52A85834};
constexpr CId CPlasmaVideoGenerator{0xEC2A4872, 0x68D53A93, 0x53DF0170, 0x4C4CA6E5};
constexpr CId CPropertyPage{0xF8958F8B, 0x7C94F588, 0x2529B664, 0x600BBED3};
constexpr CId CPtrObject{0x477BD4A2, 0xBE8B1695, 0xBB7FBF50, 0xFA716EF6};
constexpr CId CPushObjectEnumerator{0x0F788D42, 0x9E32A55D, 0x04ADDF60, 0xB9BFF2CA};
constexpr CId CRandomGenerator{0x503CCD40, 0x41617A6A, 0x3429AC3E, 0x1335A2E8};
constexpr CId CResource{0xD6BB0E57, 0xB893BF0C, 0x2A891EA5, 0xC1FD5914};
constexpr CId CResourceIs{0xB229402C, 0xFDC14470, 0x90860D53, 0x765A0AB2};
constexpr CId CResourceOs{0xE4217902, 0x69FA46D9, 0x4532877B, 0x20844F08};
constexpr CId CSetFormatIsf{0x6B1D8A81, 0x92E3FC90, 0xCF81FE73, 0xBD4B3C6F};
constexpr CId CStringObject{0x393A4A10, 0x2E7BCDCC, 0x9490EE99, 0x7B533E1F};
constexpr CId CSwBufferMediaSample{0x583F70C2, 0x5C896651, 0x2572FDE3, 0x6904E31B};
constexpr CId CVideoClip{0x7537A69C, 0xB1D075AC, 0x96A73A6C, 0x80A35F54};
constexpr CId CVideoDevice{0xF81C0DB0, 0x960349F4, 0x8C229044, 0xA67DD19C};
constexpr CId CVideoWindow{0xBC8DC766, 0x74C17E68, 0xBE47FF95, 0xD9AD6106};
constexpr CId CWavChunkDecoder{0x7E8A0D28, 0x96813B5D, 0x926B8FF8, 0x4A18DEDB};
constexpr CId CWavDecoder{0x521C3225, 0x5C8F4D10, 0xBE3A0AB0, 0x62E4711B};

} // namespace morvane::clsid
