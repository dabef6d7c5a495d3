#include "AddonDialog.h"

#include <utility>

#include <configmanager.h>
#include <manager.h>

namespace
{
const wxWindowID bk_dir_btn_id = 2048;
const wxWindowID bk_ok_btn_id = 2049;
const wxWindowID bk_cancel_btn_id = 2050;

const wxString cfg_namespace = _T("brisken");
const wxString cfg_key = _T("bk_dir");
const wxString no_location_text = _T("You need to select the Brisken directory.");

template <typename T> void deleteControl(T*& control)
{
    if (control)
    {
        delete control;
        control = nullptr;
    }
}
} // namespace

AddonDialog::AddonDialog(wxWindow* pParent, wxWindowID nID, const wxString& sTitle)
    : wxDialog(pParent, nID, sTitle)
{
    SetSize(420, 500);

    wxString saved_path;
    if (ConfigManager* cfg = Manager::Get()->GetConfigManager(cfg_namespace))
        saved_path = cfg->Read(cfg_key, no_location_text);

    // The dialog owns its controls as children; the destructor deletes them.
    bk_dir_box = new wxStaticBox(this, wxNewId(), _T("Brisken location"), wxPoint(10, 10),
                                 wxSize(385, 60), 0);
    bk_dir_txt = new wxTextCtrl(this, wxNewId(), saved_path, wxPoint(20, 35), wxSize(330, 20), 0);
    bk_dir_txt->SetEditable(false);
    bk_dir_btn = new wxButton(this, bk_dir_btn_id, _T("..."), wxPoint(355, 35), wxSize(25, 20), 0);
    Connect(bk_dir_btn_id, wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(AddonDialog::onBKDirButtonClick), nullptr, this);
    bk_addon_box = new wxStaticBox(this, wxNewId(), _T("Select addons for your project"),
                                   wxPoint(10, 80), wxSize(385, 330), 0);
    bk_addons_list = new wxCheckListBox(this, wxNewId(), wxPoint(20, 105), wxSize(360, 280), 0,
                                        nullptr, 0);
    bk_ok_btn = new wxButton(this, bk_ok_btn_id, _T("Add addons to project"), wxPoint(10, 420),
                             wxDefaultSize, 0);
    Connect(bk_ok_btn_id, wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(AddonDialog::onOkButtonClick), nullptr, this);
    bk_cancel_btn = new wxButton(this, bk_cancel_btn_id, _T("Close"),
                                 wxPoint(GetSize().GetWidth() - 100, bk_ok_btn->GetPosition().y),
                                 wxDefaultSize, 0);
    Connect(bk_cancel_btn_id, wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(AddonDialog::onCancelButtonClick), nullptr, this);

    setBKDir(saved_path);
    prev_selected_addons = getSelectedAddons();
}

AddonDialog::~AddonDialog()
{
    deleteControl(bk_dir_txt);
    deleteControl(bk_dir_btn);
    deleteControl(bk_ok_btn);
    deleteControl(bk_cancel_btn);
    deleteControl(bk_dir_box);
    deleteControl(bk_addon_box);
    deleteControl(bk_addons_list);
}

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

void AddonDialog::showBKDirDialog()
{
    // Picking another location arrives with addon discovery.
}

void AddonDialog::setBKDir(wxString sDir)
{
    bk_dir = std::move(sDir);
    addons.clear();
    bk_addons_list->Clear();
}

AddonFiles AddonDialog::findAddons(const wxString& /*inDir*/)
{
    return addons;
}

wxString AddonDialog::getAddonInstallFile(const wxString& sForAddon) const
{
    for (const AddonFile& addon : addons)
        if (addon.name == sForAddon)
            return addon.install_file;
    return wxString();
}

AddonFiles AddonDialog::getFoundAddons() const
{
    return addons;
}

AddonFiles AddonDialog::getSelectedAddons() const
{
    AddonFiles sel_addons;
    for (unsigned int j = 0; j < bk_addons_list->GetCount(); ++j)
    {
        if (!bk_addons_list->IsChecked(j))
            continue;
        const wxString name = bk_addons_list->GetString(j);
        sel_addons.push_back(AddonFile{name, wxString(), getAddonInstallFile(name)});
    }
    return sel_addons;
}

AddonFiles AddonDialog::getAddonsUsedInCurrentProject() const
{
    // Recognising the addons in use arrives with the project analyzer.
    return AddonFiles();
}

AddonFiles AddonDialog::getPreviouslySelectedAddons() const
{
    return prev_selected_addons;
}

AddonFiles AddonDialog::getNewSelectedAddons() const
{
    const AddonFiles selected_addons = getSelectedAddons();
    const AddonFiles used = getAddonsUsedInCurrentProject();
    AddonFiles new_selected;
    for (const AddonFile& selected : selected_addons)
    {
        bool is_new_addon = true;
        for (const AddonFile& in_use : used)
        {
            if (in_use.name == selected.name)
            {
                is_new_addon = false;
                break;
            }
        }
        if (is_new_addon)
            new_selected.push_back(selected);
    }
    return new_selected;
}

AddonFiles AddonDialog::getDeselectedAddons() const
{
    const AddonFiles new_selected = getSelectedAddons();
    AddonFiles deselected;
    for (const AddonFile& prev : getPreviouslySelectedAddons())
    {
        bool still_selected = false;
        for (const AddonFile& sel : new_selected)
        {
            if (prev.name == sel.name)
            {
                still_selected = true;
                break;
            }
        }
        if (!still_selected)
            deselected.push_back(prev);
    }
    return deselected;
}
