#include "morvane/api/CException.h"

#include <string.h>

#include "morvane/api/Utf.h"

namespace morvane {

TOwnedText MakeReason(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    auto text = std::make_shared<const std::wstring>(FormatV(format, args));
    va_end(args);
    return text;
}

TOwnedText MakeSystemReason(int error, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    char buffer[256];
    // The GNU strerror_r: gives its text, in buffer or a static string.
    const char* system = strerror_r(error, buffer, sizeof(buffer));
    text += L": ";
    text += utf::FromUtf8(system ? system : "");
    return std::make_shared<const std::wstring>(std::move(text));
}

CException::CException(const wchar_t* method, const wchar_t* file, int line, const wchar_t* reason)
    : CException(EXCEPTION_GENERIC, method, file, line, reason, nullptr)
{
}

CException::CException(const wchar_t* method, const wchar_t* file, int line, TOwnedText reason)
    : CException(EXCEPTION_GENERIC, method, file, line, reason ? reason->c_str() : L"", reason)
{
}

CException::CException(TExceptionType type, const wchar_t* method, const wchar_t* file, int line,
                       const wchar_t* reason, TOwnedText owned)
    : m_method(method), m_file(file), m_line(line), m_reason(reason), m_type(type), m_ownedReason(std::move(owned))
{
    Report();
}

void CException::Report() const
{
    PrintMessage(DEBUG_MESSAGE_DEBUGGER);
    if (m_type == EXCEPTION_BUG)
        PrintMessage(DEBUG_MESSAGE_BOX);
}

const wchar_t* CException::GetTypeName(TExceptionType type)
{
    static const wchar_t* const names[] = {
        L"CException",
        L"CClassNotFoundException",
        L"COutOfMemoryException",
        L"CFileAccessException",
        L"CDataFormatException",
        L"CInvalidStateException",
        L"CInvalidParameterException",
        L"CObjectNotFoundException",
        L"CDeviceFailedException",
        L"COperationNotSupportedException",
        L"CBugException",
        L"CIOException",
        L"CBadIndexException",
        L"CNullPtrException",
        L"CFailedException",
        L"CTimeoutException",
        L"CDataNotSupportedException",
    };
    int code = static_cast<int>(type);
    return code >= 0 && code < static_cast<int>(sizeof(names) / sizeof(names[0])) ? names[code] : nullptr;
}

CString CException::ToString() const
{
    const wchar_t* typeName = GetTypeName(m_type);
    // No fixed buffer: a long path in the reason is kept whole.
    std::wstring text = Format(L"Exception: type=%ls | method=%ls | file=%ls | line=%d | reason=%ls",
                               typeName ? typeName : L"", m_method ? m_method : L"", m_file ? m_file : L"", m_line,
                               m_reason ? m_reason : L"");
    return CString(text.c_str());
}

void CException::PrintMessage(TDebugMessageType type) const
{
    CString text = ToString();
    CDebug::PrintMessage(type, L"%ls", text.GetBuffer());
}

const char* CException::what() const noexcept
{
    try {
        if (!m_what)
            m_what = std::make_shared<std::string>(utf::ToUtf8(m_reason ? m_reason : L""));
        return m_what->c_str();
    } catch (...) {
        return "morvane::CException";
    }
}

} // namespace morvane
