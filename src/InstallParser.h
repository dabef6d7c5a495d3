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
    // Quiet, parse() writes nothing to the log: for reading requirements that the user did not
    // ask to apply.
    void setQuiet(bool bQuiet);
    std::string getOS() const;

    // Refills the four lists from the file; false when the file cannot be loaded or is
    // refused, and then every list is empty. Never throws.
    bool parse();

    std::vector<FileInfo> getProjectFiles() const;
    wxArrayString getRequiredAddons() const;
    wxArrayString getIncludeDirs() const;
    wxArrayString getLinkLibs() const;

private:
    void log(const wxString& sLine) const;

    std::string install_file;
    bool quiet = false;
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

// The library looks up every attribute among those already read on the same element, so
// an element with millions of attributes takes hours to read. No real element has more
// than three.
constexpr std::size_t max_attributes = 64;

// Every node and attribute costs the library about two hundred bytes: a file of the
// size bound made of empty elements takes it nearly 2 GB and seconds of work, and the IDE's
// log a line per folder. Real install files have a few hundred.
constexpr std::size_t max_nodes = 50000;

// What the XML library would build from `text` (a NUL-terminated buffer with at least
// three more NUL bytes behind the terminator): its deepest element nesting and the most
// attributes on one element, and how many nodes and attributes it would allocate in all.
// The walk stops as soon as one of them passes its bound above. O(n), no recursion.
struct Shape
{
    std::size_t depth = 0;
    std::size_t attributes = 0;
    std::size_t nodes = 0;

    bool withinBounds() const { return depth <= max_depth && attributes <= max_attributes && nodes <= max_nodes; }
};
Shape measure(const char* text);

// The bytes of a file as TiXmlDocument::LoadFile would hand them to the library: the text ends
// at the first NUL byte, CR LF and lone CR become LF. Four NUL bytes follow, because the
// library steps over a UTF-8 lead byte's whole sequence without looking for the terminator.
std::string libraryText(const char* sBytes, std::size_t nSize);
} // namespace install_file_limits

#endif // BRISKEN_INSTALLPARSER_H
