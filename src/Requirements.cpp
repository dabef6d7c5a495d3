#include "Requirements.h"

#include <set>
#include <utility>

#include "InstallParser.h"

std::string installFilePath(const wxString& sPath)
{
    const wxCharBuffer by_locale = sPath.mb_str(wxConvLibc);
    if (by_locale.data() && (by_locale.length() > 0 || sPath.empty()))
        return std::string(by_locale.data(), by_locale.length());
    const wxCharBuffer by_file_name = sPath.fn_str();
    if (by_file_name.data() && by_file_name.length() > 0)
        return std::string(by_file_name.data(), by_file_name.length());
    return std::string();
}

wxArrayString requiredAddons(const wxString& sInstallFile)
{
    InstallParser parser(installFilePath(sInstallFile));
    parser.setQuiet(true);
    parser.parse();
    return parser.getRequiredAddons();
}

std::vector<KeptAddon> keptAddons(const AddonFiles& oStaying, const AddonFiles& oUnticked,
                                  const AddonFiles& oAvailable)
{
    std::vector<KeptAddon> kept;
    std::set<wxString> unticked;
    for (const AddonFile& addon : oUnticked)
        unticked.insert(addon.name);
    if (unticked.empty())
        return kept;

    // The same walk as adding: a work stack, each addon visited once, so chains of any length
    // and cycles end. Each entry carries the addon that required it (empty for a staying one).
    std::vector<std::pair<const AddonFile*, wxString>> pending;
    for (auto it = oStaying.rbegin(); it != oStaying.rend(); ++it)
        pending.emplace_back(&*it, wxString());
    std::set<wxString> visited;
    while (!pending.empty() && kept.size() < unticked.size())
    {
        const AddonFile& addon = *pending.back().first;
        const wxString required_by = pending.back().second;
        pending.pop_back();
        if (!visited.insert(addon.name).second)
            continue;
        if (!required_by.empty() && unticked.count(addon.name))
            kept.push_back(KeptAddon{addon.name, required_by});
        const wxArrayString required = requiredAddons(addon.install_file);
        for (size_t r = required.GetCount(); r > 0; --r)
            for (const AddonFile& candidate : oAvailable)
                if (candidate.name == required[r - 1])
                {
                    pending.emplace_back(&candidate, addon.name);
                    break;
                }
    }
    return kept;
}
