#include "ChangePlanner.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <wx/filefn.h>

#include "DiskReader.h"
#include "InstallParser.h"
#include "ProjectAnalyzer.h"

namespace
{
// Depth first from `oStart`: `visit(addon, required_by)` handles an addon and returns its install file, whose
// requirements are looked up among `oAvailable` (the first entry of a name) and handled, each with all it requires,
// before the next; `lacking(name, by)` hears of each one the tree does not have. A work stack, so that a long chain
// cannot exhaust the IDE's stack; each name once, so that an addon ticked and required, required twice, or required in
// a circle ends the walk.
template <typename Visit, typename Lacking>
void walkRequirements(const AddonFiles& oStart, const AddonFiles& oAvailable, Visit visit, Lacking lacking)
{
    // Names are held by reference, not copied: the lists outlive the walk.
    using Name = std::reference_wrapper<const wxString>;
    std::unordered_map<Name, const AddonFile*, WideHash, std::equal_to<wxString>> by_name; // built when first needed
    std::unordered_set<Name, WideHash, std::equal_to<wxString>> visited;
    std::vector<std::pair<const AddonFile*, const AddonFile*>> pending; // addon, required by
    for (auto it = oStart.rbegin(); it != oStart.rend(); ++it)
        pending.emplace_back(&*it, nullptr);
    const wxString nobody;
    while (!pending.empty())
    {
        const auto [addon, required_by] = pending.back();
        pending.pop_back();
        if (!visited.insert(std::cref(addon->name)).second)
            continue;
        const InstallRef install = visit(*addon, required_by ? required_by->name : nobody);
        if (by_name.empty() && !install->required_addons.IsEmpty())
            for (const AddonFile& available : oAvailable)
                by_name.emplace(std::cref(available.name), &available);
        const wxArrayString& required = install->required_addons;
        for (const wxString& name : required)
            if (!name.empty() && !by_name.count(std::cref(name))) // an empty requires element names nobody
                lacking(name, addon->name);
        // Last first, so that the first requirement comes next.
        for (std::size_t r = required.GetCount(); r > 0; --r)
            if (const auto known = by_name.find(std::cref(required[r - 1])); known != by_name.end())
                pending.emplace_back(known->second, addon);
    }
}

// Begins a sentence or a part of one, after its "T" or "t".
const wxString too_large_text = wxString::Format(
    _T("his project has more than %d files: the addons it uses are not ticked"), project_analyzer_limits::max_files);

wxString requirementsText(const std::vector<Requirement>& oItems)
{
    std::vector<wxString> items;
    for (const Requirement& item : oItems)
        items.push_back(item.name + _T(" (") + item.required_by + _T(" requires it)"));
    return joined(items);
}

// Three paths at most, then how many more there are.
wxString firstPaths(const Names& oPaths)
{
    const std::size_t shown = std::min<std::size_t>(oPaths.size(), 3);
    const wxString text = joined(Names(oPaths.begin(), oPaths.begin() + static_cast<long>(shown)));
    return shown == oPaths.size() ? text : text + wxString::Format(_T(" and %d more"), int(oPaths.size() - shown));
}
} // namespace

Selection selectionOf(const AddonFiles& oTicked, const AddonFiles& oListed, const AddonFiles& oSnapshot,
                      const AddonFiles& oUsed)
{
    Selection selection;
    NameSet used, seen;
    for (const AddonFile& addon : oUsed)
        used.insert(addon.name);
    for (const AddonFile& addon : oTicked)
    {
        seen.insert(addon.name);
        if (!used.count(addon.name))
            selection.newly_ticked.push_back(addon);
    }
    // Only an addon that is listed now and not ticked was unticked by the user. An addon of the opening snapshot that
    // another location does not list was never shown unticked, so its files stay in the project.
    if (!oSnapshot.empty())
    {
        NameSet listed;
        for (const AddonFile& addon : oListed)
            listed.insert(addon.name);
        for (const AddonFile& addon : oSnapshot)
            if (listed.count(addon.name) && !seen.count(addon.name))
                selection.unticked.push_back(addon);
    }
    // A used addon that the list shows is ticked or unticked; one it does not show stays.
    selection.staying = oTicked;
    for (const AddonFile& addon : selection.unticked)
        seen.insert(addon.name);
    for (const AddonFile& addon : oUsed)
        if (seen.insert(addon.name).second)
            selection.staying.push_back(addon);
    return selection;
}

InstallRef InstallReader::read(const AddonFile& addon, bool bAloud)
{
    if (!bAloud)
        if (const auto found = known.find(addon.install_file); found != known.end())
            return found->second;
    InstallParser parser(installFilePath(addon.install_file));
    parser.setQuiet(!bAloud);
    const auto install = std::make_shared<AddonInstall>();
    install->readable = parser.parse();
    install->files = parser.getProjectFiles();
    install->include_dirs = parser.getIncludeDirs();
    install->link_libs = parser.getLinkLibs();
    install->required_addons = parser.getRequiredAddons();
    // The IDE resolves a listed path against the project's folder; the build needs the file.
    NameSet looked_for;
    for (const FileInfo& listed : install->files)
        if (!listed.file.empty() && looked_for.insert(listed.file).second &&
            !isFile(wxIsAbsolutePath(listed.file) ? listed.file : project_folder + listed.file))
            install->absent_files.push_back(listed.file);
    return known[addon.install_file] = install;
}

ChangePlan planChange(const Selection& oSelection, const AddonFiles& oAvailable, const InstallSource& forAdding,
                      const InstallSource& forKeeping)
{
    ChangePlan plan;
    NameSet lacking;
    walkRequirements(
        oSelection.newly_ticked, oAvailable,
        [&](const AddonFile& addon, const wxString&) {
            InstallRef install = forAdding(addon);
            if (install->readable)
                plan.added.push_back(PlannedAddon{addon.name, install});
            else
                plan.unreadable.push_back(addon.name);
            return install;
        },
        [&](const wxString& name, const wxString& by) {
            if (lacking.insert(name).second)
                plan.missing.push_back(Requirement{name, by});
        });
    // Removing an addon that a staying addon requires, directly or through a chain, would leave the project unable to
    // link.
    NameSet unticked, kept;
    for (const AddonFile& addon : oSelection.unticked)
        unticked.insert(addon.name);
    if (!unticked.empty())
        walkRequirements(
            oSelection.staying, oAvailable,
            [&](const AddonFile& addon, const wxString& by) {
                if (!by.empty() && unticked.count(addon.name) && kept.insert(addon.name).second)
                    plan.kept.push_back(Requirement{addon.name, by});
                return forKeeping(addon);
            },
            [](const wxString&, const wxString&) {});
    for (const AddonFile& addon : oSelection.unticked)
        if (!kept.count(addon.name))
            plan.removed.push_back(addon);
    return plan;
}

wxString previewOf(const ChangePlan& plan)
{
    if (!plan.has_project)
        return _T("No active project: OK changes nothing");
    std::vector<wxString> absent, parts;
    for (const PlannedAddon& addon : plan.added)
        if (const int count = static_cast<int>(addon.install->absent_files.size()))
            absent.push_back(wxString::Format(count == 1 ? _T("%d file of ") : _T("%d files of "), count) + addon.name);
    // A part for each kind of thing, in the order of the report's lines.
    const std::pair<const wxChar*, wxString> said[] = {
        {_T("adds "), joined(namesOf(plan.added))},   {_T("missing "), requirementsText(plan.missing)},
        {_T("cannot add "), joined(plan.unreadable)}, {_T("not on disk: "), joined(absent)},
        {_T("keeps "), requirementsText(plan.kept)},  {_T("removes "), joined(namesOf(plan.removed))}};
    for (const auto& [what, items] : said)
        if (!items.empty())
            parts.push_back(what + items);
    const bool changes = !plan.added.empty() || !plan.kept.empty() || !plan.removed.empty();
    if (!changes && parts.empty() && plan.project_too_large)
        return _T("T") + too_large_text;
    if (!changes)
        parts.insert(parts.begin(), _T("changes nothing"));
    if (plan.project_too_large)
        parts.push_back(_T("t") + too_large_text);
    return _T("OK ") + joined(parts, _T("; "));
}

std::vector<wxString> reportOf(const ChangePlan& plan, const Applied& applied, const wxString& sProjectTitle)
{
    if (!plan.has_project)
        return {_T("No active project: nothing was changed.")};
    std::vector<wxString> lines;
    if (!plan.added.empty())
        lines.push_back(wxString::Format(_T("Added to %s: %s (%d files, %d link options, %d include directories)"),
                                         sProjectTitle, joined(namesOf(plan.added)), applied.files,
                                         applied.link_options, applied.include_dirs));
    for (const Requirement& missing : plan.missing)
        lines.push_back(_T("Missing ") + missing.name + _T(": ") + missing.required_by + _T(" requires it"));
    for (const wxString& name : plan.unreadable)
        lines.push_back(_T("Not added ") + name + _T(": its install file cannot be read"));
    const NameSet without_target(applied.without_target.begin(), applied.without_target.end());
    for (const PlannedAddon& addon : plan.added)
        if (!addon.install->absent_files.empty() && !without_target.count(addon.name))
            lines.push_back(_T("Not on disk in ") + addon.name + _T(": ") + firstPaths(addon.install->absent_files));
    for (const wxString& name : applied.without_target)
        lines.push_back(_T("No target for ") + name + _T(": its files were not added"));
    for (const Requirement& keep : plan.kept)
        lines.push_back(_T("Kept ") + keep.name + _T(": ") + keep.required_by + _T(" requires it"));
    if (!plan.removed.empty())
        lines.push_back(wxString::Format(_T("Removed from %s: %s (%d files)"), sProjectTitle,
                                         joined(namesOf(plan.removed)), applied.removed_files));
    if (plan.project_too_large)
        lines.push_back(_T("T") + too_large_text);
    return lines;
}
