// Records and helpers that every module of the plug-in uses. Nothing here needs the IDE, so
// the install-file parser and its tests build and run without it.
#ifndef BRISKEN_SHARED_H
#define BRISKEN_SHARED_H

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
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

// An unticked addon that stays, and the staying addon whose requirement keeps it.
struct KeptAddon
{
    wxString name;
    wxString required_by;
};

// What confirming the dialog does to the project, decided before anything changes.
struct AddonChange
{
    Names added; // in the order they are applied: each before the addons it requires
    std::vector<KeptAddon> kept;
    AddonFiles removed;
};

// One source file named by an install file.
struct FileInfo
{
    wxString file; // the element's text, exactly as written
};

// Sets and maps keyed by wx strings. wx's own hash walks a string a character at a time, the
// standard library's several at once.
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

inline Names namesOf(const AddonFiles& oAddons)
{
    Names names;
    names.reserve(oAddons.size());
    for (const AddonFile& addon : oAddons)
        names.push_back(addon.name);
    return names;
}

// Depth first from `oStart`: `visit(addon, required_by)` handles an addon and returns the names
// it requires, looked up among `oAvailable` (the first entry of a name) and handled, each with
// all it requires, before the next. A work stack, so that a long chain cannot exhaust the IDE's
// stack; each name once, so that an addon ticked and required, required twice, or required in
// a circle ends the walk.
template <typename Visit>
void walkRequirements(const AddonFiles& oStart, const AddonFiles& oAvailable, Visit visit)
{
    // Names are looked at in place: the lists outlive the walk.
    using Name = std::wstring_view;
    const auto nameOf = [](const wxString& name) { return Name(name.wc_str(), name.length()); };
    std::vector<std::pair<const AddonFile*, const AddonFile*>> pending; // addon, required by
    for (auto it = oStart.rbegin(); it != oStart.rend(); ++it)
        pending.emplace_back(&*it, nullptr);
    std::unordered_map<Name, const AddonFile*> by_name; // built when a requirement is looked up
    std::unordered_set<Name> visited;
    const wxString nobody;
    while (!pending.empty())
    {
        const auto [addon, required_by] = pending.back();
        pending.pop_back();
        if (!visited.insert(nameOf(addon->name)).second)
            continue;
        // Pushed last first, so that the first requirement comes next. (wxArrayString's
        // reverse iterators misbehave on an empty array.)
        const auto& required = visit(*addon, required_by ? required_by->name : nobody);
        if (by_name.empty() && !required.IsEmpty())
            for (const AddonFile& available : oAvailable)
                by_name.emplace(nameOf(available.name), &available);
        for (size_t r = required.GetCount(); r > 0; --r)
            if (const auto found = by_name.find(nameOf(required[r - 1])); found != by_name.end())
                pending.emplace_back(found->second, addon);
    }
}

// The native path separator: a slash on Linux.
inline wxString pathSeparator() { return wxString(wxFileName::GetPathSeparator(wxPATH_NATIVE)); }

// The folder with one separator after it, so that joining it with a relative path gives
// exactly one separator between them.
inline wxString withSeparator(wxString sDir)
{
    while (sDir.length() > 1 && sDir.EndsWith(pathSeparator()))
        sDir.RemoveLast();
    return sDir.EndsWith(pathSeparator()) ? sDir : sDir + pathSeparator();
}

// The file that makes a directory an addon.
inline wxString installFileName() { return _T("install.xml"); }

// The install file's path as the parser opens it: by the locale's conversion, else (a non-ASCII
// folder under the C locale) by the file-name encoding that listed it, else empty (unreadable).
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

// Where log lines go. The plug-in binds the IDE's application log when the IDE creates it;
// until something is bound, lines go nowhere.
using LogSink = void (*)(const wxString& sLine);

inline LogSink& boundLogSink()
{
    static LogSink sink = nullptr;
    return sink;
}

inline void bindLog(LogSink sink) { boundLogSink() = sink; }

// Writes one line, with no prefix.
inline void logLine(const wxString& sLine)
{
    if (const LogSink sink = boundLogSink())
        sink(sLine);
}

#endif // BRISKEN_SHARED_H
