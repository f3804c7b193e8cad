// Stream filters, files and folders, media samples, and the framework's
// registration of the data classes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "DataTestHelpers.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/CMediaSample.h"
#include "morvane/data/COutputStreamFilter.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/data/file/CFile.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"
#include "morvane/util/Containers.h"

using namespace morvane;
using namespace datatest;

TEST(StreamFilters, UnconnectedFiltersRefuseToWork)
{
    auto in = CreateRef<IInputStreamFilter>(L"morvane::CInputStreamFilter");
    ASSERT_TRUE(in);
    EXPECT_EQ(in->GetCaps(), 0u);
    EXPECT_TRUE(in->Eof());
    EXPECT_EQ(in->GetSource(), nullptr);
    EXPECT_EQ(in->GetFormat()->size, 20u);
    in->Close(); // does nothing
    char buffer[4];
    ExpectThrowReason<CIOException>([&] { in->Read(buffer, 4); }, L"Stream is not connected");
    ExpectThrowReason<CNullPtrException>([&] { in->Read(nullptr, 4); }, L"buffer is NULL");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->Seek(0); }, L"Stream is not connected");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->Tell(); }, L"Stream is not connected");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->GetLength(); }, L"Stream is not connected");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->Flush(); }, L"Stream is not connected");

    auto out = CreateRef<IOutputStreamFilter>(L"morvane::COutputStreamFilter");
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetCaps(), 0u);
    ExpectThrowReason<CIOException>([&] { out->Write("x", 1); }, L"Stream is not connected");
    ExpectThrowReason<COperationNotSupportedException>([&] { out->Tell(); }, L"Stream is not connected");
}

TEST(StreamFilters, ConnectedFiltersForwardAndHoldTheirSource)
{
    auto source = CRef<IInputStream>::Adopt(CResourceIs::FromBytes(B({1, 2, 3, 4, 5})));
    auto filter = CreateRef<IInputStreamFilter>(L"morvane::CInputStreamFilter");
    filter->Connect(source.Get());
    EXPECT_EQ(RefCount(source.Get()), 2); // the filter holds one reference
    EXPECT_EQ(filter->GetCaps(), 15u);
    EXPECT_EQ(filter->GetLength(), 5u);
    std::uint8_t buffer[8];
    EXPECT_EQ(filter->Read(buffer, 2), 2u);
    EXPECT_EQ(filter->Tell(), 2u);
    filter->Skip(2); // the plain filter cannot skip
    EXPECT_EQ(filter->Tell(), 2u);
    filter->Seek(4);
    EXPECT_EQ(filter->Read(buffer, 8), 1u);
    EXPECT_TRUE(filter->Eof());
    IInputStream* held = filter->GetSource();
    EXPECT_EQ(held, source.Get());
    held->Release();

    filter->Connect(source.Get()); // connecting the same source again keeps one reference
    EXPECT_EQ(RefCount(source.Get()), 2);
    filter->Disconnect();
    EXPECT_EQ(RefCount(source.Get()), 1);

    auto resource = CRef<CResource>::Adopt(new CResource);
    auto target = CRef<IOutputStream>::Adopt(new CResourceOs(resource.Get()));
    auto outFilter = CreateRef<IOutputStreamFilter>(L"morvane::COutputStreamFilter");
    outFilter->Connect(target.Get());
    EXPECT_EQ(outFilter->GetCaps(), 7u);
    EXPECT_EQ(outFilter->Write("ab", 2), 2u);
    EXPECT_EQ(outFilter->Tell(), 2u);
    EXPECT_EQ(resource->GetBytes(), B({'a', 'b'}));
}

TEST(FilesAndFolders, ChecksNamesAndListing)
{
    CTempFolder folder;
    WriteFileBytes(folder.Path("song.tonvik"), B({1, 2, 3}));
    WriteFileBytes(folder.Path("noext"), {});
    std::filesystem::create_directory(folder.Path("sub"));

    auto file = CreateRef<IFile>(L"morvane::CFile");
    file->Initialize(folder.Wide(L"song.tonvik").c_str());
    EXPECT_EQ(std::wstring(file->GetName()), L"song.tonvik");
    EXPECT_EQ(std::wstring(file->GetBaseName()), L"song");
    EXPECT_EQ(std::wstring(file->GetExtension()), L"tonvik");
    EXPECT_EQ(file->GetSize(), 3u);
    file->Initialize(folder.Wide(L"noext").c_str());
    EXPECT_EQ(std::wstring(file->GetExtension()), L"");

    std::wstring sub = folder.Wide(L"sub");
    ExpectThrowReason<CFileAccessException>([&] { file->Initialize(sub.c_str()); }, L"'" + sub + L"' is a directory");
    std::wstring missing = folder.Wide(L"missing");
    ExpectThrowReason<CFileAccessException>([&] { file->Initialize(missing.c_str()); },
                                            L"Cannot find '" + missing + L"': No such file or directory");

    auto dir = CreateRef<IFolder>(L"morvane::CFolder");
    std::wstring song = folder.Wide(L"song.tonvik");
    ExpectThrowReason<CFileAccessException>([&] { dir->Initialize(song.c_str()); },
                                            L"'" + song + L"' is not a directory");
    dir->Initialize(folder.Wide(L"").c_str());
    std::set<std::wstring> entries;
    auto list = CRef<IObjectEnumerator>::Adopt(dir->EnumerateEntries());
    while (list->HasNext()) {
        IObject* next = list->GetNext();
        auto text = QueryRef<IStringObject>(next);
        next->Release();
        entries.insert(text->GetString().GetBuffer());
    }
    EXPECT_EQ(entries, (std::set<std::wstring>{folder.Wide(L"noext"), song, sub}));

    EXPECT_TRUE(CFolder::Exists(song.c_str()));
    EXPECT_TRUE(CFolder::IsFile(song.c_str()));
    EXPECT_FALSE(CFolder::IsFolder(song.c_str()));
    EXPECT_TRUE(CFolder::IsFolder(sub.c_str()));
    EXPECT_FALSE(CFolder::Exists(missing.c_str()));
}

TEST(MediaSamples, BuffersAndTheirRefusalByStreams)
{
    auto sample = CreateRef<ISwBufferMediaSample>(L"morvane::CSwBufferMediaSample");
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->GetSize(), 0u);
    sample->Allocate(64);
    EXPECT_EQ(sample->GetSize(), 64u);
    EXPECT_NE(sample->GetPointer(), nullptr);
    sample->SetDataLength(10);
    EXPECT_EQ(sample->GetDataLength(), 10u);
    EXPECT_THROW(sample->SetDataLength(65), CInvalidParameterException);
    sample->SetFormat(&FORMAT_44100HZ_16BIT_STEREO);
    EXPECT_EQ(static_cast<const TDataFormat_AudioPcm*>(sample->GetFormat())->channels, 2u);

    std::uint8_t memory[16];
    auto wrapped = CRef<CMediaSample>::Adopt(new CMediaSample);
    wrapped->SetBuffer(memory, sizeof memory);
    EXPECT_EQ(wrapped->GetPointer(), memory);
    EXPECT_EQ(wrapped->GetFormat()->formatId, CId::Null());

    // No stream reads media samples.
    auto stream = CRef<IInputStream>::Adopt(CResourceIs::FromBytes(B({1})));
    ExpectThrowReason<CInvalidStateException>([&] { stream->Read(sample.Get()); }, L"Media samples are not supported");
    auto filter = CreateRef<IInputStreamFilter>(L"morvane::CInputStreamFilter");
    ExpectThrowReason<CInvalidStateException>([&] { filter->Read(wrapped.Get()); }, L"Media samples are not supported");
}

TEST(Registration, DataClassesKeepTheirFixedOrder)
{
    const std::vector<std::wstring> expected = {
        L"morvane::CAppendingRos", L"morvane::CAudioDevice", L"morvane::CAudioPcmChannelNumberConverter",
        L"morvane::CAudioPcmSampleFormatConverter", L"morvane::CDevice", L"morvane::CFile",
        L"morvane::CFileInputStream", L"morvane::CFileOutputStream", L"morvane::CFolder", L"morvane::CInputStream",
        L"morvane::CInputStreamFilter", L"morvane::CMediaControl", L"morvane::CMediaSample",
        L"morvane::COutputStream", L"morvane::COutputStreamFilter", L"morvane::CResource", L"morvane::CResourceIs",
        L"morvane::CResourceOs", L"morvane::CSetFormatIsf", L"morvane::CSwBufferMediaSample",
        L"morvane::CVideoDevice", L"morvane::CWavChunkDecoder", L"morvane::CWavDecoder"};
    std::vector<std::wstring> registered;
    auto classes = CRef<IObjectEnumerator>::Adopt(q.classStore.EnumerateClasses());
    while (classes->HasNext()) {
        IObject* next = classes->GetNext();
        auto pointer = QueryRef<IPtrObject>(next);
        next->Release();
        std::wstring name = static_cast<const TClassInfo*>(pointer->GetPtr())->name;
        if (std::find(expected.begin(), expected.end(), name) != expected.end())
            registered.push_back(name);
    }
    // Each once, in the order above (the framework's list is alphabetical).
    EXPECT_EQ(registered, expected);
    EXPECT_EQ(q.classStore.GetClassInfo(clsid::CResourceIs)->name, std::wstring(L"morvane::CResourceIs"));
}
