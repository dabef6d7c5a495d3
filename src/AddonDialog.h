// The modal dialog in which the user picks the Brisken location and ticks addons.
#ifndef ADDON_DIALOG_H
#define ADDON_DIALOG_H

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <utility>
#include <vector>

#include "ChangePlanner.h"
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
    void onAddonToggled(wxCommandEvent& event);
    void onListChar(wxKeyEvent& event);

    void showBKDirDialog();
    void setBKDir(wxString sDir);

    AddonFiles findAddons(const wxString& inDir);
    wxString getAddonInstallFile(const wxString& sForAddon) const;
    AddonFiles getFoundAddons() const;

    AddonFiles getSelectedAddons() const;
    AddonFiles getPreviouslySelectedAddons() const;
    AddonFiles getNewSelectedAddons() const;
    AddonFiles getDeselectedAddons() const;
    // What remains in the project on OK: the ticked addons and those it uses that were not unticked, each once.
    AddonFiles getStayingAddons() const;

    // What the list's tooltip says for an addon: what it requires, and its install file.
    wxString addonToolTip(const wxString& sAddon) const;

private:
    wxString itemName(unsigned int nItem) const;
    Selection selection(const AddonFiles& oUsed) const; // the ticks against the project's use `oUsed`
    void showChange(); // writes below the list what OK would do now
    void appendAddonsIn(const wxString& inDir); // findAddons without the copy of the whole list
    // The addons the active project uses, the first entry of each name in the project's file order, then listed addons
    // reached through a link whose target holds a project file.
    AddonFiles addonsInUse() const;

    wxTextCtrl* bk_dir_txt = nullptr;
    wxButton* bk_dir_btn = nullptr;
    wxButton* bk_ok_btn = nullptr;
    wxButton* bk_cancel_btn = nullptr;
    wxStaticBox* bk_dir_box = nullptr;
    wxStaticBox* bk_addon_box = nullptr;
    wxCheckListBox* bk_addons_list = nullptr;
    wxStaticText* bk_change_lbl = nullptr;
    wxString bk_dir;
    AddonFiles addons;
    // Name -> position of its first entry in `addons`: built when first asked, emptied whenever `addons` changes.
    mutable NameMap<std::size_t> addon_index;
    // Listed addons that are links: position in `addons`, resolved folder and a separator.
    std::vector<std::pair<std::size_t, wxString>> linked_addons;
    AddonFiles prev_selected_addons;
    AddonFiles used_addons; // as the project's files name them when the list was filled
    mutable InstallReader installs; // read while the dialog is open
    int hovered_item = wxNOT_FOUND;
    wxString typed_prefix; // the start of a name typed in the list
    long typed_at = 0;     // when its last letter came (the key event's time, in ms)
};

#endif // ADDON_DIALOG_H
