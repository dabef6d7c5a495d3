// Brisken trees and Code::Blocks projects built on disk for one test, removed afterwards.
#ifndef DISK_FIXTURE_H
#define DISK_FIXTURE_H

#include <string>
#include <vector>

#include <wx/string.h>

#include "../property/ConfirmModel.h"
#include "TempFiles.h"

class cbProject;

namespace fixture
{
// A Brisken base folder: addons, apps and libs, and one addon folder with an install file
// for each name.
void makeBriskenTree(const wxString& base, const std::vector<wxString>& addons);
// An addon folder with an install file that lists nothing.
void makeAddon(const wxString& addonsDir, const wxString& name);

// What an install file lists; written with writeInstall.
struct Install
{
    std::vector<wxString> files;
    std::vector<wxString> includes;
    std::vector<wxString> libs; // for this system and compiler
    std::vector<wxString> requires_addons;
};
// The install file of an addon, as the toolkit writes one.
std::string installXml(const model::Addon& addon);
// An addon folder `addonsDir/name` whose install file lists `install`.
void writeInstall(const wxString& addonsDir, const wxString& name, const Install& install);

// A project file as saved, in file order: its units, each by its file name and then " @target"
// for each build target it belongs to where it does not belong to all; the project-wide link
// options and include directories.
struct SavedProject
{
    std::vector<wxString> units, link_options, include_dirs;
};
SavedProject readProject(const wxString& cbpPath);

// Writes a project file `cbpPath` whose files are `units`, as stored (relative to the project
// folder), with `targets` build targets.
bool writeProject(const wxString& cbpPath, const std::vector<wxString>& units, int targets = 1);
// Writes the project, loads it through the IDE's project manager and makes it active.
cbProject* openProject(const wxString& cbpPath, const std::vector<wxString>& units, int targets = 1);
// The same, then with the project-wide link options and include directories of `start`.
cbProject* openProject(const wxString& cbpPath, const SavedProject& start, int targets = 1);
// Closes every project without saving.
void closeProjects();
} // namespace fixture

#endif // DISK_FIXTURE_H
