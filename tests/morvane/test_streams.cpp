// Base streams, file streams, stream selectors and in-memory resource streams.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "DataTestHelpers.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/data/file/CFileInputStream.h"
#include "morvane/data/file/CFileOutputStream.h"
#include "morvane/data/file/CFile.h"
#include "morvane/data/file/IFile.h"
#include "morvane/util/Containers.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"

using namespace morvane;
using namespace datatest;

TEST(BaseStreams, InputStreamOfNothing)
{
    auto in = CreateRef<IInputStream>(clsid::CInputStream);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->GetCaps(), 15u);
    EXPECT_TRUE(in->Eof());
    EXPECT_EQ(in->GetLength(), 0u);
    EXPECT_EQ(in->Tell(), 0u);
    EXPECT_EQ(in->GetFormat()->formatId, CId::Null());
    EXPECT_EQ(in->GetFormat()->size, 20u);
    EXPECT_FALSE(in->HasProperty(nullptr));
    char buffer[4];
    EXPECT_EQ(in->Read(buffer, 4), 0u);
    ExpectThrowReason<CNullPtrException>([&] { in->Read(nullptr, 4); }, L"buffer is NULL");
    ExpectThrowReason<CNullPtrException>([&] { in->Read(static_cast<IMediaSample*>(nullptr)); }, L"sample is NULL");
    // Asked for as a plain stream too.
    auto asStream = QueryRef<IStream>(in.Get());
    EXPECT_TRUE(asStream);
}

TEST(BaseStreams, OutputStreamOfNothing)
{
    auto out = CreateRef<IOutputStream>(clsid::COutputStream);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetCaps(), 11u);
    EXPECT_EQ(out->Write("abc", 3), 0u);
    EXPECT_EQ(out->Tell(), 0u);
    EXPECT_EQ(out->GetLength(), 0u);
}

TEST(FileStreams, ReadCapsEofSkipAndClose)
{
    CTempFolder folder;
    WriteFileBytes(folder.Path("data.bin"), B({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    CInputStreamSelector selector(folder.Wide(L"data.bin").c_str());
    IInputStream* in = selector.GetInputStreamTmp();
    EXPECT_EQ(in->GetCaps(), 7u);
    EXPECT_EQ(in->GetLength(), 10u);
    EXPECT_FALSE(in->Eof());

    std::uint8_t buffer[16] = {};
    in->Seek(7);
    EXPECT_EQ(in->Read(buffer, 16), 3u); // only the bytes left
    EXPECT_EQ(buffer[0], 8);
    EXPECT_EQ(buffer[2], 10);
    EXPECT_TRUE(in->Eof());

    in->Seek(2);
    in->Skip(3);
    EXPECT_EQ(in->Tell(), 5u);
    EXPECT_EQ(in->Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 6);
    in->Skip(100); // past the end: the position still moves
    EXPECT_EQ(in->Tell(), 106u);
    EXPECT_TRUE(in->Eof());
    EXPECT_EQ(in->Read(buffer, 4), 0u);

    ExpectThrowReason<COperationNotSupportedException>([&] { in->Flush(); }, L"Flush is not supported");

    in->Close();
    EXPECT_EQ(in->GetCaps(), 0u);
    EXPECT_TRUE(in->Eof());
    ExpectThrowReason<CIOException>([&] { in->Read(buffer, 1); }, L"File is not open");
    ExpectThrowReason<CIOException>([&] { in->Skip(1); }, L"File is not open");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->Seek(0); }, L"File is not open");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->Tell(); }, L"File is not open");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->GetLength(); }, L"File is not open");
    ExpectThrowReason<CNullPtrException>([&] { in->Read(nullptr, 1); }, L"buffer is NULL");
}

TEST(FileStreams, WriteSeekFlushAndClose)
{
    CTempFolder folder;
    CRef<CFileOutputStream> out = CRef<CFileOutputStream>::Adopt(new CFileOutputStream);
    EXPECT_EQ(out->GetCaps(), 0u);
    ExpectThrowReason<CIOException>([&] { out->Write("x", 1); }, L"File is not open");
    ExpectThrowReason<COperationNotSupportedException>([&] { out->Flush(); }, L"File is not open");

    out->Open(folder.Wide(L"out.bin").c_str(), false);
    EXPECT_EQ(out->GetCaps(), 11u);
    EXPECT_EQ(out->Write("abcdef", 6), 6u);
    out->Seek(2);
    EXPECT_EQ(out->Write("XY", 2), 2u);
    EXPECT_EQ(out->Tell(), 4u);
    EXPECT_EQ(out->GetLength(), 6u);
    out->Flush();
    out->Close();
    EXPECT_EQ(out->GetCaps(), 0u);
    EXPECT_EQ(ReadFileBytes(folder.Path("out.bin")), B({'a', 'b', 'X', 'Y', 'e', 'f'}));

    out->Open(folder.Wide(L"out.bin").c_str(), true); // append
    out->Write("g", 1);
    out->Close();
    EXPECT_EQ(ReadFileBytes(folder.Path("out.bin")).size(), 7u);
}

TEST(FileStreams, OutputSelectorTruncatesAnExistingFile)
{
    CTempFolder folder;
    WriteFileBytes(folder.Path("old.bin"), Bytes(100, 0x55));
    {
        COutputStreamSelector selector(folder.Wide(L"old.bin").c_str());
        selector.GetOutputStreamTmp()->Write("hi", 2);
    }
    EXPECT_EQ(ReadFileBytes(folder.Path("old.bin")), B({'h', 'i'}));
}

TEST(FileStreams, OpenFailuresNameThePathAndTheSystemsReason)
{
    CTempFolder folder;
    std::wstring missing = folder.Wide(L"missing.bin");
    ExpectThrowReason<CFileAccessException>([&] { CInputStreamSelector selector(missing.c_str()); },
                                            L"Cannot open '" + missing + L"' for reading: No such file or directory");
    // A folder is not a file, for reading or for writing.
    std::wstring self = folder.Wide(L"");
    ExpectThrowReason<CFileAccessException>([&] { CInputStreamSelector selector(self.c_str()); },
                                            L"Cannot open '" + self + L"' for reading: Is a directory");
    ExpectThrowReason<CFileAccessException>([&] { COutputStreamSelector selector(self.c_str()); },
                                            L"Cannot open '" + self + L"' for writing: Is a directory");
    std::wstring unreachable = folder.Wide(L"no/such/folder.bin");
    ExpectThrowReason<CFileAccessException>([&] { COutputStreamSelector selector(unreachable.c_str()); },
                                            L"Cannot open '" + unreachable +
                                                L"' for writing: No such file or directory");
    if (geteuid() != 0) {
        WriteFileBytes(folder.Path("locked.bin"), Bytes(4, 1));
        ASSERT_EQ(chmod(folder.Path("locked.bin").c_str(), 0), 0);
        const std::wstring locked = folder.Wide(L"locked.bin");
        ExpectThrowReason<CFileAccessException>([&] { CInputStreamSelector selector(locked.c_str()); },
                                                L"Cannot open '" + locked + L"' for reading: Permission denied");
    }
}

TEST(FileStreams, AFullDiskSaysSo)
{
    // Every write to /dev/full fails as on a disk without room, at the write
    // that goes past the C library's buffer or at the flush that empties it.
    auto stream = CreateRef<IFileOutputStream>(L"morvane::CFileOutputStream");
    stream->Open(L"/dev/full", false);
    ExpectThrowReason<CIOException>([&] { stream->Write("ab", 2), stream->Flush(); },
                                    L"fflush failed: No space left on device");
    const std::vector<char> big(1 << 20, 'x');
    ExpectThrowReason<CIOException>([&] { stream->Write(big.data(), big.size()); },
                                    L"fwrite failed: No space left on device");
}

TEST(FileStreams, NamesThatAreNotUtf8ReachTheFileSystemUnchanged)
{
    CTempFolder folder;
    // Latin-1 "café", a lone continuation byte, a cut sequence, an overlong
    // "/" and an encoded surrogate: none of them UTF-8.
    const std::vector<std::string> names = {"caf\xE9.tonvik", "\x80x", "a\xE2\x99", "\xC0\xAF", "\xED\xB2\x80"};
    for (const std::string& name : names) {
        const std::wstring path = utf::PathFromBytes(folder.Get() + "/" + name);
        {
            COutputStreamSelector out(path.c_str());
            out.GetOutputStreamTmp()->Write("song", 4);
        }
        EXPECT_EQ(ReadFileBytes(folder.Path(name)), B({'s', 'o', 'n', 'g'})) << name;
        CInputStreamSelector in(path.c_str());
        EXPECT_EQ(in.GetInputStreamTmp()->GetLength(), 4u) << name;
        // Listed as the same wide name, and found again under it.
        auto dir = CreateRef<IFolder>(L"morvane::CFolder");
        dir->Initialize(utf::PathFromBytes(folder.Get()).c_str());
        auto list = CRef<IObjectEnumerator>::Adopt(dir->EnumerateEntries());
        ASSERT_TRUE(list->HasNext());
        IObject* next = list->GetNext();
        auto entry = QueryRef<IStringObject>(next);
        next->Release();
        EXPECT_EQ(std::wstring(entry->GetString().GetBuffer()), path) << name;
        EXPECT_TRUE(CFolder::IsFile(path.c_str())) << name;
        std::filesystem::remove(folder.Path(name));
    }
}

TEST(FileStreams, NonAsciiPathsReachTheFileSystemAsUtf8)
{
    CTempFolder folder;
    const std::wstring name = L"\u00DCbung \u266B.tonvik";
    {
        COutputStreamSelector out(folder.Wide(name).c_str());
        EXPECT_EQ(out.GetOutputStreamTmp()->Write("song", 4), 4u);
    }
    // The folder entry carries the name's UTF-8 bytes.
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Get()))
        found |= entry.path().filename().string() == "\xC3\x9C" "bung \xE2\x99\xAB.tonvik";
    EXPECT_TRUE(found);

    CInputStreamSelector in(folder.Wide(name).c_str());
    char buffer[8] = {};
    EXPECT_EQ(in.GetInputStreamTmp()->Read(buffer, 8), 4u);
    EXPECT_EQ(std::string(buffer, 4), "song");
}

TEST(Selectors, NullArgumentsAndReferenceCounts)
{
    ExpectThrowReason<CNullPtrException>([] { CInputStreamSelector s(static_cast<const wchar_t*>(nullptr)); },
                                         L"Given file name is NULL");
    ExpectThrowReason<CNullPtrException>([] { CInputStreamSelector s(static_cast<IResource*>(nullptr)); },
                                         L"Given resource is NULL");
    ExpectThrowReason<CNullPtrException>([] { CInputStreamSelector s(static_cast<IInputStream*>(nullptr)); },
                                         L"Given input stream is NULL");
    ExpectThrowReason<CNullPtrException>([] { COutputStreamSelector s(static_cast<const wchar_t*>(nullptr)); },
                                         L"Given file name is NULL");
    COutputStreamSelector empty(static_cast<IResource*>(nullptr));
    EXPECT_EQ(empty.GetOutputStream(), nullptr);
    EXPECT_THROW(empty.EncodeStream(nullptr, nullptr), CNullPtrException);

    auto stream = CRef<IInputStream>::Adopt(CResourceIs::FromBytes(B({1, 2, 3})));
    EXPECT_EQ(RefCount(stream.Get()), 1);
    {
        CInputStreamSelector selector(stream.Get());
        EXPECT_EQ(RefCount(stream.Get()), 2);
        EXPECT_EQ(selector.GetInputStreamTmp(), stream.Get());
        EXPECT_EQ(RefCount(stream.Get()), 2); // borrowed: no reference added
        IInputStream* owned = selector.GetInputStream();
        EXPECT_EQ(RefCount(stream.Get()), 3);
        owned->Release();

        CInputStreamSelector copy(selector);
        EXPECT_EQ(RefCount(stream.Get()), 3);
        CInputStreamSelector other(CResourceIs::FromBytes({}));
        other.GetInputStreamTmp()->Release(); // the selector took its own reference
        other = selector;                     // releases the old stream first
        EXPECT_EQ(RefCount(stream.Get()), 4);
    }
    EXPECT_EQ(RefCount(stream.Get()), 1);
}

TEST(Resources, InputStreamOverAResource)
{
    auto resource = CRef<IResource>::Adopt(new CResource(B({10, 20, 30, 40})));
    CInputStreamSelector selector(resource.Get());
    IInputStream* in = selector.GetInputStreamTmp();
    EXPECT_EQ(in->GetCaps(), 15u);
    EXPECT_EQ(in->GetLength(), 4u);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(in->Read(buffer, 3), 3u);
    EXPECT_EQ(buffer[2], 30);
    EXPECT_FALSE(in->Eof());
    in->Skip(5);
    EXPECT_EQ(in->Tell(), 8u);
    EXPECT_TRUE(in->Eof());
    EXPECT_EQ(in->Read(buffer, 8), 0u);
    in->Seek(1);
    EXPECT_EQ(in->Read(buffer, 8), 3u);
    EXPECT_EQ(buffer[0], 20);

    in->Close();
    EXPECT_EQ(in->GetCaps(), 0u);
    EXPECT_TRUE(in->Eof());
    ExpectThrowReason<CIOException>([&] { in->Read(buffer, 1); }, L"No resource bound");
    ExpectThrowReason<COperationNotSupportedException>([&] { in->Seek(0); }, L"No resource bound");
}

TEST(Resources, OutputStreamsGrowTheResource)
{
    auto resource = CRef<CResource>::Adopt(new CResource);
    auto out = CRef<CResourceOs>::Adopt(new CResourceOs(resource.Get()));
    EXPECT_EQ(out->GetCaps(), 7u);
    out->Write("abc", 3);
    out->Seek(5); // the gap is filled with zeros
    out->Write("z", 1);
    out->Seek(1);
    out->Write("B", 1);
    EXPECT_EQ(out->Tell(), 2u);
    EXPECT_EQ(resource->GetBytes(), B({'a', 'B', 'c', 0, 0, 'z'}));
    EXPECT_EQ(out->GetBytes(), resource->GetBytes());
    ExpectThrowReason<COperationNotSupportedException>([&] { out->Flush(); }, L"Flush unsupported");

    auto appending = CRef<CAppendingRos>::Adopt(new CAppendingRos);
    appending->Bind(resource.Get());
    EXPECT_EQ(appending->GetCaps(), 6u);
    appending->Write("!", 1);
    EXPECT_EQ(appending->Tell(), 7u);
    EXPECT_EQ(resource->GetBytes().back(), '!');

    out->Close();
    EXPECT_EQ(out->GetCaps(), 0u);
    ExpectThrowReason<CIOException>([&] { out->Write("x", 1); }, L"No resource bound");

    // The bytes held are in the resource's format, which is then fixed.
    ExpectThrowReason<CInvalidStateException>([&] { resource->SetFormat(&FORMAT_44100HZ_16BIT_MONO); },
                                              L"Data format is locked");
    auto empty = CRef<CResource>::Adopt(new CResource);
    empty->SetFormat(&FORMAT_44100HZ_16BIT_STEREO);
    EXPECT_EQ(empty->GetFormat()->size, 32u);
    EXPECT_EQ(static_cast<const TDataFormat_AudioPcm*>(empty->GetFormat())->channels, 2u);
}

TEST(Resources, OutputSelectorOverAResource)
{
    auto resource = CRef<CResource>::Adopt(new CResource);
    {
        COutputStreamSelector selector(resource.Get());
        selector.GetOutputStreamTmp()->Write("xyz", 3);
    }
    EXPECT_EQ(resource->GetBytes(), B({'x', 'y', 'z'}));
}
