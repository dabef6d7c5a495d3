// The modal dialog in which the user picks the Brisken location and ticks addons.
#ifndef ADDON_DIALOG_H
#define ADDON_DIALOG_H

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <utility>
#include <vector>

#include "Shared.h"

class AddonDialog : public wxDialog
{
public:
    AddonDialog(wxWindow* pParent, wxWindowID nID, const wxString& sTitle);
    ~AddonDialog() override;

    void onBKDirButtonClick(wxCommandEvent& event);
    void onOkButtonClick(wxCommandEvent& event);
    void onCancelButtonClick(wxCommandEvent& event);
    void onListMotion(wxMouseEvent& event);

    void showBKDirDialog();
    void setBKDir(wxString sDir);

    AddonFiles findAddons(const wxString& inDir);
    wxString getAddonInstallFile(const wxString& sForAddon) const;
    AddonFiles getFoundAddons() const;

    AddonFiles getSelectedAddons() const;
    AddonFiles getPreviouslySelectedAddons() const;
    AddonFiles getNewSelectedAddons() const;
    AddonFiles getDeselectedAddons() const;
    // The addons that remain in the project on OK: the ticked ones and those the project uses
    // that were not unticked, each once.
    AddonFiles getStayingAddons() const;

    // What the list's tooltip says for an addon: what it requires, and its install file.
    wxString addonToolTip(const wxString& sAddon);

private:
    // Appends the addons of `inDir` to `addons` and to the name index.
    void appendAddonsIn(const wxString& inDir);
    // The addons the active project uses, the first entry of each name in the project's file
    // order, then listed addons reached through a link whose target holds a project file;
    // `names` gets their names.
    AddonFiles addonsInUse(NameSet& names) const;

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
    mutable NameMap<std::size_t> addon_index;
    // Listed addons that are links: position in `addons`, resolved folder and a separator.
    std::vector<std::pair<std::size_t, wxString>> linked_addons;
    AddonFiles prev_selected_addons;
    AddonFiles used_addons; // as the project's files name them when the list was filled
    NameMap<wxString> tool_tips; // read when the pointer first rests on an addon
    int hovered_item = wxNOT_FOUND;
};

#endif // ADDON_DIALOG_H
