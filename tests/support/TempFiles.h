// Folders and files that a test writes, removed afterwards. Needs wxBase only, not the IDE:
// the parser's tests use it as well as the tests that boot the IDE.
#ifndef TEMP_FILES_H
#define TEMP_FILES_H

#include <ostream>
#include <string>
#include <vector>

#include <wx/string.h>

// Readable wide strings in test failures.
inline void PrintTo(const wxString& text, std::ostream* os)
{
    *os << '"' << static_cast<const char*>(text.utf8_str()) << '"';
}

namespace fixture
{
// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const wxString& path() const { return dir; }
    // The path of `relative` inside the folder.
    wxString operator/(const wxString& relative) const { return dir + _T("/") + relative; }
    // Writes `bytes` to `relative` inside the folder and returns the file's path.
    wxString write(const wxString& relative, const std::string& bytes) const;

private:
    wxString dir;
};

bool makeDir(const wxString& path);
// Writes `bytes` to `path` as they are, creating its folders.
bool writeFile(const wxString& path, const std::string& bytes = std::string());
// The bytes of a file; empty when it cannot be read.
std::string readFile(const wxString& path);

inline std::string utf8(const wxString& text) { return std::string(text.utf8_str()); }
std::vector<std::string> utf8(const std::vector<wxString>& texts);
inline wxString wide(const std::string& text) { return wxString::FromUTF8(text.c_str()); }
template <typename Texts> std::vector<wxString> wide(const Texts& texts)
{
    std::vector<wxString> wides;
    for (const std::string& text : texts)
        wides.push_back(wide(text));
    return wides;
}
} // namespace fixture

#endif // TEMP_FILES_H
