// Reads one addon's install file ("install.xml") into the lists that adding and removing
// an addon need.
#ifndef BRISKEN_INSTALLPARSER_H
#define BRISKEN_INSTALLPARSER_H

#include <cstddef>
#include <string>
#include <vector>

#include <wx/arrstr.h>
#include <wx/string.h>

#include "Shared.h"

class InstallParser
{
public:
    explicit InstallParser(const std::string& sInstallFile) : install_file(sInstallFile) {}

    void setFile(const std::string& sInstallFile) { install_file = sInstallFile; }
    // Quiet, parse() writes nothing to the log: for reading requirements that the user did not
    // ask to apply.
    void setQuiet(bool bQuiet) { quiet = bQuiet; }
    std::string getOS() const { return "linux"; }

    // Refills the four lists from the file; false when the file cannot be loaded or is
    // refused, and then every list is empty. Never throws.
    bool parse();

    std::vector<FileInfo> getProjectFiles() const { return project_files; }
    wxArrayString getRequiredAddons() const { return required_addons; }
    wxArrayString getIncludeDirs() const { return include_dirs; }
    wxArrayString getLinkLibs() const { return link_libs; }

private:
    std::string install_file;
    bool quiet = false;
    std::vector<FileInfo> project_files;
    wxArrayString required_addons, include_dirs, link_libs;
};

namespace install_file_limits
{
// Larger files are refused unread: a real install file is a few KiB.
constexpr std::size_t max_bytes = 32u * 1024u * 1024u;

// Bounds that no way of writing the text can fool. Every element the XML library builds
// starts at a '<' byte, so the count of '<' bounds its element nesting, which it reads by
// recursion (about 230 bytes of stack a level: 16384 levels take 3.5 MiB), and the number of
// nodes (at most two per '<', plus one). Every attribute needs an '=' byte, and the library
// compares each attribute with all earlier ones on its element: 8192 take it a fifth of a
// second. An install file that lists 5000 source files uses about 10000 '<'.
constexpr std::size_t max_tag_opens = 16384;
constexpr std::size_t max_equals = 8192;

// True when `sText` stays within the bounds above.
bool withinBounds(const std::string& sText);

// The bytes of a file as TiXmlDocument::LoadFile would hand them to the library: the text ends
// at the first NUL byte, CR LF and lone CR become LF. Four NUL bytes follow, because the
// library steps over a UTF-8 lead byte's whole sequence without looking for the terminator.
std::string libraryText(const char* sBytes, std::size_t nSize);
} // namespace install_file_limits

#endif // BRISKEN_INSTALLPARSER_H
