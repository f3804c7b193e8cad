#include "support/TempFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "morvane/api/Utf.h"

namespace tonvik_test {

CTempFolder::CTempFolder()
{
    const std::string pattern = (std::filesystem::temp_directory_path() / "tonvik-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_folder = buffer.data();
}

CTempFolder::~CTempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::wstring CTempFolder::Wide(const std::wstring& name) const
{
    return morvane::utf::PathFromBytes(m_folder) + L"/" + name;
}

} // namespace tonvik_test
