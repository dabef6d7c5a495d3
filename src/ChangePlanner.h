// Decides what confirming the addon dialog does to the project, before anything changes, and says it: the selection
// sets, the walk over requirements, the plan with what cannot work, and the words of both the dialog's line of what OK
// will do and the report after OK, made from the same plan. Needs wxBase only: no IDE, no display.
#ifndef BRISKEN_CHANGEPLANNER_H
#define BRISKEN_CHANGEPLANNER_H

#include <functional>
#include <memory>
#include <vector>

#include <wx/arrstr.h>
#include <wx/string.h>

#include "Shared.h"

// The dialog's ticks against the project's use.
struct Selection
{
    AddonFiles newly_ticked; // ticked, not in use, in list order
    AddonFiles unticked;     // ticked when the dialog opened, listed now and not ticked
    AddonFiles staying;      // ticked, then those in use that were neither ticked nor unticked
};

// `oTicked` in list order, `oListed` the addons the list shows, `oSnapshot` the ticks when the dialog opened, `oUsed`
// the addons the project uses, one entry a name.
Selection selectionOf(const AddonFiles& oTicked, const AddonFiles& oListed, const AddonFiles& oSnapshot,
                      const AddonFiles& oUsed);

// What an addon's install file gives a plan.
struct AddonInstall
{
    bool readable = false; // false: it cannot be read or is refused, and lists nothing
    std::vector<FileInfo> files;
    wxArrayString include_dirs, link_libs, required_addons;
    Names absent_files; // listed files that are not on disk, each once, as listed
};
using InstallRef = std::shared_ptr<const AddonInstall>;
// An addon's install file, as a plan reads it.
using InstallSource = std::function<InstallRef(const AddonFile&)>;

// Reads install files for plans and keeps what it read: a quiet read gives what was read before, a read aloud (with the
// parser's lines) reads anew. Listed files are looked for on disk relative to the project's folder.
class InstallReader
{
public:
    explicit InstallReader(const wxString& sProjectFolder) : project_folder(withSeparator(sProjectFolder)) {}
    InstallRef read(const AddonFile& addon, bool bAloud);
    InstallSource quietly() { return [this](const AddonFile& addon) { return read(addon, false); }; }

private:
    const wxString project_folder;
    NameMap<InstallRef> known; // by install file
};

// An addon and the one whose requirement brings it up.
struct Requirement
{
    wxString name;
    wxString required_by;
};

struct PlannedAddon
{
    wxString name;
    InstallRef install;
};

// What OK does: adds the newly ticked addons with all they require, keeps an unticked addon that a staying addon still
// requires, removes the other unticked ones; and what cannot work.
struct ChangePlan
{
    explicit ChangePlan(bool bHasProject = true) : has_project(bHasProject) {}
    bool has_project;
    bool project_too_large = false; // the addons it uses were not looked for
    std::vector<PlannedAddon> added; // in the order applied: each before the addons it requires
    Names unreadable;                // ticked or required, and its install file cannot be read
    std::vector<Requirement> missing; // required, and the tree has no such addon
    std::vector<Requirement> kept;
    AddonFiles removed;
};

// Requirements are looked up by name among `oAvailable`; the install files of the addons to add are read through
// `forAdding`, those that only keep an addon through `forKeeping`.
ChangePlan planChange(const Selection& oSelection, const AddonFiles& oAvailable, const InstallSource& forAdding,
                      const InstallSource& forKeeping);

// What applying a plan did, as the project counts it.
struct Applied
{
    int files = 0, link_options = 0, include_dirs = 0, removed_files = 0;
    Names without_target; // added addons whose files the user gave no build target
};

wxString previewOf(const ChangePlan& plan); // the dialog's line of what OK will do
// The report's lines after OK; empty when there is nothing to say.
std::vector<wxString> reportOf(const ChangePlan& plan, const Applied& applied, const wxString& sProjectTitle);

#endif // BRISKEN_CHANGEPLANNER_H
