#include "support/TestSupport.h"

#include <cstdlib>

#include "morvane/api/CDebug.h"

namespace tonvik_test {

namespace {

// Tests run without a display and without a sound card: Qt draws offscreen
// and SDL plays into its silent real-time driver, unless a test or the caller
// chose otherwise.
const bool g_environment = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();

} // namespace

std::string DataPath(const std::string& relative) { return std::string(TONVIK_TEST_DATA_DIR) + "/" + relative; }
std::string BinPath(const std::string& relative) { return std::string(TONVIK_BIN_DIR) + "/" + relative; }

CDiagnosticCapture::CDiagnosticCapture()
{
    m_sink = morvane::CDebug::AddSink([this](const std::wstring& line) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_lines.push_back(line);
    });
}

CDiagnosticCapture::~CDiagnosticCapture() { morvane::CDebug::RemoveSink(m_sink); }

std::vector<std::wstring> CDiagnosticCapture::Lines() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lines;
}

int CDiagnosticCapture::Count(const std::wstring& text) const
{
    int n = 0;
    for (const std::wstring& line : Lines())
        n += line.find(text) != std::wstring::npos;
    return n;
}

CMessageBoxCapture::CMessageBoxCapture()
{
    morvane::CDebug::SetMessageBoxHandler([this](const std::wstring&, const std::wstring& text) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_texts.push_back(text);
    });
}

CMessageBoxCapture::~CMessageBoxCapture() { morvane::CDebug::SetMessageBoxHandler(nullptr); }

std::vector<std::wstring> CMessageBoxCapture::Texts() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_texts;
}

} // namespace tonvik_test
