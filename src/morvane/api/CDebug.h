#pragma once
#include <cstdarg>
#include <functional>
#include <string>
#include "morvane/api/MorvaneApi.h"

namespace morvane {

enum TDebugMessageType {
    DEBUG_MESSAGE_DEBUGGER = 0,
    DEBUG_MESSAGE_BOX = 1,
    DEBUG_MESSAGE_STDOUT = 2,
    DEBUG_MESSAGE_STDERR = 3,
};

// Diagnostics of the framework. "Debugger output" is one line per message: it
// goes to every installed sink, and to stderr when MORVANE_DEBUG is set.
// Message boxes go to the handler a GUI installs; without one, to stderr.
class MORVANE_API CDebug {
public:
    using TSink = std::function<void(const std::wstring& line)>;
    using TMessageBoxHandler = std::function<void(const std::wstring& title, const std::wstring& text)>;

    // printf-style with wide format strings (%ls for wide text, %d, %X ...).
    static void PrintMessage(TDebugMessageType type, const wchar_t* format, ...);
    static void PrintMessageV(TDebugMessageType type, const wchar_t* format, va_list args);
    // Stops only when a debugger is attached.
    static void Break();

    // Returns an id for RemoveSink. Sinks are called under a lock, in order.
    static int AddSink(TSink sink);
    static void RemoveSink(int id);
    // Returns the handler it replaces.
    static TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
};

// Formats like swprintf into a string of any length.
MORVANE_API std::wstring FormatV(const wchar_t* format, va_list args);
MORVANE_API std::wstring Format(const wchar_t* format, ...);

} // namespace morvane
