#include <gtest/gtest.h>

#include <string>

#include "morvane/api/CString.h"
#include "morvane/api/Utf.h"
#include "core_expect.h"

using morvane::CObjectNotFoundException;
using morvane::CString;

namespace {

std::wstring W(const CString& s) { return std::wstring(s.GetBuffer()); }

template <class Search>
void ExpectNotFound(Search search, const wchar_t* method)
{
    core_test::ExpectThrow<CObjectNotFoundException>(search, method, L"Didn't find content");
}

} // namespace

TEST(CoreStrings, NarrowTextWidensBySignExtensionAndNarrowsToTheLowByte)
{
    CString s("\xE9" "A");
    ASSERT_EQ(s.Length(), 2u);
    EXPECT_EQ(static_cast<unsigned>(s[0u]), 0xFFE9u);
    char narrow[8];
    s.ToChar(narrow, sizeof narrow);
    EXPECT_STREQ(narrow, "\xE9" "A");
    EXPECT_EQ(s.CompareTo("\xE9" "A"), 0);
    wchar_t wide[3];
    s.ToWideChar(wide, 2); // at most size - 1 units and the terminator
    EXPECT_EQ(wide[1], 0);
    EXPECT_EQ(s.EnumerateTokens(L','), nullptr);
}

TEST(CoreStrings, IndexingClampsAndOutOfRangeWritesChangeNothing)
{
    CString s(L"abc");
    EXPECT_EQ(s[-1], L'c');
    EXPECT_EQ(s[-4], 0);
    EXPECT_EQ(s[5], 0);
    EXPECT_EQ(s[5u], 0);
    s[7] = L'x';
    s[-9] = L'y';
    s[7u] = L'z';
    s[-1] = L'C';
    EXPECT_EQ(W(s), L"abC");
    CString moved(std::move(s));
    ASSERT_NE(s.GetBuffer(), nullptr); // a moved-from string is empty, never null
    EXPECT_EQ(s.Length(), 0u);
}

TEST(CoreStrings, SubStrAndRemoveClampTheirRange)
{
    CString hello(L"hello");
    EXPECT_EQ(W(hello.SubStr(-2, 10)), L"lo");
    EXPECT_EQ(W(hello.SubStr(1, -1)), L"ell");
    EXPECT_EQ(W(hello.SubStr(7, 2)), L"");
    EXPECT_EQ(W(hello.SubStr(-9, 2)), L"he");
    EXPECT_EQ(W(hello.SubStr(3, -4)), L"");
    hello.Remove(1, 2);
    EXPECT_EQ(W(hello), L"hlo");
    hello.Remove(5, 1);
    hello.Remove(0, -1);
    EXPECT_EQ(W(hello), L"o");

    // Edits keep text far beyond the edit point.
    std::wstring text(70000, L'x');
    text.back() = L'z';
    CString s(text.c_str());
    s.Remove(0, 1);
    s.Replace(L"z", L"end");
    EXPECT_EQ(s.Length(), 70001u);
    EXPECT_EQ(W(s.SubStr(-3, 3)), L"end");
}

TEST(CoreStrings, ComparisonIsOrdinalAndShorterPrefixIsSmaller)
{
    CString ab(L"ab");
    EXPECT_EQ(ab.CompareTo(L"abc"), -1);
    EXPECT_EQ(CString(L"abc").CompareTo(L"ab"), 1);
    EXPECT_EQ(CString(L"abc").CompareToIgnoreCase(L"ABC"), 0);
    EXPECT_EQ(CString(L"abc").CompareToIgnoreCase("ABD"), -1);
    EXPECT_TRUE(ab < L"b" && ab <= "ab" && ab >= "ab" && ab > L"aa" && ab != L"AB" && ab == CString("ab"));
    EXPECT_EQ(CString("\xE9").CompareTo(L"z"), 1); // units compare unsigned
}

TEST(CoreStrings, ConcatenationAndRemoval)
{
    CString s(L"ab");
    CString t = s + "cd" + L"ab";
    EXPECT_EQ(W(t), L"abcdab");
    EXPECT_EQ(W(t - "ab"), L"cd");
    t -= L"cd";
    EXPECT_EQ(W(t), L"abab");
    s += s.GetBuffer(); // its own text
    EXPECT_EQ(W(s), L"abab");
    CString chars(L"a.b.c");
    chars.Remove(L'.');
    EXPECT_EQ(W(chars), L"abc");
    CString a(L"one");
    a = a.GetBuffer() + 1; // assigning from its own buffer
    EXPECT_EQ(W(a), L"ne");
}

TEST(CoreStrings, FindResultsAndMisses)
{
    CString s(L"abcabc");
    EXPECT_EQ(s.FindFirst(L'b'), 1u);
    EXPECT_EQ(s.FindLast(L'b'), 4u);
    EXPECT_EQ(s.FindFirst(L'\0'), 6u);
    EXPECT_EQ(s.FindFirst(L"bc"), 1u);
    EXPECT_EQ(s.FindFirst("ca"), 2u);
    EXPECT_EQ(s.FindLast(L"bc"), 4u);
    EXPECT_EQ(s.FindLast("abcabc"), 0u);

    // Searched text longer than the string: only the narrow FindFirst throws.
    CString a(L"a");
    EXPECT_EQ(a.FindFirst(L"zz"), 0xFFFFFFFFu);
    EXPECT_EQ(a.FindLast(L"zz"), 0xFFFFFFFFu);
    EXPECT_EQ(a.FindLast("zz"), 0xFFFFFFFFu);
    ExpectNotFound([&] { a.FindFirst("zz"); }, L"morvane::CString::FindFirst");
    ExpectNotFound([&] { s.FindFirst(L'z'); }, L"morvane::CString::FindFirst");
    ExpectNotFound([&] { s.FindLast(L'z'); }, L"morvane::CString::FindLast");
    ExpectNotFound([&] { s.FindFirst(L"bd"); }, L"morvane::CString::FindFirst");
    ExpectNotFound([&] { s.FindLast("bd"); }, L"morvane::CString::FindLast");
}

TEST(CoreStrings, TrimRemovesOnlyLineEndsAndSpaces)
{
    CString s(L"\r\n  x y \n");
    s.Trim();
    EXPECT_EQ(W(s), L"x y");
    CString tab(L"\tx");
    tab.Trim();
    EXPECT_EQ(W(tab), L"\tx");
}

TEST(CoreStrings, ReplaceRestartsFromTheStartAndTerminates)
{
    CString s(L"aaaa");
    s.Replace(L"aa", L"a");
    EXPECT_EQ(W(s), L"a");
    CString chars(L"a-b-c");
    chars.Replace(L'-', L'+');
    EXPECT_EQ(W(chars), L"a+b+c");
    // A replacement containing the searched text replaces each occurrence once.
    CString grow(L"a.b.");
    grow.Replace(L".", L"..");
    EXPECT_EQ(W(grow), L"a..b..");
    CString untouched(L"abc");
    untouched.Replace(L"", L"z");
    EXPECT_EQ(W(untouched), L"abc");
}

TEST(CorePaths, EveryByteStringSurvivesTheWideForm)
{
    using morvane::utf::PathFromBytes;
    using morvane::utf::PathToBytes;
    // Every string of one and two bytes (but NUL), and the three- and
    // four-byte ones that start a sequence or stand near one's limits.
    std::string bytes(1, '\0');
    for (int a = 1; a < 256; ++a) {
        bytes = std::string(1, static_cast<char>(a));
        ASSERT_EQ(PathToBytes(PathFromBytes(bytes)), bytes) << a;
        for (int b = 1; b < 256; ++b) {
            const std::string two = bytes + static_cast<char>(b);
            ASSERT_EQ(PathToBytes(PathFromBytes(two)), two) << a << " " << b;
        }
    }
    for (int lead : {0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5})
        for (int b = 0x70; b < 0xD0; ++b)
            for (int c : {0x2F, 0x80, 0xBF, 0xC0})
                for (int d : {-1, 0x80, 0xBF, 0x41}) {
                    std::string s{static_cast<char>(lead), static_cast<char>(b), static_cast<char>(c)};
                    if (d >= 0)
                        s.push_back(static_cast<char>(d));
                    ASSERT_EQ(PathToBytes(PathFromBytes(s)), s) << lead << " " << b << " " << c << " " << d;
                }
}

TEST(CorePaths, Utf8DecodesAsTextAndEverythingElseByteForByte)
{
    using morvane::utf::PathFromBytes;
    using morvane::utf::PathToBytes;
    EXPECT_EQ(PathFromBytes("/tmp/\xC3\x9C" "bung \xE2\x99\xAB \xF0\x9F\x8E\xB5"), L"/tmp/\u00DCbung \u266B \U0001F3B5");
    EXPECT_EQ(PathToBytes(L"\u00DCbung \u266B \U0001F3B5"), morvane::utf::ToUtf8(L"\u00DCbung \u266B \U0001F3B5"));
    // Latin-1, an overlong "/", an encoded surrogate, a cut sequence: byte by
    // byte, the valid text around them as it is.
    EXPECT_EQ(PathFromBytes("caf\xE9.tonvik"), L"caf\xDCE9.tonvik");
    EXPECT_EQ(PathFromBytes("\xC0\xAF"), L"\xDCC0\xDCAF");
    EXPECT_EQ(PathFromBytes("\xED\xB2\x80"), L"\xDCED\xDCB2\xDC80");
    EXPECT_EQ(PathFromBytes("a\xE2\x99\xC3\xA9"), L"a\xDCE2\xDC99\u00E9");
    EXPECT_EQ(PathFromBytes("\xF4\x90\x80\x80"), L"\xDCF4\xDC90\xDC80\xDC80");
    // Wide text that no byte string decodes to still reaches the system as something.
    EXPECT_EQ(PathToBytes(L"x\xD800y"), "x\xEF\xBF\xBDy");
}
