#include "morvane/api/CDebug.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <mutex>
#include <utility>
#include <vector>

#include "morvane/api/Utf.h"

namespace morvane {

namespace {

struct TDiagnostics {
    std::mutex mutex;
    std::vector<std::pair<int, CDebug::TSink>> sinks;
    int nextId = 1;
    CDebug::TMessageBoxHandler messageBox;
};

TDiagnostics& Diagnostics()
{
    // Never destroyed: exceptions raised while the library unloads still report.
    static auto* d = new TDiagnostics;
    return *d;
}

void WriteLine(std::FILE* f, const std::wstring& text)
{
    std::string line = utf::ToUtf8(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), f);
    std::fflush(f);
}

bool DebuggerAttached()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "TracerPid:") {
            int pid = 0;
            status >> pid;
            return pid != 0;
        }
    }
    return false;
}

} // namespace

std::wstring FormatV(const wchar_t* format, va_list args)
{
    if (!format)
        return std::wstring();
    std::wstring out(256, L'\0');
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(out.data(), out.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<std::size_t>(n) < out.size()) {
            out.resize(static_cast<std::size_t>(n));
            return out;
        }
        // vswprintf gives no length on overflow; a bad format gives -1 at any size.
        if (out.size() >= (1u << 20))
            return std::wstring(format);
        out.resize(out.size() * 4);
    }
}

std::wstring Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    return text;
}

void CDebug::PrintMessageV(TDebugMessageType type, const wchar_t* format, va_list args)
{
    std::wstring text = FormatV(format, args);
    TDiagnostics& d = Diagnostics();
    switch (type) {
    case DEBUG_MESSAGE_DEBUGGER: {
        std::lock_guard<std::mutex> guard(d.mutex);
        for (auto& sink : d.sinks)
            sink.second(text);
        if (std::getenv("MORVANE_DEBUG"))
            WriteLine(stderr, text);
        break;
    }
    case DEBUG_MESSAGE_BOX: {
        TMessageBoxHandler handler;
        {
            std::lock_guard<std::mutex> guard(d.mutex);
            handler = d.messageBox;
        }
        if (handler)
            handler(L"Morvane message", text);
        else
            WriteLine(stderr, L"Morvane message: " + text);
        break;
    }
    case DEBUG_MESSAGE_STDOUT:
        WriteLine(stdout, text);
        break;
    case DEBUG_MESSAGE_STDERR:
        WriteLine(stderr, text);
        break;
    default:
        break;
    }
}

void CDebug::PrintMessage(TDebugMessageType type, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    PrintMessageV(type, format, args);
    va_end(args);
}

void CDebug::Break()
{
    if (DebuggerAttached())
        std::raise(SIGTRAP);
}

int CDebug::AddSink(TSink sink)
{
    TDiagnostics& d = Diagnostics();
    std::lock_guard<std::mutex> guard(d.mutex);
    int id = d.nextId++;
    d.sinks.emplace_back(id, std::move(sink));
    return id;
}

void CDebug::RemoveSink(int id)
{
    TDiagnostics& d = Diagnostics();
    std::lock_guard<std::mutex> guard(d.mutex);
    std::erase_if(d.sinks, [id](const auto& s) { return s.first == id; });
}

CDebug::TMessageBoxHandler CDebug::SetMessageBoxHandler(TMessageBoxHandler handler)
{
    TDiagnostics& d = Diagnostics();
    std::lock_guard<std::mutex> guard(d.mutex);
    std::swap(d.messageBox, handler);
    return handler;
}

} // namespace morvane
