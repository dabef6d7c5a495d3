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
    explicit InstallParser(const std::string& sInstallFile);

    void setFile(const std::string& sInstallFile);
    std::string getOS() const;

    // Refills the four lists from the file; false when the file cannot be loaded or is
    // refused, and then every list is empty. Never throws.
    bool parse();

    std::vector<FileInfo> getProjectFiles() const;
    wxArrayString getRequiredAddons() const;
    wxArrayString getIncludeDirs() const;
    wxArrayString getLinkLibs() const;

private:
    std::string install_file;
    std::vector<FileInfo> project_files;
    wxArrayString required_addons;
    wxArrayString include_dirs;
    wxArrayString link_libs;
};

namespace install_file_limits
{
// Larger files are refused unread: a real install file is a few KiB.
constexpr std::size_t max_bytes = 32u * 1024u * 1024u;
// Deeper element nesting is refused before the XML library sees it, because that library
// parses nested elements recursively and a deep enough file overflows the IDE's stack.
constexpr std::size_t max_depth = 256;

// The deepest element nesting the XML library would reach while parsing `text` (a
// NUL-terminated buffer with at least three more NUL bytes behind the terminator), or
// a value above `max_depth` as soon as it passes that bound. O(n), no recursion.
std::size_t nestingDepth(const char* text);
} // namespace install_file_limits

#endif // BRISKEN_INSTALLPARSER_H
