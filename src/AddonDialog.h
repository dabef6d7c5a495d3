// The modal dialog in which the user picks the Brisken location and ticks addons.
#ifndef ADDON_DIALOG_H
#define ADDON_DIALOG_H

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <functional>
#include <utility>
#include <vector>

#include "InstallParser.h"
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
    // The addons that remain in the project on OK: the ticked ones and those the project uses
    // that were not unticked, each once.
    AddonFiles getStayingAddons() const;

    // The names an addon's install file requires.
    using Requirements = std::function<const wxArrayString&(const AddonFile&)>;
    // What OK does: adds the newly ticked addons with all they require, keeps an unticked addon
    // that a staying addon still requires, removes the other unticked ones.
    static AddonChange decideChange(const AddonFiles& oNew, const AddonFiles& oDeselected,
                                    const AddonFiles& oStaying, const AddonFiles& oAvailable,
                                    const Requirements& required);

    // What the list's tooltip says for an addon: what it requires, and its install file.
    wxString addonToolTip(const wxString& sAddon) const;

private:
    // The name of the list's item `nItem`.
    wxString itemName(unsigned int nItem) const;
    // The addons whose names are not among `oNames`, in order.
    static AddonFiles withoutNames(const AddonFiles& oAddons, const NameSet& oNames);
    // The ticked addons and those the project uses that the list does not show, each once.
    AddonFiles stayingAddons(AddonFiles oTicked, const AddonFiles& oDeselected) const;
    // What OK would do now, in the words of the report; showChange writes it below the list.
    wxString changePreview() const;
    void showChange();
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
    wxStaticText* bk_change_lbl = nullptr;
    wxString bk_dir;
    AddonFiles addons;
    // Name -> position of its first entry in `addons`: built when first asked, emptied
    // whenever `addons` changes.
    mutable NameMap<std::size_t> addon_index;
    // Listed addons that are links: position in `addons`, resolved folder and a separator.
    std::vector<std::pair<std::size_t, wxString>> linked_addons;
    AddonFiles prev_selected_addons;
    AddonFiles used_addons; // as the project's files name them when the list was filled
    NameSet used_names;     // their names
    mutable RequirementsReader requirements; // read since the list was filled
    int hovered_item = wxNOT_FOUND;
    wxString typed_prefix; // the start of a name typed in the list
    long typed_at = 0;     // when its last letter came (the key event's time, in ms)
};

#endif // ADDON_DIALOG_H
