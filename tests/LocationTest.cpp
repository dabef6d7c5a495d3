// The Brisken location: applied when the dialog opens, picked with "...", checked, stored;
// and the ticked, newly ticked and unticked addons that follow from it (played at random, through
// confirming, by ConfirmPropertyTest).
#include <gtest/gtest.h>


#include <wx/ffile.h>
#include <wx/msgdlg.h>

#include "Shared.h"
#include "SdkTest.h"

namespace
{
using Lines = std::vector<wxString>;

const wxString wrong_location_message =
    _T("Incorrect Brisken location.\n")
    _T("Please select the 'base' directory where you unpakked Brisken.\n")
    _T("This directory contains the addons, libs, apps, etc. directories.");

class LocationTest : public DialogSdkTest
{
protected:
    void SetUp() override
    {
        DialogSdkTest::SetUp();
        fixture::makeBriskenTree(tree.path(), {_T("alpha"), _T("beta"), _T("gamma")});
        fixture::makeBriskenTree(other.path(), {_T("alpha"), _T("delta")});
    }

    // The project apps/demos/ex1 of the first tree, using these addons of that tree.
    void useAddons(const Names& addons)
    {
        std::vector<wxString> units{_T("main.cpp")};
        for (const wxString& name : addons)
            units.push_back(_T("../../../addons/") + name + _T("/src/") + name + _T(".cpp"));
        ASSERT_NE(open(units), nullptr);
    }

    // Presses "..." and answers the picker with `path` (empty: cancel).
    void pickLocation(const wxString& path)
    {
        harness::setModalAnswer(harness::chooseDirectory(path));
        harness::clearLog();
        harness::clickButton(dlg.get(), 2048);
        harness::clearModalAnswer();
    }

    fixture::TempDir other;
};
} // namespace

TEST_F(LocationTest, UnusableStoredLocationsGiveAnEmptyListAndNoBox)
{
    fixture::writeFile(other / _T("file"), "x");
    fixture::makeDir(other / _T("empty/addons"));
    for (const wxString& stored : {other / _T("file"), tree / _T("missing"), other / _T("empty"), wxString(_T("/")),
                                   wxString::FromUTF8("/opt/brisken tree/ü")})
    {
        harness::clearLog();
        openDialog(stored);
        EXPECT_TRUE(controls::listed(dlg.get()).empty()) << stored;
        EXPECT_EQ(controls::locationField(dlg.get()), stored);
        EXPECT_EQ(harness::logLines(), (Lines{_T("Finding addons in"), stored + _T("/addons/")}));
    }
    EXPECT_TRUE(harness::seenDialogs().empty());
}

// One dialog, opened on the stored location; then the picker cancelled, refused locations, and an accepted one.
TEST_F(LocationTest, TheStoredLocationIsUsedAndAPickedOneReplacesItOnlyWhenAccepted)
{
    for (const wxString dir : {_T("no_apps/addons/alpha"), _T("no_apps/libs"), _T("apps_is_a_file/addons"),
                               _T("apps_is_a_file/libs"), _T("capital/Addons"), _T("capital/apps"), _T("capital/libs")})
        fixture::makeDir(other / dir);
    fixture::writeFile(other / _T("apps_is_a_file/apps"), "x");
    useAddons({_T("alpha"), _T("beta")});
    openDialog(tree.path());
    EXPECT_EQ(harness::logLines(), (Lines{_T("Finding addons in"), tree / _T("addons/"), _T("Project title:ex1")}));
    EXPECT_EQ(controls::locationField(dlg.get()), tree.path());
    EXPECT_EQ(controls::listed(dlg.get()), namesOf(dlg->getFoundAddons()));
    const AddonFiles snapshot = dlg->getPreviouslySelectedAddons();
    EXPECT_EQ(namesOf(snapshot), controls::ticked(dlg.get()));
    for (const AddonFile& addon : snapshot)
        EXPECT_EQ(addon.install_file, tree / _T("addons/") + addon.name + _T("/install.xml"));
    controls::tick(dlg.get(), _T("gamma"));
    const Names listed = controls::listed(dlg.get()), ticked = controls::ticked(dlg.get());
    ASSERT_EQ(ticked.size(), 3u);

    // Cancelled, or refused with a message box: the list, the ticks, the field and what is stored stay.
    for (const wxString& refused :
         {wxString(), other / _T("no_apps"), other / _T("apps_is_a_file"), other / _T("capital")})
    {
        SCOPED_TRACE(refused);
        pickLocation(refused);
        EXPECT_EQ(harness::logLines(), (Lines{_T("bkDirSelect clicked")}));
        const auto seen = harness::seenDialogs();
        ASSERT_EQ(seen.size(), refused.empty() ? 1u : 2u);
        EXPECT_TRUE(refused.empty() || (seen[1].title == _T("Error") && seen[1].message == wrong_location_message &&
                                        seen[1].style == static_cast<long>(wxOK | wxICON_ERROR)));
        EXPECT_EQ(controls::listed(dlg.get()), listed);
        EXPECT_EQ(controls::ticked(dlg.get()), ticked);
        EXPECT_EQ(controls::locationField(dlg.get()), tree.path());
        EXPECT_EQ(cfg()->Read(_T("bk_dir"), wxEmptyString), tree.path());
    }

    // Accepted: listed and ticked afresh (the project's alpha lives in the first tree, but the name is what counts),
    // shown and stored; the snapshot stays the first location's; the next dialog opens there.
    pickLocation(other.path());
    EXPECT_EQ(harness::logLines(), (Lines{_T("bkDirSelect clicked"), _T("Finding addons in"), other / _T("addons/"),
                                          _T("Project title:ex1"), _T("Saving bkdir")}));
    EXPECT_EQ(controls::listed(dlg.get()), namesOf(dlg->getFoundAddons()));
    EXPECT_EQ(controls::ticked(dlg.get()), (Names{_T("alpha")}));
    EXPECT_EQ(controls::locationField(dlg.get()), other.path());
    EXPECT_EQ(dlg->getAddonInstallFile(_T("alpha")), other / _T("addons/alpha/install.xml"));
    EXPECT_EQ(dlg->getPreviouslySelectedAddons().at(0).install_file, snapshot.at(0).install_file);
    cfg()->Flush(); // the IDE writes its configuration file from what was stored
    wxString saved;
    ASSERT_TRUE(wxFFile(harness::homeDir() + _T("/.config/codeblocks/default.conf")).ReadAll(&saved));
    EXPECT_NE(saved.Find(_T("<brisken>")), wxNOT_FOUND);
    EXPECT_NE(saved.Find(other.path()), wxNOT_FOUND);
    dlg.reset();
    harness::clearLog();
    openDialog();
    EXPECT_EQ(controls::locationField(dlg.get()), other.path());
    EXPECT_EQ(harness::logLines(), (Lines{_T("Finding addons in"), other / _T("addons/"), _T("Project title:ex1")}));
}

TEST_F(LocationTest, ThePickerStartsAtTheStoredPathElseAtTheProjectsTreeElseItsFolderElseHome)
{
    fixture::TempDir loose;
    const struct
    {
        wxString stored, project, start;
    } cases[] = {
        {tree.path(), wxString(), tree.path()}, // never at the hint the field shows when nothing is stored
        {wxString(), wxString(), harness::homeDir()},
        {wxString(), cbp(), tree.path()},
        {wxString(), loose / _T("demo/ex2.cbp"), loose / _T("demo")},
    };
    for (const auto& c : cases)
    {
        fixture::closeProjects();
        if (!c.project.empty())
        {
            ASSERT_NE(fixture::openProject(c.project, {_T("main.cpp")}), nullptr);
        }
        cfg()->UnSet(_T("bk_dir"));
        openDialog(c.stored);
        pickLocation(wxString());
        ASSERT_EQ(harness::seenDialogs().size(), 1u);
        EXPECT_EQ(harness::seenDialogs()[0].message, _T("Select the Brisken directory"));
        EXPECT_EQ(harness::seenDialogs()[0].path, c.start) << c.project;
    }
}

TEST_F(LocationTest, PointingAtAnAddonShowsWhatItRequiresAndItsInstallFile)
{
    fixture::writeInstall(tree / _T("addons"), _T("alpha"), {{}, {}, {}, {_T("beta"), _T("gamma")}});
    openDialog(tree.path());
    wxCheckListBox* list = controls::checkList(dlg.get());
    ASSERT_TRUE(harness::showDrawn(list));
    harness::clearLog();
    for (const wxString name : {_T("alpha"), _T("gamma")})
    {
        // The pointer comes to rest on the addon's row.
        const int item = list->FindString(name, true);
        wxMouseEvent motion(wxEVT_MOTION);
        for (motion.m_y = 0; motion.m_y < list->GetClientSize().y; ++motion.m_y)
            if (list->HitTest(wxPoint(80, motion.m_y)) == item)
                break;
        motion.m_x = 80;
        motion.SetEventObject(list);
        list->GetEventHandler()->ProcessEvent(motion);
        const wxString requires_text = name == _T("alpha") ? _T(" requires beta, gamma") : _T(" requires nothing");
        EXPECT_EQ(list->GetToolTipText(),
                  name + requires_text + _T("\n") + tree / _T("addons/") + name + _T("/install.xml"));
    }
    EXPECT_TRUE(harness::logLines().empty());
    dlg->Hide();
}

TEST_F(LocationTest, SettingALocationAgainListsItOnceAndTicksAfresh)
{
    useAddons({_T("beta")});
    openDialog(tree.path());
    controls::tick(dlg.get(), _T("alpha"));
    dlg->setBKDir(tree.path());
    EXPECT_EQ(controls::listed(dlg.get()).size(), 3u);
    EXPECT_EQ(dlg->getFoundAddons().size(), 3u);
    EXPECT_EQ(controls::ticked(dlg.get()), (Names{_T("beta")}));

    // A trailing separator is kept: the addons path then has two in a row.
    harness::clearLog();
    dlg->setBKDir(tree.path() + _T("/"));
    EXPECT_EQ(harness::logLines().at(1), tree.path() + _T("//addons/"));
    EXPECT_EQ(controls::listed(dlg.get()).size(), 3u);
}

