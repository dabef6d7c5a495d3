// Records and helpers that every module of the plug-in uses. Nothing here needs the IDE, so the install-file parser and
// its tests build and run without it.
#ifndef BRISKEN_SHARED_H
#define BRISKEN_SHARED_H

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <wx/arrstr.h>
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
using Names = std::vector<wxString>;

// One source file named by an install file.
struct FileInfo
{
    wxString file; // the element's text, exactly as written
};

// Sets and maps keyed by wx strings. wx's own hash walks a string a character at a time, the standard library's several
// at once.
struct WideHash
{
    std::size_t operator()(const wxString& s) const { return std::hash<std::wstring_view>()({s.wc_str(), s.length()}); }
};
using NameSet = std::unordered_set<wxString, WideHash>;
template <typename T> using NameMap = std::unordered_map<wxString, T, WideHash>;

// The items with `sSeparator` between them.
template <typename Strings> wxString joined(const Strings& oItems, const wxString& sSeparator = _T(", "))
{
    wxString text;
    bool first = true;
    for (const wxString& item : oItems)
    {
        text << (first ? wxString() : sSeparator) << item;
        first = false;
    }
    return text;
}

// The `name` of each record.
template <typename Records> Names namesOf(const Records& oRecords)
{
    Names names;
    names.reserve(oRecords.size());
    for (const auto& record : oRecords)
        names.push_back(record.name);
    return names;
}

// The native path separator: a slash on Linux.
inline wxString pathSeparator() { return wxString(wxFileName::GetPathSeparator(wxPATH_NATIVE)); }

// The folder with one separator after it, so that joining it with a relative path gives exactly one separator between
// them.
inline wxString withSeparator(wxString sDir)
{
    while (sDir.length() > 1 && sDir.EndsWith(pathSeparator()))
        sDir.RemoveLast();
    return sDir.EndsWith(pathSeparator()) ? sDir : sDir + pathSeparator();
}

// The file that makes a directory an addon.
inline wxString installFileName() { return _T("install.xml"); }

// The install file's path as the parser opens it: by the locale's conversion, else (a non-ASCII folder under the C
// locale) by the file-name encoding that listed it, else empty (unreadable).
inline std::string installFilePath(const wxString& sPath)
{
    const wxCharBuffer by_locale = sPath.mb_str(wxConvLibc);
    if (by_locale.data() && (by_locale.length() > 0 || sPath.empty()))
        return std::string(by_locale.data(), by_locale.length());
    const wxCharBuffer by_file_name = sPath.fn_str();
    if (by_file_name.data() && by_file_name.length() > 0)
        return std::string(by_file_name.data(), by_file_name.length());
    return std::string();
}

// Where log lines go. The plug-in binds the IDE's application log when the IDE creates it; until something is bound,
// lines go nowhere.
using LogSink = void (*)(const wxString& sLine);
inline LogSink bound_log_sink = nullptr;
inline void bindLog(LogSink sink) { bound_log_sink = sink; }

// Writes one line, with no prefix.
inline void logLine(const wxString& sLine)
{
    if (bound_log_sink)
        bound_log_sink(sLine);
}

#endif // BRISKEN_SHARED_H
