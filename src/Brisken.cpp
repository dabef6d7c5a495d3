#include "Brisken.h"

#include <globals.h>
#include <manager.h>
#include <projectmanager.h>

#include "AddonDialog.h"

namespace
{
PluginRegistrant<Brisken> reg(_T("Brisken"));

const wxString resource_archive = _T("Brisken.zip");
} // namespace

Brisken::Brisken()
{
    // A missing archive is reported, not fatal: the command works without it.
    if (!Manager::LoadResource(resource_archive))
        NotifyMissingFile(resource_archive);
}

Brisken::~Brisken() = default;

void Brisken::OnAttach()
{
}

void Brisken::OnRelease(bool /*appShutDown*/)
{
}

int Brisken::Execute()
{
    if (!IsAttached())
        return -1;

    logLine(_T("Brisken Addon"));
    ProjectManager* project_mng = Manager::Get()->GetProjectManager();

    const wxWindowID dlg_id = wxNewId();
    AddonDialog dlg(Manager::Get()->GetAppWindow(), dlg_id, _T("Brisken Addon Plugin"));
    PlaceWindow(&dlg, pdlBest, false);

    if (dlg.ShowModal() == wxID_OK)
    {
        // The dialog still exists: take every list before the project changes.
        const AddonFiles selected_addons = dlg.getNewSelectedAddons();
        const AddonFiles deselected_addons = dlg.getDeselectedAddons();
        const AddonFiles available_addons = dlg.getFoundAddons();
        addAddons(selected_addons, available_addons);
        removeAddons(deselected_addons);
        project_mng->GetUI().RebuildTree();
    }
    else
    {
        logLine(_T("No addons selected."));
    }
    return 0;
}

void Brisken::addAddons(AddonFiles /*oAddons*/, AddonFiles /*oAvailableAddons*/)
{
    // Adding needs the install-file parser; until it exists nothing is added.
}

void Brisken::removeAddons(AddonFiles /*oAddons*/)
{
    // Removing needs the install-file parser; until it exists nothing is removed.
}
