#pragma once
#include <string>

namespace tonvik_test {

// A new folder under the system's temporary folder, removed with what it
// holds when this ends.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    // The folder and the path of name inside it, in UTF-8 as the system takes them.
    const std::string& Get() const { return m_folder; }
    std::string Path(const std::string& name) const { return m_folder + "/" + name; }
    // The path of name inside the folder as the framework's wide text.
    std::wstring Wide(const std::wstring& name) const;

private:
    std::string m_folder;
};

} // namespace tonvik_test
