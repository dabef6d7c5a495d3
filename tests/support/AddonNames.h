// Addons compared the way the plug-in compares them: by name, in order.
#ifndef ADDON_NAMES_H
#define ADDON_NAMES_H

#include <vector>

#include "Shared.h"

using Names = std::vector<wxString>;

inline Names namesOf(const AddonFiles& oAddons)
{
    Names names;
    for (const AddonFile& addon : oAddons)
        names.push_back(addon.name);
    return names;
}

#endif // ADDON_NAMES_H
