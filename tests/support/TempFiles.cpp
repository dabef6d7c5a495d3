#include "TempFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <wx/filename.h>

namespace fixture
{
TempDir::TempDir()
{
    char tmpl[] = "/tmp/brisken-test-XXXXXX";
    if (const char* made = mkdtemp(tmpl))
        dir = wxString::FromUTF8(made);
}

TempDir::~TempDir()
{
    // Links are removed, never followed: tests point some outside the folder, or in a circle.
    std::error_code ignored;
    if (!dir.empty())
        std::filesystem::remove_all(utf8(dir), ignored);
}

wxString TempDir::write(const wxString& relative, const std::string& bytes) const
{
    const wxString file = *this / relative;
    writeFile(file, bytes);
    return file;
}

bool makeDir(const wxString& path) { return wxFileName::Mkdir(path, 0755, wxPATH_MKDIR_FULL); }

bool writeFile(const wxString& path, const std::string& bytes)
{
    if (!makeDir(wxFileName(path).GetPath()))
        return false;
    std::ofstream out(utf8(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

std::string readFile(const wxString& path)
{
    std::ifstream in(utf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> utf8(const std::vector<wxString>& texts)
{
    std::vector<std::string> out;
    for (const wxString& text : texts)
        out.push_back(utf8(text));
    return out;
}
} // namespace fixture
