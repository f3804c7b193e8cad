#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "morvane/api/CException.h"
#include "morvane/api/CString.h"

using morvane::CObjectNotFoundException;
using morvane::CString;

namespace {

std::wstring W(const CString& s) { return std::wstring(s.GetBuffer()); }

// Runs a search that must miss and returns the exception it threw.
template <class Search>
void ExpectNotFound(Search search, const wchar_t* method)
{
    try {
        search();
        ADD_FAILURE() << "no exception";
    } catch (const CObjectNotFoundException& e) {
        EXPECT_STREQ(e.GetReason(), L"Didn't find content");
        EXPECT_STREQ(e.GetMethod(), method);
    }
}

} // namespace

TEST(CoreStrings, NarrowTextWidensBySignExtensionAndNarrowsToTheLowByte)
{
    CString s("\xE9" "A");
    ASSERT_EQ(s.Length(), 2u);
    EXPECT_EQ(static_cast<unsigned>(s[0u]), 0xFFE9u);
    EXPECT_EQ(s[1u], L'A');
    char narrow[8];
    s.ToChar(narrow, sizeof narrow);
    EXPECT_STREQ(narrow, "\xE9" "A");
    // Comparison widens the narrow side the same way.
    EXPECT_EQ(s.CompareTo("\xE9" "A"), 0);
    EXPECT_TRUE(CString(L"\xFFE9") == "\xE9");
}

TEST(CoreStrings, DefaultStringIsEmptyAndNeverNull)
{
    CString s;
    ASSERT_NE(s.GetBuffer(), nullptr);
    EXPECT_EQ(s.Length(), 0u);
    CString moved(std::move(s));
    ASSERT_NE(s.GetBuffer(), nullptr);
    EXPECT_EQ(s.Length(), 0u);
    s.Allocate(5);
    EXPECT_EQ(s.Length(), 0u);
    wcscpy(s.GetBuffer(), L"12345");
    EXPECT_EQ(W(s), L"12345");
}

TEST(CoreStrings, IndexingClampsAndOutOfRangeWritesChangeNothing)
{
    CString s(L"abc");
    EXPECT_EQ(s[-1], L'c');
    EXPECT_EQ(s[-3], L'a');
    EXPECT_EQ(s[-4], 0);
    EXPECT_EQ(s[5], 0);
    EXPECT_EQ(s[5u], 0);
    const CString& c = s;
    EXPECT_EQ(c[5u], 0);
    EXPECT_EQ(c[-1], L'c');
    s[7] = L'x';
    s[-9] = L'y';
    s[7u] = L'z';
    EXPECT_EQ(W(s), L"abc");
    s[-1] = L'C';
    EXPECT_EQ(W(s), L"abC");
}

TEST(CoreStrings, SubStrAndRemoveClampTheirRange)
{
    CString hello(L"hello");
    EXPECT_EQ(W(hello.SubStr(-2, 10)), L"lo");
    EXPECT_EQ(W(hello.SubStr(1, -1)), L"ell");
    EXPECT_EQ(W(hello.SubStr(7, 2)), L"");
    EXPECT_EQ(W(hello.SubStr(-9, 2)), L"he");
    EXPECT_EQ(W(hello.SubStr(3, -4)), L"");
    EXPECT_EQ(W(hello.SubStr(0, 0)), L"");

    CString r(L"hello");
    r.Remove(1, 2);
    EXPECT_EQ(W(r), L"hlo");
    r.Remove(-1, 1);
    EXPECT_EQ(W(r), L"hl");
    r.Remove(5, 1);
    EXPECT_EQ(W(r), L"hl");
    r.Remove(0, -1);
    EXPECT_EQ(W(r), L"l");
}

TEST(CoreStrings, LongTextSurvivesEditsFarFromItsEnd)
{
    std::wstring text(70000, L'x');
    text[0] = L'a';
    text.back() = L'z';
    CString s(text.c_str());
    s.Remove(0, 1);
    EXPECT_EQ(s.Length(), 69999u);
    EXPECT_EQ(s[-1], L'z');
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
    EXPECT_EQ(CString(L"b").CompareTo("a"), 1);
    EXPECT_TRUE(ab < L"b");
    EXPECT_TRUE(ab <= "ab");
    EXPECT_TRUE(ab >= "ab");
    EXPECT_TRUE(ab > L"aa");
    EXPECT_TRUE(ab != L"AB");
    EXPECT_TRUE(ab == CString("ab"));
    // Code units compare unsigned: U+FFE9 sorts after ASCII.
    EXPECT_EQ(CString("\xE9").CompareTo(L"z"), 1);
}

TEST(CoreStrings, ConcatenationAndRemovalOperators)
{
    CString s(L"ab");
    CString t = s + "cd" + L"ab";
    EXPECT_EQ(W(t), L"abcdab");
    EXPECT_EQ(W(s), L"ab");
    EXPECT_EQ(W(t - "ab"), L"cd");
    t -= L"cd";
    EXPECT_EQ(W(t), L"abab");
    s += s.GetBuffer(); // appending its own text
    EXPECT_EQ(W(s), L"abab");
    CString abcab(L"abcab");
    abcab.Remove(L"ab");
    EXPECT_EQ(W(abcab), L"c");
    CString chars(L"a.b.c");
    chars.Remove(L'.');
    EXPECT_EQ(W(chars), L"abc");
}

TEST(CoreStrings, FindResultsAndMisses)
{
    CString s(L"abcabc");
    EXPECT_EQ(s.FindFirst(L'b'), 1u);
    EXPECT_EQ(s.FindLast(L'b'), 4u);
    EXPECT_EQ(s.FindFirst(L'\0'), 6u);
    EXPECT_EQ(s.FindLast(L'\0'), 6u);
    EXPECT_EQ(s.FindFirst(L"bc"), 1u);
    EXPECT_EQ(s.FindFirst("ca"), 2u);
    EXPECT_EQ(s.FindLast(L"bc"), 4u);
    EXPECT_EQ(s.FindLast("ab"), 3u);
    EXPECT_EQ(s.FindLast(L"abcabc"), 0u);

    // Searched text longer than the string: the wide forms and the narrow
    // FindLast answer 0xFFFFFFFF, the narrow FindFirst throws.
    CString a(L"a");
    EXPECT_EQ(a.FindFirst(L"zz"), 0xFFFFFFFFu);
    EXPECT_EQ(a.FindLast(L"zz"), 0xFFFFFFFFu);
    EXPECT_EQ(a.FindLast("zz"), 0xFFFFFFFFu);
    ExpectNotFound([&] { a.FindFirst("zz"); }, L"morvane::CString::FindFirst");

    CString abc(L"abc");
    ExpectNotFound([&] { abc.FindFirst(L'z'); }, L"morvane::CString::FindFirst");
    ExpectNotFound([&] { abc.FindLast(L'z'); }, L"morvane::CString::FindLast");
    ExpectNotFound([&] { abc.FindFirst(L"bd"); }, L"morvane::CString::FindFirst");
    ExpectNotFound([&] { abc.FindLast("bd"); }, L"morvane::CString::FindLast");
}

TEST(CoreStrings, TrimRemovesOnlyLineEndsAndSpaces)
{
    CString s(L"\r\n  x y \n");
    s.Trim();
    EXPECT_EQ(W(s), L"x y");
    CString tab(L"\tx");
    tab.Trim();
    EXPECT_EQ(W(tab), L"\tx");
    CString blank(L" \r\n ");
    blank.Trim();
    EXPECT_EQ(W(blank), L"");
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
    CString same(L"xx");
    same.Replace(L"x", L"x");
    EXPECT_EQ(W(same), L"xx");

    CString untouched(L"abc");
    untouched.Replace(L"", L"z");
    untouched.Replace(L"q", L"z");
    EXPECT_EQ(W(untouched), L"abc");
}

TEST(CoreStrings, CopiesIntoCallerBuffers)
{
    CString s(L"hello");
    wchar_t wide[4] = {L'#', L'#', L'#', L'#'};
    s.ToWideChar(wide, 4);
    EXPECT_STREQ(wide, L"hel");
    s.ToWideChar(wide, 0); // nothing written
    EXPECT_STREQ(wide, L"hel");
    char narrow[2] = {'#', '#'};
    s.ToChar(narrow, 1);
    EXPECT_EQ(narrow[0], '\0');
    EXPECT_EQ(narrow[1], '#');
    EXPECT_EQ(s.EnumerateTokens(L','), nullptr);
}

TEST(CoreStrings, AssignmentCopiesTheCharacters)
{
    CString a(L"one");
    CString b(a);
    b[0u] = L'O';
    EXPECT_EQ(W(a), L"one");
    a = b;
    EXPECT_EQ(W(a), L"One");
    const CString& alias = a;
    a = alias; // self assignment keeps the text
    EXPECT_EQ(W(a), L"One");
    a = a.GetBuffer() + 1; // assigning from its own buffer
    EXPECT_EQ(W(a), L"ne");
    a = "narrow";
    EXPECT_EQ(W(a), L"narrow");
}
