// Which subfolders of an addons folder are addons, in what order, and what is logged.
#include <gtest/gtest.h>

#include <algorithm>

#include <unistd.h>

#include "Shared.h"
#include "SdkTest.h"

namespace
{
using Lines = std::vector<wxString>;

class DiscoveryTest : public DialogSdkTest
{
protected:
    void SetUp() override
    {
        DialogSdkTest::SetUp();
        openDialog();
        harness::clearLog();
    }

    wxString addonsDir() const { return tree / _T("addons/"); }
};
} // namespace

TEST_F(DiscoveryTest, OnlyDirectSubfoldersWithAnExactInstallFileAreAddons)
{
    fixture::makeAddon(tree / _T("addons"), _T("alpha"));
    fixture::makeDir(tree / _T("addons/beta/src"));                  // no install file
    fixture::makeAddon(tree / _T("addons"), _T(".gamma"));           // hidden
    fixture::writeFile(tree / _T("addons/delta.xml"), "<install/>"); // a plain file
    fixture::writeFile(tree / _T("addons/capital/Install.xml"), "<install/>");
    fixture::makeDir(tree / _T("addons/folder/install.xml"));        // a folder, not a file
    fixture::makeAddon(tree / _T("addons/outer/inner"), _T("nested")); // too deep

    const AddonFiles found = dlg->findAddons(addonsDir());
    ASSERT_EQ(namesOf(found), (std::vector<wxString>{_T("alpha")}));
    EXPECT_EQ(found[0].addon_dir, tree / _T("addons/alpha"));
    EXPECT_EQ(found[0].install_file, tree / _T("addons/alpha/install.xml"));
    EXPECT_EQ(harness::logLines(), (Lines{_T("Finding addons in"), addonsDir()}));
}

TEST_F(DiscoveryTest, NamesWithSpacesAndNonAsciiLettersAreKeptAsTheyAre)
{
    fixture::makeAddon(tree / _T("addons"), wxString::FromUTF8("grün addon"));
    const AddonFiles found = dlg->findAddons(addonsDir());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, wxString::FromUTF8("grün addon"));
    EXPECT_EQ(found[0].install_file, tree / wxString::FromUTF8("addons/grün addon/install.xml"));
    EXPECT_EQ(dlg->getAddonInstallFile(wxString::FromUTF8("grün addon")), found[0].install_file);
}

TEST_F(DiscoveryTest, MissingEmptyOrFileFolderYieldsNothingButStillLogsBothLines)
{
    fixture::makeDir(tree / _T("addons"));
    fixture::writeFile(tree / _T("plain"), "x");
    for (const wxString& dir : {addonsDir(), tree / _T("nowhere/addons/"), tree / _T("plain/"), wxString()})
    {
        harness::clearLog();
        EXPECT_TRUE(dlg->findAddons(dir).empty()) << dir;
        EXPECT_EQ(harness::logLines(), (Lines{_T("Finding addons in"), dir}));
    }
    EXPECT_TRUE(harness::seenDialogs().empty());
}

TEST_F(DiscoveryTest, TheFolderIsJoinedToEachNameAsGivenWithNothingBetween)
{
    fixture::makeAddon(tree / _T("addons"), _T("beta"));
    fixture::makeAddon(tree / _T("addons"), _T("alpha"));
    fixture::makeAddon(tree.path(), _T("addonsalpha"));
    const AddonFiles found = dlg->findAddons(tree / _T("addons"));
    ASSERT_EQ(namesOf(found), (std::vector<wxString>{_T("alpha")}));
    EXPECT_EQ(found[0].install_file, tree / _T("addonsalpha/install.xml"));
}

TEST_F(DiscoveryTest, SymlinksAreFollowedWhateverTheirNamesAndLoopsEndTheSearchOfThatEntryOnly)
{
    fixture::makeAddon(tree / _T("addons"), _T("alpha"));
    fixture::makeAddon(tree.path(), _T("elsewhere"));
    const std::string addons = fixture::utf8(addonsDir());
    ASSERT_EQ(symlink("loop", (addons + "loop").c_str()), 0);       // points at itself
    ASSERT_EQ(symlink("missing", (addons + "dangling").c_str()), 0);
    ASSERT_EQ(symlink("..", (addons + "up").c_str()), 0);           // a cycle through the tree
    ASSERT_EQ(symlink("../elsewhere", (addons + "linked").c_str()), 0);
    ASSERT_EQ(symlink("../elsewhere", (addons + "gr\xc3\xbcn").c_str()), 0); // "grün"
    // An install entry counts unless it is a folder once links are followed (DiskReaderTest
    // has every kind): discovery takes the reader's answer.
    fixture::makeDir(addonsDir() + _T("gone_install"));
    ASSERT_EQ(symlink("missing.xml", (addons + "gone_install/install.xml").c_str()), 0);

    auto found = namesOf(dlg->findAddons(addonsDir()));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<wxString>{_T("alpha"), _T("gone_install"), wxString::FromUTF8("gr\xc3\xbcn"),
                                            _T("linked")}));
}

TEST_F(DiscoveryTest, TheFirstAddonOfANameGivesTheInstallFileUntilTheLocationChanges)
{
    fixture::TempDir other;
    fixture::makeBriskenTree(tree.path(), {_T("alpha")});
    fixture::makeBriskenTree(other.path(), {_T("alpha"), _T("beta")});
    dlg->setBKDir(tree.path());
    EXPECT_TRUE(dlg->getAddonInstallFile(_T("beta")).empty());
    dlg->findAddons(other / _T("addons/"));
    EXPECT_EQ(dlg->getAddonInstallFile(_T("alpha")), addonsDir() + _T("alpha/install.xml"));
    EXPECT_EQ(dlg->getAddonInstallFile(_T("beta")), other / _T("addons/beta/install.xml"));
    dlg->setBKDir(other.path());
    EXPECT_EQ(dlg->getAddonInstallFile(_T("alpha")), other / _T("addons/alpha/install.xml"));
}

TEST_F(DiscoveryTest, EachCallAppendsSoOnlyTheLocationSetterStartsAfresh)
{
    fixture::makeAddon(tree / _T("addons"), _T("alpha"));
    EXPECT_EQ(dlg->findAddons(addonsDir()).size(), 1u);
    EXPECT_EQ(namesOf(dlg->findAddons(addonsDir())), (std::vector<wxString>{_T("alpha"), _T("alpha")}));
    EXPECT_EQ(dlg->getAddonInstallFile(_T("alpha")), tree / _T("addons/alpha/install.xml"));
}

TEST_F(DiscoveryTest, InstallFileIsLookedUpByExactName)
{
    fixture::makeAddon(tree / _T("addons"), _T("alpha"));
    dlg->findAddons(addonsDir());
    EXPECT_EQ(dlg->getAddonInstallFile(_T("alpha")), tree / _T("addons/alpha/install.xml"));
    EXPECT_TRUE(dlg->getAddonInstallFile(_T("Alpha")).empty());
    EXPECT_TRUE(dlg->getAddonInstallFile(_T("alpha ")).empty());
    EXPECT_TRUE(dlg->getAddonInstallFile(wxString()).empty());
}

TEST_F(DiscoveryTest, ListShowsTheFoundAddonsInDiscoveryOrder)
{
    fixture::makeBriskenTree(tree.path(), {_T("delta"), _T("alpha"), _T("charlie"), _T("bravo")});
    dlg->setBKDir(tree.path());
    const AddonFiles found = dlg->getFoundAddons();
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(controls::listed(dlg.get()), namesOf(found));
    EXPECT_TRUE(controls::ticked(dlg.get()).empty());
}
