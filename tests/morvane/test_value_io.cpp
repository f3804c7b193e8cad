// Binary values and text on streams: byte layouts, round trips, damaged
// string counts, line breaks and line reading.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "DataTestHelpers.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CTextReader.h"
#include "morvane/data/CTextWriter.h"
#include "morvane/data/CVarReader.h"
#include "morvane/data/CVarWriter.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"

using namespace morvane;
using namespace datatest;

namespace {

// Collects what a writer puts into memory.
struct CMemoryOut {
    CRef<CResourceOs> stream = CRef<CResourceOs>::Adopt(new CResourceOs(CRef<IResource>::Adopt(new CResource).Get()));
    Bytes Bytes_() { return stream->GetBytes(); }
};

CRef<IInputStream> MemoryIn(const Bytes& bytes) { return CRef<IInputStream>::Adopt(CResourceIs::FromBytes(bytes)); }

template <class T>
Bytes Written(const T& value)
{
    CMemoryOut out;
    CVarWriter writer(out.stream.Get());
    writer << value;
    return out.Bytes_();
}

} // namespace

TEST(VarWriter, ByteLayoutOfEachValueType)
{
    EXPECT_EQ(Written(true), B({0x01}));
    EXPECT_EQ(Written(false), B({0x00}));
    EXPECT_EQ(Written(static_cast<short>(-2)), B({0xFE, 0xFF}));
    EXPECT_EQ(Written(1.0f), B({0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(Written(1.0), B({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(Written(0x01020304), B({4, 3, 2, 1}));
    EXPECT_EQ(Written(static_cast<std::int64_t>(-1)), Bytes(8, 0xFF));
    EXPECT_EQ(Written(static_cast<std::uint64_t>(0x0102030405060708ull)), B({8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(Written(static_cast<unsigned char>(0xAB)), B({0xAB}));
    EXPECT_EQ(Written(static_cast<unsigned short>(0xBEEF)), B({0xEF, 0xBE}));
}

TEST(VarWriter, StringsAreCountedUtf16Units)
{
    EXPECT_EQ(Written(L"ab"), B({0x02, 0, 0, 0, 0x61, 0, 0x62, 0}));
    EXPECT_EQ(Written(CString(L"")), B({0, 0, 0, 0}));
    // Above U+FFFF: one character, two units.
    EXPECT_EQ(Written(L"a\U0001F3B5"), B({3, 0, 0, 0, 0x61, 0, 0x3C, 0xD8, 0xB5, 0xDF}));
    // Counted up to the first NUL.
    const wchar_t withNul[] = {L'x', 0, L'y', 0};
    EXPECT_EQ(Written(static_cast<const wchar_t*>(withNul)), B({1, 0, 0, 0, 'x', 0}));

    CRecordingStream recorder;
    CVarWriter writer(&recorder);
    writer << L"ab";
    EXPECT_EQ(recorder.writes.size(), 2u); // the count, then the characters
}

TEST(VarReader, RoundTripOfEveryType)
{
    CMemoryOut out;
    {
        CVarWriter w(out.stream.Get());
        w << true << 3.25 << -0.5f << CString(L"h\u00E9llo \U0001D11E") << static_cast<std::uint64_t>(1ull << 63)
          << static_cast<std::int64_t>(-5) << static_cast<unsigned char>(200) << 'c' << static_cast<unsigned short>(65535)
          << static_cast<short>(-300) << 4000000000u << -7;
    }
    auto in = MemoryIn(out.Bytes_());
    CVarReader r(in.Get());
    bool b = false;
    double d = 0;
    float f = 0;
    CString s;
    std::uint64_t u64 = 0;
    std::int64_t i64 = 0;
    unsigned char uc = 0;
    char c = 0;
    unsigned short us = 0;
    short sh = 0;
    unsigned int ui = 0;
    int i = 0;
    r >> b >> d >> f >> s >> u64 >> i64 >> uc >> c >> us >> sh >> ui >> i;
    EXPECT_TRUE(b);
    EXPECT_EQ(d, 3.25);
    EXPECT_EQ(f, -0.5f);
    EXPECT_EQ(std::wstring(s.GetBuffer()), L"h\u00E9llo \U0001D11E");
    EXPECT_EQ(u64, 1ull << 63);
    EXPECT_EQ(i64, -5);
    EXPECT_EQ(uc, 200);
    EXPECT_EQ(c, 'c');
    EXPECT_EQ(us, 65535);
    EXPECT_EQ(sh, -300);
    EXPECT_EQ(ui, 4000000000u);
    EXPECT_EQ(i, -7);
    EXPECT_TRUE(r.Eof());
}

TEST(VarReader, AnyNonzeroByteIsTrueAndShortReadsLeaveValues)
{
    auto in = MemoryIn(B({0x07, 0x00, 0x11, 0x22}));
    CVarReader r(in.Get());
    bool b = false;
    r >> b;
    EXPECT_TRUE(b);
    r >> b;
    EXPECT_FALSE(b);
    int value = -1;
    r >> value; // two bytes left: they land in the low half, the rest stays
    EXPECT_EQ(static_cast<unsigned>(value), 0xFFFF2211u);
    CString text(L"kept");
    r >> text; // nothing left
    EXPECT_EQ(std::wstring(text.GetBuffer()), L"kept");
    EXPECT_EQ(r.Tell(), 4u);
}

TEST(VarReader, DamagedStringCountOnAStreamOfKnownLength)
{
    // A count of almost 4 G units with four bytes behind it.
    auto in = MemoryIn(B({0xF0, 0xFF, 0xFF, 0xFF, 'a', 0, 'b', 0}));
    CVarReader r(in.Get());
    CString text;
    ExpectThrowReason<CDataFormatException>([&] { r >> text; }, L"Invalid data format");

    // A count that fits exactly still reads.
    auto exact = MemoryIn(B({2, 0, 0, 0, 'a', 0, 'b', 0}));
    CVarReader ok(exact.Get());
    ok >> text;
    EXPECT_EQ(std::wstring(text.GetBuffer()), L"ab");
}

TEST(VarReader, DamagedStringCountOnAStreamOfUnknownLength)
{
    // A count of almost 4 G units on a stream that cannot tell its length.
    Bytes bytes = B({0xF0, 0xFF, 0xFF, 0xFF});
    for (int k = 0; k < 5; ++k) {
        bytes.push_back('a' + k);
        bytes.push_back(0);
    }
    auto* pipe = new CPipeStream(bytes);
    auto hold = CRef<IInputStream>::Adopt(pipe);
    CVarReader r(pipe);
    CString text;
    r >> text;
    EXPECT_EQ(std::wstring(text.GetBuffer()), L"abcde");
    // It asked for a bounded piece, not for the whole damaged count.
    EXPECT_LT(pipe->asked, 1u << 20);
    EXPECT_TRUE(r.Eof());

    // A stream that delivers less than asked per read ends the string there.
    auto* trickle = new CPipeStream(B({3, 0, 0, 0, 'x', 0, 'y', 0, 'z', 0}), 4);
    auto hold2 = CRef<IInputStream>::Adopt(trickle);
    CVarReader r2(trickle);
    r2 >> text;
    EXPECT_EQ(std::wstring(text.GetBuffer()), L"xy");
}

TEST(TextWriter, LineBreaksAndCharacterFormats)
{
    {
        CRecordingStream out;
        CTextWriter w(&out, CHARFORMAT_8BIT, LINEBREAK_CRLF);
        w.Write(L"a\nb");
        EXPECT_EQ(out.All(), B({0x61, 0x0D, 0x0A, 0x62}));
    }
    {
        CRecordingStream out;
        CTextWriter w(&out, CHARFORMAT_UTF16, LINEBREAK_LF);
        w.Write(L"%d", 12);
        EXPECT_EQ(out.All(), B({0x31, 0, 0x32, 0}));
        w.Write(L"\n%ls", L"\u266B\U0001F3B5");
        EXPECT_EQ(out.writes.size(), 2u); // one stream write per call, no byte-order mark
        EXPECT_EQ(out.writes[1], B({0x0A, 0, 0x6B, 0x26, 0x3C, 0xD8, 0xB5, 0xDF}));
    }
    {
        // 8-bit output keeps the low byte: no code page.
        CRecordingStream out;
        CTextWriter w(&out, CHARFORMAT_8BIT, LINEBREAK_LF);
        w.Write(L"\u00E9\u0141\n");
        EXPECT_EQ(out.All(), B({0xE9, 0x41, 0x0A}));
    }
    {
        // Any other value of the formats: UTF-16 and LF.
        CRecordingStream out;
        CTextWriter w(&out, static_cast<TCharFormat>(7), static_cast<TLineBreakFormat>(5));
        w.Write(L"\n");
        EXPECT_EQ(out.All(), B({0x0A, 0}));
    }
}

TEST(TextWriter, LongOutputIsWrittenWhole)
{
    // 3000 characters with a line feed every 10: expanded to 3300 units.
    std::wstring line = L"123456789\n";
    std::wstring text;
    for (int k = 0; k < 300; ++k)
        text += line;
    CRecordingStream out;
    CTextWriter w(&out, CHARFORMAT_8BIT, LINEBREAK_CRLF);
    w.Write(L"%ls", text.c_str());
    ASSERT_EQ(out.writes.size(), 1u);
    const Bytes& bytes = out.writes[0];
    ASSERT_EQ(bytes.size(), 3300u);
    for (std::size_t k = 0; k < 300; ++k) {
        EXPECT_EQ(bytes[k * 11 + 9], 0x0D);
        EXPECT_EQ(bytes[k * 11 + 10], 0x0A);
    }

    CRecordingStream wide;
    CTextWriter w2(&wide, CHARFORMAT_UTF16, LINEBREAK_CRLF);
    w2.Write(L"%ls", text.c_str());
    EXPECT_EQ(wide.All().size(), 6600u);
}

TEST(TextReader, EightBitLinesAndTheEnd)
{
    auto in = MemoryIn(B({0x61, 0x62, 0x0D, 0x0A, 0x63, 0x64}));
    CTextReader r(in.Get(), CHARFORMAT_8BIT);
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"ab");
    EXPECT_EQ(r.Tell(), 4u);
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"cd");
    EXPECT_TRUE(r.Eof());
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"");
    EXPECT_TRUE(r.Eof());

    // Bytes above 127 widen unchanged; carriage returns vanish wherever they are.
    auto latin = MemoryIn(B({0xE9, 0x0D, 'x', 0x0A}));
    CTextReader r2(latin.Get(), CHARFORMAT_8BIT);
    EXPECT_EQ(std::wstring(r2.ReadLine().GetBuffer()), L"\u00E9x");
}

TEST(TextReader, LinesLongerThanTheBuffer)
{
    Bytes bytes(3000, 'q');
    bytes.push_back('\n');
    bytes.push_back('z');
    auto in = MemoryIn(bytes);
    CTextReader r(in.Get(), CHARFORMAT_8BIT);
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), std::wstring(3000, L'q'));
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"z");

    Bytes noBreak(3000, 'w');
    auto in2 = MemoryIn(noBreak);
    CTextReader r2(in2.Get(), CHARFORMAT_8BIT);
    EXPECT_EQ(r2.ReadLine().Length(), 3000u);
    EXPECT_TRUE(r2.Eof());
}

TEST(TextReader, Utf16LinesAcrossFills)
{
    // 511 units, then a surrogate pair whose halves straddle the 1024-byte
    // buffer, then CR LF and a second line.
    std::u16string units(511, u'k');
    units += u"\xD834\xDD1E\r\nend";
    Bytes bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    auto in = MemoryIn(bytes);
    CTextReader r(in.Get(), CHARFORMAT_UTF16);
    std::wstring first(r.ReadLine().GetBuffer());
    EXPECT_EQ(first, std::wstring(511, L'k') + L"\U0001D11E");
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"end");
    EXPECT_TRUE(r.Eof());
}

TEST(TextReader, SeekDropsTheBuffer)
{
    auto in = MemoryIn(B({'a', '\n', 'b', '\n', 'c'}));
    CTextReader r(in.Get(), CHARFORMAT_8BIT);
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"a");
    r.Seek(4);
    EXPECT_EQ(r.Tell(), 4u);
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"c");
    r.Seek(0);
    EXPECT_FALSE(r.Eof());
    EXPECT_EQ(std::wstring(r.ReadLine().GetBuffer()), L"a");
}
