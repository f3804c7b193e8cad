#pragma once
#include <exception>
#include <memory>
#include <string>
#include "morvane/api/CDebug.h"
#include "morvane/api/CString.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

enum TExceptionType {
    EXCEPTION_GENERIC = 0,
    EXCEPTION_CLASS_NOT_FOUND = 1,
    EXCEPTION_OUT_OF_MEMORY = 2,
    EXCEPTION_FILE_ACCESS = 3,
    EXCEPTION_DATA_FORMAT = 4,
    EXCEPTION_INVALID_STATE = 5,
    EXCEPTION_INVALID_PARAMETER = 6,
    EXCEPTION_OBJECT_NOT_FOUND = 7,
    EXCEPTION_DEVICE_FAILED = 8,
    EXCEPTION_OPERATION_NOT_SUPPORTED = 9,
    EXCEPTION_BUG = 10,
    EXCEPTION_IO = 11,
    EXCEPTION_BAD_INDEX = 12,
    EXCEPTION_NULL_PTR = 13,
    EXCEPTION_FAILED = 14,
    EXCEPTION_TIMEOUT = 15,
    EXCEPTION_DATA_NOT_SUPPORTED = 16,
};

// A reason text made at run time (a path in it). The exception and all its
// copies share it, so it lives exactly as long as the exception is handled,
// whatever other threads throw meanwhile.
using TOwnedText = std::shared_ptr<const std::wstring>;
MORVANE_API TOwnedText MakeReason(const wchar_t* format, ...);
// The same followed by ": " and the system's text for the errno value error:
// MakeSystemReason(ENOENT, L"Cannot open '%ls' for reading", path) gives
// "Cannot open 'song.tonvik' for reading: No such file or directory".
MORVANE_API TOwnedText MakeSystemReason(int error, const wchar_t* format, ...);

// The one error type of the system. Texts are kept as pointers (callers pass
// literals) or, for formatted reasons, as a shared owned text. Constructing
// one writes "Exception: type=... | method=... | file=... | line=... | reason=..."
// to the debugger output; a bug exception also shows a message box.
class MORVANE_API CException : public std::exception {
public:
    CException(const wchar_t* method, const wchar_t* file, int line, const wchar_t* reason);
    CException(const wchar_t* method, const wchar_t* file, int line, TOwnedText reason);

    const wchar_t* GetMethod() const { return m_method; }
    const wchar_t* GetFile() const { return m_file; }
    int GetLine() const { return m_line; }
    const wchar_t* GetReason() const { return m_reason; }
    TExceptionType GetType() const { return m_type; }
    static const wchar_t* GetTypeName(TExceptionType type);

    CString ToString() const;
    void PrintMessage(TDebugMessageType type) const;
    const char* what() const noexcept override;

protected:
    CException(TExceptionType type, const wchar_t* method, const wchar_t* file, int line, const wchar_t* reason,
               TOwnedText owned);

private:
    void Report() const;

    const wchar_t* m_method;
    const wchar_t* m_file;
    int m_line;
    const wchar_t* m_reason;
    TExceptionType m_type;
    TOwnedText m_ownedReason;
    mutable std::shared_ptr<std::string> m_what;
};

#define MRV_DECLARE_EXCEPTION(Name, Code)                                                                   \
    class MORVANE_API Name : public CException {                                                            \
    public:                                                                                                  \
        Name(const wchar_t* method, const wchar_t* file, int line, const wchar_t* reason)                   \
            : CException(Code, method, file, line, reason, nullptr) {}                                       \
        Name(const wchar_t* method, const wchar_t* file, int line, TOwnedText reason)                       \
            : CException(Code, method, file, line, reason ? reason->c_str() : L"", reason) {}                \
    };

MRV_DECLARE_EXCEPTION(CClassNotFoundException, EXCEPTION_CLASS_NOT_FOUND)
MRV_DECLARE_EXCEPTION(COutOfMemoryException, EXCEPTION_OUT_OF_MEMORY)
MRV_DECLARE_EXCEPTION(CFileAccessException, EXCEPTION_FILE_ACCESS)
MRV_DECLARE_EXCEPTION(CDataFormatException, EXCEPTION_DATA_FORMAT)
MRV_DECLARE_EXCEPTION(CInvalidStateException, EXCEPTION_INVALID_STATE)
MRV_DECLARE_EXCEPTION(CInvalidParameterException, EXCEPTION_INVALID_PARAMETER)
MRV_DECLARE_EXCEPTION(CObjectNotFoundException, EXCEPTION_OBJECT_NOT_FOUND)
MRV_DECLARE_EXCEPTION(CDeviceFailedException, EXCEPTION_DEVICE_FAILED)
MRV_DECLARE_EXCEPTION(COperationNotSupportedException, EXCEPTION_OPERATION_NOT_SUPPORTED)
MRV_DECLARE_EXCEPTION(CBugException, EXCEPTION_BUG)
MRV_DECLARE_EXCEPTION(CIOException, EXCEPTION_IO)
MRV_DECLARE_EXCEPTION(CBadIndexException, EXCEPTION_BAD_INDEX)
MRV_DECLARE_EXCEPTION(CNullPtrException, EXCEPTION_NULL_PTR)
MRV_DECLARE_EXCEPTION(CFailedException, EXCEPTION_FAILED)
MRV_DECLARE_EXCEPTION(CTimeoutException, EXCEPTION_TIMEOUT)
MRV_DECLARE_EXCEPTION(CDataNotSupportedException, EXCEPTION_DATA_NOT_SUPPORTED)

#undef MRV_DECLARE_EXCEPTION

// Throws Type with the source position of the throw:
//   MRV_THROW(CIOException, L"morvane::CFileInputStream::Read", L"File is not open");
#define MRV_THROW(Type, method, reason) throw Type(method, MRV_WFILE, __LINE__, reason)

// Reports a programming error found where throwing is not allowed (destructors):
// the same diagnostics as a thrown CBugException, and execution goes on.
#define MRV_REPORT_BUG(method, reason) ((void)::morvane::CBugException(method, MRV_WFILE, __LINE__, reason))

} // namespace morvane
