// Which addons an addon requires, read without a word in the log, and which unticked addons
// must stay because an addon that stays requires them.
#ifndef BRISKEN_REQUIREMENTS_H
#define BRISKEN_REQUIREMENTS_H

#include <string>
#include <vector>

#include <wx/arrstr.h>

#include "Shared.h"

// The install file's path as the parser opens it. The locale's conversion comes first; where
// it cannot express the path (a non-ASCII folder under the C locale) the file-name encoding,
// which named the folder when it was listed, is used. Empty when neither can: the parser then
// treats the addon like one whose install file cannot be read.
std::string installFilePath(const wxString& sPath);

// The names that an install file requires, as written; empty when it cannot be read. Writes
// nothing to the log.
wxArrayString requiredAddons(const wxString& sInstallFile);

// An unticked addon that stays, and the staying addon whose requirement keeps it.
struct KeptAddon
{
    wxString name;
    wxString required_by;
};

// The addons of `oUnticked` that an addon of `oStaying` requires, directly or through a chain
// of requirements (resolved by name among `oAvailable`, as adding resolves them), in the order
// a depth-first walk from the staying addons meets them. Cycles end. Nothing is read when
// nothing is unticked.
std::vector<KeptAddon> keptAddons(const AddonFiles& oStaying, const AddonFiles& oUnticked,
                                  const AddonFiles& oAvailable);

#endif // BRISKEN_REQUIREMENTS_H
