// The modal dialog in which the user picks the Brisken location and ticks addons.
#ifndef ADDON_DIALOG_H
#define ADDON_DIALOG_H

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <unordered_map>

#include "Shared.h"

class AddonDialog : public wxDialog
{
public:
    AddonDialog(wxWindow* pParent, wxWindowID nID, const wxString& sTitle);
    ~AddonDialog() override;

    void onBKDirButtonClick(wxCommandEvent& event);
    void onOkButtonClick(wxCommandEvent& event);
    void onCancelButtonClick(wxCommandEvent& event);

    // Brisken location.
    void showBKDirDialog();
    void setBKDir(wxString sDir);

    // Addons found under the location.
    AddonFiles findAddons(const wxString& inDir);
    wxString getAddonInstallFile(const wxString& sForAddon) const;
    AddonFiles getFoundAddons() const;

    // Selection sets.
    AddonFiles getSelectedAddons() const;
    AddonFiles getAddonsUsedInCurrentProject() const;
    AddonFiles getPreviouslySelectedAddons() const;
    AddonFiles getNewSelectedAddons() const;
    AddonFiles getDeselectedAddons() const;

private:
    // Appends the addons of `inDir` to `addons` and to the name index.
    void appendAddonsIn(const wxString& inDir);

    wxTextCtrl* bk_dir_txt = nullptr;
    wxButton* bk_dir_btn = nullptr;
    wxButton* bk_ok_btn = nullptr;
    wxButton* bk_cancel_btn = nullptr;
    wxStaticBox* bk_dir_box = nullptr;
    wxStaticBox* bk_addon_box = nullptr;
    wxCheckListBox* bk_addons_list = nullptr;
    wxString bk_dir;
    AddonFiles addons;
    // Name -> position of its first entry in `addons`: built when first asked, emptied
    // whenever `addons` changes.
    mutable std::unordered_map<wxString, std::size_t, wxStringHash, wxStringEqual> addon_index;
    AddonFiles prev_selected_addons;
};

#endif // ADDON_DIALOG_H
