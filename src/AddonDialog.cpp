#include "AddonDialog.h"

#include <wx/arrstr.h>
#include <wx/dirdlg.h>
#include <wx/msgdlg.h>

#include <gtk/gtk.h>

#include <configmanager.h>
#include <manager.h>
#include <cbproject.h>
#include <projectfile.h>
#include <projectmanager.h>

#include "DiskReader.h"
#include "ProjectAnalyzer.h"

namespace
{
const wxWindowID bk_dir_btn_id = 2048;
const wxWindowID bk_ok_btn_id = 2049;
const wxWindowID bk_cancel_btn_id = 2050;

const wxString cfg_namespace = _T("brisken");
const wxString cfg_key = _T("bk_dir");
const wxString no_location_text = _T("You need to select the Brisken directory.");
const wxString wrong_location_text =
    _T("Incorrect Brisken location.\n")
    _T("Please select the 'base' directory where you unpakked Brisken.\n")
    _T("This directory contains the addons, libs, apps, etc. directories.");

// A Brisken base directory holds the subdirectories addons, apps and libs, spelled exactly so.
const std::vector<wxString> base_subfolders{_T("addons"), _T("apps"), _T("libs")};

cbProject* activeProject()
{
    ProjectManager* project_mng = Manager::Get()->GetProjectManager();
    return project_mng ? project_mng->GetActiveProject() : nullptr;
}

// Where the folder picker opens when no location is stored: the nearest folder above the active project that is a
// Brisken base, else the project's folder, else the user's home.
wxString pickerStartFolder()
{
    const cbProject* project = activeProject();
    const wxString project_dir = project ? wxFileName(project->GetFilename()).GetPath() : wxString();
    if (!holdsSubfolders(project_dir, {}))
        return wxGetHomeDir();
    for (wxFileName probe = wxFileName::DirName(project_dir);; probe.RemoveLastDir())
    {
        if (holdsSubfolders(probe.GetPath(), base_subfolders))
            return probe.GetPath();
        if (probe.GetDirCount() == 0)
            break;
    }
    return project_dir;
}

} // namespace

AddonDialog::AddonDialog(wxWindow* pParent, wxWindowID nID, const wxString& sTitle)
    : wxDialog(pParent, nID, sTitle), installs(activeProject() ? activeProject()->GetBasePath() : wxString())
{
    SetSize(420, 500);

    wxString saved_path;
    if (ConfigManager* cfg = Manager::Get()->GetConfigManager(cfg_namespace))
        saved_path = cfg->Read(cfg_key, no_location_text);

    // The dialog owns its controls as children; the destructor deletes them.
    bk_dir_box = new wxStaticBox(this, wxNewId(), _T("Brisken location"), wxPoint(10, 10), wxSize(385, 60), 0);
    bk_dir_txt = new wxTextCtrl(this, wxNewId(), saved_path, wxPoint(20, 35), wxSize(330, 20), 0);
    bk_dir_txt->SetEditable(false);
    // Exact fit: the toolkit's default padding is wider than the button and hides its label.
    bk_dir_btn = new wxButton(this, bk_dir_btn_id, _T("..."), wxPoint(355, 35), wxSize(25, 20), wxBU_EXACTFIT);
    bk_dir_btn->SetToolTip(_T("Select the Brisken directory"));
    Connect(bk_dir_btn_id, wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(AddonDialog::onBKDirButtonClick), nullptr, this);
    // What OK would do, on the strip between the list and the lower edge of its box; a text too long for the line ends
    // with an ellipsis and its tooltip holds it whole. Made before the box: GTK looks for the control under the
    // pointer, to show its tooltip, among the dialog's controls in the order they were made, and the box would be found
    // first.
    bk_change_lbl = new wxStaticText(this, wxID_ANY, wxString(), wxPoint(20, 389), wxSize(360, 18),
                                     wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    bk_addon_box = new wxStaticBox(this, wxNewId(), _T("Select addons for your project"),
                                   wxPoint(10, 80), wxSize(385, 330), 0);
    bk_addons_list = new wxCheckListBox(this, wxNewId(), wxPoint(20, 105), wxSize(360, 280), 0, nullptr, 0);
    bk_addons_list->Connect(wxEVT_MOTION, wxMouseEventHandler(AddonDialog::onListMotion), nullptr, this);
    bk_addons_list->Connect(wxEVT_CHECKLISTBOX, wxCommandEventHandler(AddonDialog::onAddonToggled), nullptr, this);
    bk_addons_list->Connect(wxEVT_CHAR, wxKeyEventHandler(AddonDialog::onListChar), nullptr, this);
    bk_ok_btn = new wxButton(this, bk_ok_btn_id, _T("Add addons to project"), wxPoint(10, 420), wxDefaultSize, 0);
    Connect(bk_ok_btn_id, wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(AddonDialog::onOkButtonClick), nullptr, this);
    bk_cancel_btn = new wxButton(this, bk_cancel_btn_id, _T("Close"),
                                 wxPoint(GetSize().GetWidth() - 100, bk_ok_btn->GetPosition().y),
                                 wxDefaultSize, 0);
    Connect(bk_cancel_btn_id, wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(AddonDialog::onCancelButtonClick), nullptr, this);
    // Escape presses "Close".
    SetEscapeId(bk_cancel_btn_id);

    setBKDir(saved_path);
    prev_selected_addons = getSelectedAddons();
}

// The toolkit deletes the controls with the dialog, its children.
AddonDialog::~AddonDialog() = default;

void AddonDialog::onBKDirButtonClick(wxCommandEvent& /*event*/)
{
    logLine(_T("bkDirSelect clicked"));
    showBKDirDialog();
}

void AddonDialog::onOkButtonClick(wxCommandEvent& /*event*/)
{
    logLine(_T("OK clicked."));
    logLine(wxString::Format(_T("total %i"), static_cast<int>(bk_addons_list->GetCount())));
    EndModal(wxID_OK);
}

void AddonDialog::onCancelButtonClick(wxCommandEvent& /*event*/)
{
    EndModal(wxID_CLOSE);
}

void AddonDialog::onAddonToggled(wxCommandEvent& event)
{
    event.Skip();
    showChange();
}

void AddonDialog::onListChar(wxKeyEvent& event)
{
    // The toolkit's own search in GTK lists is off, and its pop-up would take Escape from the dialog: typing a name's
    // first letters moves the selection to it here, as list boxes do elsewhere. Space ticks; keys with Ctrl or Alt and
    // keys that are no character keep their use.
    const wxChar typed = event.GetUnicodeKey();
    if (typed == WXK_NONE || typed <= WXK_SPACE || typed == WXK_DELETE || event.HasModifiers())
    {
        typed_prefix.clear();
        event.Skip();
        return;
    }
    // Letters typed in quick succession spell one name; after a pause a new one starts.
    const bool goes_on = !typed_prefix.empty() && event.GetTimestamp() - typed_at < 1000;
    typed_prefix = (goes_on ? typed_prefix : wxString()) + typed;
    typed_at = event.GetTimestamp();
    // One letter, once or repeated, steps to the next name that starts with it.
    const bool stepping = typed_prefix.find_first_not_of(typed_prefix[0]) == wxString::npos;
    const wxString wanted = (stepping ? wxString(typed) : typed_prefix).Lower();
    const unsigned int count = bk_addons_list->GetCount();
    const int current = bk_addons_list->GetSelection();
    const unsigned int first = current == wxNOT_FOUND ? 0 : static_cast<unsigned int>(current) + (stepping ? 1 : 0);
    for (unsigned int k = 0; k < count; ++k)
    {
        const unsigned int j = (first + k) % count;
        if (!itemName(j).Lower().StartsWith(wanted))
            continue;
        bk_addons_list->SetSelection(static_cast<int>(j));
        // The keyboard's place in the list follows, so that Space ticks the addon found.
        GtkTreePath* path = gtk_tree_path_new_from_indices(static_cast<int>(j), -1);
        gtk_tree_view_set_cursor(bk_addons_list->m_treeview, path, nullptr, FALSE);
        gtk_tree_path_free(path);
        return;
    }
}

void AddonDialog::onListMotion(wxMouseEvent& event)
{
    event.Skip();
    const int item = bk_addons_list->HitTest(event.GetPosition());
    if (item == hovered_item)
        return;
    hovered_item = item;
    if (item == wxNOT_FOUND)
        bk_addons_list->UnsetToolTip();
    else
        bk_addons_list->SetToolTip(addonToolTip(bk_addons_list->GetString(item)));
}

wxString AddonDialog::addonToolTip(const wxString& sAddon) const
{
    const wxString install_file = getAddonInstallFile(sAddon);
    const InstallRef install = installs.read(AddonFile{sAddon, wxString(), install_file}, false);
    const wxArrayString& required = install->required_addons;
    return sAddon + (required.IsEmpty() ? _T(" requires nothing") : _T(" requires ") + joined(required))
           + _T("\n") + install_file;
}

void AddonDialog::showChange()
{
    // The project cannot change while the dialog is open: what it used when the list was filled is what it uses now.
    ChangePlan plan(false);
    if (activeProject())
        plan = planChange(selection(used_addons), addons, installs.quietly(), installs.quietly());
    plan.project_too_large = isTooLargeToAnalyze(activeProject());
    const wxString text = previewOf(plan);
    // As written: an '&' in a name is no mnemonic.
    bk_change_lbl->SetLabelText(text);
    bk_change_lbl->SetToolTip(text);
}

void AddonDialog::showBKDirDialog()
{
    ConfigManager* cfg = Manager::Get()->GetConfigManager(cfg_namespace);
    wxString saved_path;
    if (cfg)
        saved_path = cfg->Read(cfg_key, wxEmptyString);

    const wxString start = saved_path.empty() ? pickerStartFolder() : saved_path;
    wxDirDialog dir_dlg(this, _T("Select the Brisken directory"), start);
    if (dir_dlg.ShowModal() != wxID_OK)
        return;

    const wxString selected_path = dir_dlg.GetPath();
    if (!holdsSubfolders(selected_path, base_subfolders))
    {
        wxMessageDialog err(nullptr, wrong_location_text, _T("Error"), wxOK | wxICON_ERROR);
        err.ShowModal();
        // A refused directory is not remembered: the next dialog would open on it.
        return;
    }

    setBKDir(selected_path);
    if (cfg)
    {
        logLine(_T("Saving bkdir"));
        cfg->Write(cfg_key, selected_path, false);
    }
}

void AddonDialog::setBKDir(wxString sDir)
{
    bk_dir = sDir;
    addons.clear();
    linked_addons.clear();
    hovered_item = wxNOT_FOUND;
    bk_addons_list->UnsetToolTip();
    const wxString sep = pathSeparator();
    appendAddonsIn(bk_dir + sep + _T("addons") + sep);

    const Names names = namesOf(addons);
    const wxArrayString addons_array(names.size(), names.data());
    bk_addons_list->Clear();
    if (!addons_array.IsEmpty())
        bk_addons_list->InsertItems(addons_array, 0);

    // The names tick the list; the entries are kept for the addons that stay on OK.
    used_addons = addonsInUse();
    const Names used_names = namesOf(used_addons);
    const NameSet in_use(used_names.begin(), used_names.end());
    // The list's items are the names of `addons`, in that order.
    for (unsigned int j = 0; !in_use.empty() && j < addons.size(); ++j)
        if (in_use.count(addons[j].name))
            bk_addons_list->Check(j, true);

    // The field names the location that the list belongs to.
    bk_dir_txt->ChangeValue(bk_dir);
    showChange();
}

AddonFiles AddonDialog::addonsInUse() const
{
    cbProject* project = activeProject();
    AddonFiles used;
    NameSet names;
    const auto use = [&](const AddonFile& entry) {
        if (names.insert(entry.name).second)
            used.push_back(entry);
    };
    ProjectAnalyzer::walk(project, use);
    // The IDE stores the files of an addon reached through a link by the link's target, where no folder is named for
    // the addon: a file inside the target counts for it.
    NameMap<wxString> resolved;
    for (int i = 0; project && !linked_addons.empty() && i < project->GetFilesCount(); ++i)
        if (const ProjectFile* project_file = project->GetFile(i))
        {
            const wxString folder = project_file->file.GetPath();
            auto known = resolved.find(folder);
            if (known == resolved.end())
                known = resolved.emplace(folder, resolvedPath(folder) + pathSeparator()).first;
            for (const auto& linked : linked_addons)
                if (known->second.StartsWith(linked.second))
                    use(addons[linked.first]);
        }
    return used;
}

AddonFiles AddonDialog::findAddons(const wxString& inDir)
{
    appendAddonsIn(inDir);
    return addons;
}

void AddonDialog::appendAddonsIn(const wxString& inDir)
{
    logLine(_T("Finding addons in"));
    logLine(inDir);

    DiskReader reader;
    const wxString sep = pathSeparator();
    const std::vector<DiskReader::Subfolder> subfolders = reader.subfolders(inDir);
    // Growing a vector of wx strings copies them all.
    addons.reserve(addons.size() + subfolders.size());
    for (const DiskReader::Subfolder& subfolder : subfolders)
    {
        // Joined as given: a folder without a trailing separator names other folders.
        const wxString addon_dir_name = inDir + subfolder.name;
        if (!reader.folder(addon_dir_name + sep).install_file)
            continue;
        addons.push_back(AddonFile{subfolder.name, addon_dir_name, addon_dir_name + sep + installFileName()});
        if (subfolder.linked)
            linked_addons.emplace_back(addons.size() - 1, resolvedPath(addon_dir_name) + sep);
    }
    addon_index.clear(); // rebuilt when next asked
}

wxString AddonDialog::itemName(unsigned int nItem) const
{
    // Only setBKDir fills the list, with the names of `addons` in order; reading them there spares asking the toolkit
    // for each item's text.
    return bk_addons_list->GetCount() == addons.size() ? addons[nItem].name : bk_addons_list->GetString(nItem);
}

wxString AddonDialog::getAddonInstallFile(const wxString& sForAddon) const
{
    if (addon_index.empty() && !addons.empty())
    {
        addon_index.reserve(addons.size());
        // emplace keeps the first position of a name that occurs twice.
        for (std::size_t i = 0; i < addons.size(); ++i)
            addon_index.emplace(addons[i].name, i);
    }
    const auto found = addon_index.find(sForAddon);
    return found == addon_index.end() ? wxString() : addons[found->second].install_file;
}

AddonFiles AddonDialog::getFoundAddons() const
{
    return addons;
}

AddonFiles AddonDialog::getSelectedAddons() const
{
    AddonFiles sel_addons;
    for (unsigned int j = 0; j < bk_addons_list->GetCount(); ++j)
        if (bk_addons_list->IsChecked(j))
            sel_addons.push_back(AddonFile{itemName(j), wxString(), getAddonInstallFile(itemName(j))});
    return sel_addons;
}

AddonFiles AddonDialog::getPreviouslySelectedAddons() const
{
    return prev_selected_addons;
}

AddonFiles AddonDialog::getNewSelectedAddons() const
{
    // The ticks first, then the project's use: the order in which the questions are asked.
    const AddonFiles selected = getSelectedAddons();
    return selectionOf(selected, {}, {}, addonsInUse()).newly_ticked;
}

AddonFiles AddonDialog::getDeselectedAddons() const
{
    return selection(used_addons).unticked;
}

AddonFiles AddonDialog::getStayingAddons() const
{
    return selection(used_addons).staying;
}

Selection AddonDialog::selection(const AddonFiles& oUsed) const
{
    // The list shows the names of `addons`.
    return selectionOf(getSelectedAddons(), addons, prev_selected_addons, oUsed);
}
