// Everything the plug-in reads from the disk: folder listings for discovery and analysis, the
// questions about a chosen location, and install files for the parser. No other module asks
// the file system anything. Needs only wxBase, so the parser and its tests stay free of the IDE.
#ifndef BRISKEN_DISKREADER_H
#define BRISKEN_DISKREADER_H

#include <cstddef>
#include <string>
#include <vector>

#include "Shared.h"

// One folder as a single listing of it found it.
struct Folder
{
    bool listed = false; // false when it does not exist, is no folder or is unreadable
    bool absent = false; // a listing above it showed that it does not exist
    // It holds a file named exactly "install.xml", case included: an entry of that name that is
    // not a folder once links are followed, as wxDir's own match takes it.
    bool install_file = false;
    wxString path; // as it was read, ending with a separator
    NameSet subfolders; // links to folders and hidden ones too

    bool holdsFolder(const wxString& sName) const { return subfolders.count(sName) > 0; }
    // Its path as wxDir names it: without trailing separators, keeping a lone one.
    wxString name() const;
};

// Reads each folder at most once and keeps what it read. One reader serves one discovery or
// one analysis: the disk is taken not to change meanwhile, and may change between them.
class DiskReader
{
public:
    DiskReader() { absent_folder.absent = true; }

    // The subfolders of `sDir` as wxDir lists them with wxDIR_DIRS: no hidden entries, links
    // followed, in the listing's order. Empty when it cannot be listed.
    struct Subfolder
    {
        wxString name;
        bool linked; // the entry is a link to a folder
    };
    std::vector<Subfolder> subfolders(const wxString& sDir);

    // The folder `sDir` (ending with a separator).
    const Folder& folder(const wxString& sDir);
    // The folder `sName` inside `oParent`: its path, the name and a separator. A listed parent
    // without a folder of a plain name (not empty, "." or ".."), or an absent one, answers
    // without the disk: no such folder is there, since every step of a path must be one.
    const Folder& folder(const Folder& oParent, const wxString& sName);

private:
    NameMap<Folder> folders;
    Folder absent_folder;
};

// The path with every link resolved, as the kernel resolves it; empty when it does not exist.
wxString resolvedPath(const wxString& sPath);

// Whether `sDir` is a folder that lists, holding a subfolder of each of these names, spelled
// exactly so.
bool holdsSubfolders(const wxString& sDir, const std::vector<wxString>& oNames);

// Whether `sPath` names a file (not a folder) once links are followed.
inline bool isFile(const wxString& sPath) { return !sPath.empty() && wxFileName::FileExists(sPath); }

// Reads a regular file of at most `nMaxBytes` into `sBytes`. Anything else (a FIFO, a device, a
// folder, a larger file, one that grows past the bound while read) is refused without
// blocking, so that a strange path can never hang the IDE.
bool readRegularFile(const std::string& sPath, std::size_t nMaxBytes, std::string& sBytes);

#endif // BRISKEN_DISKREADER_H
