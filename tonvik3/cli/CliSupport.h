#pragma once
#include <stdexcept>
#include <string>
#include "core/module/IOvkModule.h"
#include "morvane/api/CException.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"

namespace ovk::cli {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitInvalidFile = 2;  // not a valid song or instrument

// A failure that ends the program with a status and a one-line message
// ("PATH: reason"); main prints it after "tonvik3-cli: ".
class CCliError : public std::runtime_error {
public:
    CCliError(int status, const std::string& message) : std::runtime_error(message), m_status(status) {}
    int Status() const { return m_status; }

private:
    int m_status;
};

// Runs step, which works on the file at path; a framework exception becomes a
// CCliError naming that file, with status 2 for a file that is not a valid
// song or instrument and 1 for anything else. A path in the reason prints as
// the bytes it was given in.
template <class Fn>
auto OnFile(const std::string& path, Fn step) -> decltype(step())
{
    try {
        return step();
    } catch (const morvane::CDataFormatException& e) {
        throw CCliError(kExitInvalidFile, path + ": " + morvane::utf::PathToBytes(e.GetReason()));
    } catch (const morvane::CException& e) {
        throw CCliError(kExitFailure, path + ": " + morvane::utf::PathToBytes(e.GetReason()));
    }
}

// A command-line path as the framework takes it: any bytes, UTF-8 or not,
// reach the system unchanged.
inline std::wstring WidePath(const std::string& path) { return morvane::utf::PathFromBytes(path); }

// True when the path names an instrument file (.tonviki, any case).
bool IsInstrumentPath(const std::string& path);

// A new song object from the class store.
morvane::CRef<IOvkModule> NewModule();
// A new song object holding the song file at path (errors as OnFile gives them).
morvane::CRef<IOvkModule> LoadModule(const std::string& path);

} // namespace ovk::cli
