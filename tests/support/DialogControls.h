// Opens the addon dialog as the plug-in does and reaches its controls the way a user sees them.
#ifndef DIALOG_CONTROLS_H
#define DIALOG_CONTROLS_H

#include <memory>
#include <vector>

#include <wx/checklst.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/window.h>

#include "AddonDialog.h"
#include "SdkHarness.h"

namespace controls
{
inline std::unique_ptr<AddonDialog> newDialog()
{
    return std::make_unique<AddonDialog>(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
}

template <typename T> std::vector<T*> childrenOf(wxWindow* parent)
{
    std::vector<T*> found;
    for (wxWindow* child : parent->GetChildren())
        if (auto* typed = dynamic_cast<T*>(child))
            found.push_back(typed);
    return found;
}

inline wxCheckListBox* checkList(wxWindow* dialog) { return childrenOf<wxCheckListBox>(dialog).at(0); }

inline wxString locationField(wxWindow* dialog) { return childrenOf<wxTextCtrl>(dialog).at(0)->GetValue(); }

// The texts of the list's items, all of them or only the ticked ones.
inline std::vector<wxString> listed(wxWindow* dialog, bool onlyTicked = false)
{
    std::vector<wxString> items;
    wxCheckListBox* list = checkList(dialog);
    for (unsigned int j = 0; j < list->GetCount(); ++j)
        if (!onlyTicked || list->IsChecked(j))
            items.push_back(list->GetString(j));
    return items;
}

inline std::vector<wxString> ticked(wxWindow* dialog) { return listed(dialog, true); }

// Ticks or unticks the item at `index` as a click on its box does: the toolkit turns the tick,
// then sends its event.
inline void tickAt(wxWindow* dialog, unsigned int index, bool bTicked = true)
{
    wxCheckListBox* list = checkList(dialog);
    if (list->IsChecked(index) == bTicked)
        return;
    list->Check(index, bTicked);
    wxCommandEvent toggled(wxEVT_CHECKLISTBOX, list->GetId());
    toggled.SetEventObject(list);
    toggled.SetInt(static_cast<int>(index));
    toggled.SetString(list->GetString(index));
    list->HandleWindowEvent(toggled);
}

// The same for the item with this text; false when no item has it.
inline bool tick(wxWindow* dialog, const wxString& name, bool bTicked = true)
{
    const int index = checkList(dialog)->FindString(name, true);
    if (index != wxNOT_FOUND)
        tickAt(dialog, static_cast<unsigned int>(index), bTicked);
    return index != wxNOT_FOUND;
}

// The line below the list that says what OK would do, as shown.
inline wxString changePreview(wxWindow* dialog) { return childrenOf<wxStaticText>(dialog).at(0)->GetLabelText(); }
} // namespace controls

#endif // DIALOG_CONTROLS_H
