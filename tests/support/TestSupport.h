#pragma once
#include <mutex>
#include <string>
#include <vector>

namespace tonvik_test {

// Folder of the reference files copied into the test tree.
std::string DataPath(const std::string& relative);
// Folder of the built executables and plug-ins.
std::string BinPath(const std::string& relative);

// Collects the framework's diagnostic lines while it lives.
class CDiagnosticCapture {
public:
    CDiagnosticCapture();
    ~CDiagnosticCapture();
    CDiagnosticCapture(const CDiagnosticCapture&) = delete;
    CDiagnosticCapture& operator=(const CDiagnosticCapture&) = delete;

    std::vector<std::wstring> Lines() const;
    // How many captured lines contain text; Contains: at least one.
    int Count(const std::wstring& text) const;
    bool Contains(const std::wstring& text) const { return Count(text) > 0; }

private:
    int m_sink;
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_lines;
};

// Routes message boxes to a list instead of stderr while it lives.
class CMessageBoxCapture {
public:
    CMessageBoxCapture();
    ~CMessageBoxCapture();
    CMessageBoxCapture(const CMessageBoxCapture&) = delete;
    CMessageBoxCapture& operator=(const CMessageBoxCapture&) = delete;
    std::vector<std::wstring> Texts() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_texts;
};

} // namespace tonvik_test
