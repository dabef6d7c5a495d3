// Records and helpers that every module of the plug-in uses. Nothing here needs the IDE, so
// the install-file parser and its tests build and run without it.
#ifndef BRISKEN_SHARED_H
#define BRISKEN_SHARED_H

#include <vector>

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/string.h>

// One addon of a Brisken tree. Addons are identified by `name` alone.
struct AddonFile
{
    wxString name;         // the addon's directory name
    wxString addon_dir;    // the addon's directory (empty for records built from list items)
    wxString install_file; // addon_dir + separator + "install.xml"
};

using AddonFiles = std::vector<AddonFile>;

// One source file named by an install file.
struct FileInfo
{
    wxString file; // the element's text, exactly as written
};

// The native path separator: a slash on Linux.
inline wxString pathSeparator()
{
    return wxString(wxFileName::GetPathSeparator(wxPATH_NATIVE));
}

// The file that makes a directory an addon.
inline wxString installFileName()
{
    return _T("install.xml");
}

// True when the opened directory holds a file named exactly "install.xml" (case included).
inline bool holdsInstallFile(const wxDir& dir)
{
    return dir.IsOpened() && dir.HasFiles(installFileName());
}

// Where log lines go. The plug-in binds the IDE's application log when the IDE creates it;
// until something is bound, lines go nowhere.
using LogSink = void (*)(const wxString& sLine);

inline LogSink& boundLogSink()
{
    static LogSink sink = nullptr;
    return sink;
}

inline void bindLog(LogSink sink)
{
    boundLogSink() = sink;
}

// Writes one line, with no prefix.
inline void logLine(const wxString& sLine)
{
    if (const LogSink sink = boundLogSink())
        sink(sLine);
}

#endif // BRISKEN_SHARED_H
