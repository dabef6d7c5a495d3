// The addon dialog's fixed layout, its location field and how its buttons end it.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "AddonDialog.h"
#include "DialogControls.h"
#include "SdkTest.h"

namespace
{
using Lines = std::vector<wxString>;

using controls::childrenOf;

// The dialog's check list, filled with `names` as discovery would fill it.
wxCheckListBox* listOf(AddonDialog& dlg, const std::vector<wxString>& names)
{
    auto* list = childrenOf<wxCheckListBox>(&dlg).at(0);
    for (const wxString& name : names)
        list->Append(name);
    return list;
}

class DialogTest : public SdkTest
{
protected:
    static int runAndPress(AddonDialog& dlg, wxWindowID nID)
    {
        harness::setModalAnswer(harness::pressButton(nID));
        return dlg.ShowModal();
    }
};
} // namespace

TEST_F(DialogTest, LayoutIsFixed)
{
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    EXPECT_EQ(dlg.GetTitle(), _T("Brisken Addon Plugin"));
    EXPECT_EQ(dlg.GetSize(), wxSize(420, 500));
    EXPECT_FALSE(dlg.HasFlag(wxRESIZE_BORDER));

    const auto boxes = childrenOf<wxStaticBox>(&dlg);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0]->GetLabel(), _T("Brisken location"));
    EXPECT_EQ(boxes[0]->GetPosition(), wxPoint(10, 10));
    EXPECT_EQ(boxes[0]->GetSize(), wxSize(385, 60));
    EXPECT_EQ(boxes[1]->GetLabel(), _T("Select addons for your project"));
    EXPECT_EQ(boxes[1]->GetPosition(), wxPoint(10, 80));
    EXPECT_EQ(boxes[1]->GetSize(), wxSize(385, 330));

    const auto texts = childrenOf<wxTextCtrl>(&dlg);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->GetPosition(), wxPoint(20, 35));
    EXPECT_EQ(texts[0]->GetSize().GetWidth(), 330);

    auto* dir_btn = dynamic_cast<wxButton*>(dlg.FindWindow(2048));
    auto* ok_btn = dynamic_cast<wxButton*>(dlg.FindWindow(2049));
    auto* close_btn = dynamic_cast<wxButton*>(dlg.FindWindow(2050));
    ASSERT_TRUE(dir_btn && ok_btn && close_btn);
    EXPECT_EQ(dir_btn->GetLabel(), _T("..."));
    EXPECT_EQ(dir_btn->GetPosition(), wxPoint(355, 35));
    EXPECT_EQ(dir_btn->GetSize().GetWidth(), 25);
    EXPECT_EQ(ok_btn->GetLabel(), _T("Add addons to project"));
    EXPECT_EQ(ok_btn->GetPosition(), wxPoint(10, 420));
    EXPECT_EQ(close_btn->GetLabel(), _T("Close"));
    EXPECT_EQ(close_btn->GetPosition(), wxPoint(320, 420));

    const auto lists = childrenOf<wxCheckListBox>(&dlg);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0]->GetPosition(), wxPoint(20, 105));
    EXPECT_EQ(lists[0]->GetSize(), wxSize(360, 280));
    EXPECT_FALSE(lists[0]->HasFlag(wxLB_SORT));
    EXPECT_EQ(lists[0]->GetCount(), 0u);
    EXPECT_TRUE(harness::seenDialogs().empty());
}

TEST_F(DialogTest, FieldShowsDefaultTextWhenNothingIsStoredAndIsReadOnly)
{
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    const auto texts = childrenOf<wxTextCtrl>(&dlg);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->GetValue(), _T("You need to select the Brisken directory."));
    EXPECT_FALSE(texts[0]->IsEditable());
    EXPECT_TRUE(dlg.getFoundAddons().empty());
    EXPECT_TRUE(dlg.getPreviouslySelectedAddons().empty());
}

TEST_F(DialogTest, FieldShowsTheStoredLocation)
{
    cfg()->Write(_T("bk_dir"), wxString(_T("/opt/brisken tree/ü")), false);
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    const auto texts = childrenOf<wxTextCtrl>(&dlg);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->GetValue(), _T("/opt/brisken tree/ü"));
}

TEST_F(DialogTest, OkCountsEveryListedItemAndReturnsOk)
{
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    auto* list = listOf(dlg, {_T("alpha"), _T("beta"), _T("gamma")});
    list->Check(1);
    harness::clearLog();
    EXPECT_EQ(runAndPress(dlg, 2049), wxID_OK);
    EXPECT_EQ(harness::logLines(), (Lines{_T("OK clicked."), _T("total 3")}));
}

TEST_F(DialogTest, CloseReturnsCloseAndWritesNothing)
{
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    harness::clearLog();
    EXPECT_EQ(runAndPress(dlg, 2050), wxID_CLOSE);
    EXPECT_TRUE(harness::logLines().empty());
}

TEST_F(DialogTest, TickedItemsAreTheSelectionInListOrder)
{
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    auto* list = listOf(dlg, {_T("alpha"), _T("beta"), _T("gamma")});
    list->Check(2);
    list->Check(0);
    const AddonFiles selected = dlg.getSelectedAddons();
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0].name, _T("alpha"));
    EXPECT_EQ(selected[1].name, _T("gamma"));
    EXPECT_TRUE(selected[0].addon_dir.empty());
    // Nothing was ticked when the dialog opened, so nothing counts as unticked.
    EXPECT_TRUE(dlg.getDeselectedAddons().empty());
    EXPECT_EQ(dlg.getNewSelectedAddons().size(), 2u);
}

TEST_F(DialogTest, TheLocationButtonShowsItsWholeLabelAndSaysWhatItDoes)
{
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    wxWindow* dir_btn = dlg.FindWindow(2048);
    ASSERT_NE(dir_btn, nullptr);
    EXPECT_EQ(dir_btn->GetToolTipText(), _T("Select the Brisken directory"));
    const harness::LabelRoom room = harness::labelRoom(dir_btn);
    dlg.Hide();
    EXPECT_EQ(dir_btn->GetPosition(), wxPoint(355, 35));
    EXPECT_EQ(dir_btn->GetSize(), wxSize(25, 20));
    ASSERT_GT(room.needed.x, 0);
    EXPECT_GE(room.allocated.x, room.needed.x);
    EXPECT_GE(room.allocated.y, room.needed.y);
}

TEST_F(DialogTest, EscapeEndsTheDialogAsCloseDoes)
{
    AddonDialog dlg(harness::appWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    harness::clearLog();
    harness::setModalAnswer([](wxDialog* dialog) {
        harness::later([dialog] {
            // The key as the toolkit hands it to the dialog before any control sees it.
            wxKeyEvent escape(wxEVT_CHAR_HOOK);
            escape.m_keyCode = WXK_ESCAPE;
            escape.SetEventObject(dialog);
            dialog->GetEventHandler()->ProcessEvent(escape);
            if (dialog->IsModal()) // ignored: end it, so that the test fails instead of hanging
                dialog->EndModal(wxID_NONE);
        });
        return static_cast<int>(wxID_NONE);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_CLOSE);
    EXPECT_TRUE(harness::logLines().empty());
}
