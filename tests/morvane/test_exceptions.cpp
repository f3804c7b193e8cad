#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "morvane/api/CDebug.h"
#include "morvane/api/CException.h"
#include "support/TestSupport.h"

using namespace morvane;
using tonvik_test::CDiagnosticCapture;

namespace {

template <class E>
void ExpectType(TExceptionType code, const wchar_t* name)
{
    E e(L"m", L"f", 1, L"r");
    const CException& base = e;
    EXPECT_EQ(base.GetType(), code);
    EXPECT_STREQ(CException::GetTypeName(code), name);
}

} // namespace

TEST(CoreExceptions, EachTypeHasItsCodeAndName)
{
    tonvik_test::CMessageBoxCapture boxes; // the bug exception shows one
    CException generic(L"m", L"f", 1, L"r");
    EXPECT_EQ(generic.GetType(), EXCEPTION_GENERIC);
    EXPECT_STREQ(CException::GetTypeName(EXCEPTION_GENERIC), L"CException");
    ExpectType<CClassNotFoundException>(EXCEPTION_CLASS_NOT_FOUND, L"CClassNotFoundException");
    ExpectType<COutOfMemoryException>(EXCEPTION_OUT_OF_MEMORY, L"COutOfMemoryException");
    ExpectType<CFileAccessException>(EXCEPTION_FILE_ACCESS, L"CFileAccessException");
    ExpectType<CDataFormatException>(EXCEPTION_DATA_FORMAT, L"CDataFormatException");
    ExpectType<CInvalidStateException>(EXCEPTION_INVALID_STATE, L"CInvalidStateException");
    ExpectType<CInvalidParameterException>(EXCEPTION_INVALID_PARAMETER, L"CInvalidParameterException");
    ExpectType<CObjectNotFoundException>(EXCEPTION_OBJECT_NOT_FOUND, L"CObjectNotFoundException");
    ExpectType<CDeviceFailedException>(EXCEPTION_DEVICE_FAILED, L"CDeviceFailedException");
    ExpectType<COperationNotSupportedException>(EXCEPTION_OPERATION_NOT_SUPPORTED,
                                                L"COperationNotSupportedException");
    ExpectType<CBugException>(EXCEPTION_BUG, L"CBugException");
    ExpectType<CIOException>(EXCEPTION_IO, L"CIOException");
    ExpectType<CBadIndexException>(EXCEPTION_BAD_INDEX, L"CBadIndexException");
    ExpectType<CNullPtrException>(EXCEPTION_NULL_PTR, L"CNullPtrException");
    ExpectType<CFailedException>(EXCEPTION_FAILED, L"CFailedException");
    ExpectType<CTimeoutException>(EXCEPTION_TIMEOUT, L"CTimeoutException");
    ExpectType<CDataNotSupportedException>(EXCEPTION_DATA_NOT_SUPPORTED, L"CDataNotSupportedException");
    EXPECT_EQ(CException::GetTypeName(static_cast<TExceptionType>(17)), nullptr);
    EXPECT_EQ(CException::GetTypeName(static_cast<TExceptionType>(-1)), nullptr);
}

TEST(CoreExceptions, ConstructionWritesOneDiagnosticLine)
{
    CDiagnosticCapture capture;
    CIOException e(L"morvane::CFile::Read", L"src/CFile.cpp", 42, L"Read failed");
    const std::wstring line =
        L"Exception: type=CIOException | method=morvane::CFile::Read | file=src/CFile.cpp | line=42 | reason=Read failed";
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(capture.Lines()[0], line);
    EXPECT_EQ(std::wstring(e.ToString().GetBuffer()), line);
    EXPECT_STREQ(e.what(), "Read failed");

    // The thrown copy keeps the fields; MRV_THROW records this file and line.
    try {
        MRV_THROW(CFailedException, L"a::B::C", L"why");
    } catch (const CException& caught) {
        EXPECT_STREQ(caught.GetMethod(), L"a::B::C");
        EXPECT_STREQ(caught.GetReason(), L"why");
        EXPECT_NE(std::wstring(caught.GetFile()).find(L"test_exceptions.cpp"), std::wstring::npos);
        EXPECT_GT(caught.GetLine(), 0);
    }
}

TEST(CoreExceptions, BugExceptionsAlsoReachTheMessageBox)
{
    std::vector<std::pair<std::wstring, std::wstring>> boxes;
    auto previous = CDebug::SetMessageBoxHandler(
        [&boxes](const std::wstring& title, const std::wstring& text) { boxes.emplace_back(title, text); });
    CFailedException notABug(L"m", L"f", 1, L"plain");
    EXPECT_TRUE(boxes.empty());
    CBugException bug(L"m", L"f", 2, L"Not closed");
    MRV_REPORT_BUG(L"x::Y::~Y", L"Still locked");
    CDebug::SetMessageBoxHandler(previous);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].first, L"Morvane message");
    EXPECT_EQ(boxes[0].second, L"Exception: type=CBugException | method=m | file=f | line=2 | reason=Not closed");
    EXPECT_NE(boxes[1].second.find(L"method=x::Y::~Y"), std::wstring::npos);
    EXPECT_NE(boxes[1].second.find(L"reason=Still locked"), std::wstring::npos);
}

TEST(CoreExceptions, FormattedReasonStaysValidWhileTwoThreadsThrow)
{
    auto thrower = [](int who, int* failures) {
        for (int i = 0; i < 300; ++i) {
            const std::wstring expected = L"Cannot open 'file-" + std::to_wstring(who) + L"-" + std::to_wstring(i) + L"'";
            try {
                MRV_THROW(CIOException, L"t::Throw", MakeReason(L"Cannot open 'file-%d-%d'", who, i));
            } catch (const CException& e) {
                CException copy = e; // copies share the owned text
                if (expected != e.GetReason() || expected != copy.GetReason())
                    ++*failures;
            }
        }
    };
    int failures[2] = {0, 0};
    std::thread a(thrower, 1, &failures[0]);
    std::thread b(thrower, 2, &failures[1]);
    a.join();
    b.join();
    EXPECT_EQ(failures[0], 0);
    EXPECT_EQ(failures[1], 0);
}
