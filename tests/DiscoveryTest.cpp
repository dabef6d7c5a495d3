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

// Which entries are folders holding "install.xml" is the disk reader's answer (DiskReaderTest has every kind, beside
// wxDir's); discovery takes the direct subfolders it answers for, links and names as they are.
TEST_F(DiscoveryTest, DirectSubfoldersWithAnInstallFileAreAddonsAsTheyAreNamed)
{
    fixture::makeAddon(tree / _T("addons"), _T("alpha"));
    fixture::makeDir(tree / _T("addons/beta/src"));                    // no install file
    fixture::makeAddon(tree / _T("addons"), _T(".gamma"));             // hidden
    fixture::makeAddon(tree / _T("addons/outer/inner"), _T("nested")); // too deep
    fixture::makeAddon(tree / _T("addons"), wxString::FromUTF8("grün addon"));
    fixture::makeAddon(tree.path(), _T("elsewhere"));
    ASSERT_EQ(symlink("../elsewhere", (tree / _T("addons/linked")).utf8_str()), 0);
    ASSERT_EQ(symlink("..", (tree / _T("addons/up")).utf8_str()), 0); // a cycle through the tree
    AddonFiles found = dlg->findAddons(addonsDir());
    std::sort(found.begin(), found.end(), [](const AddonFile& a, const AddonFile& b) { return a.name < b.name; });
    ASSERT_EQ(namesOf(found), (Names{_T("alpha"), wxString::FromUTF8("grün addon"), _T("linked")}));
    EXPECT_EQ(found[1].addon_dir, tree / wxString::FromUTF8("addons/grün addon"));
    EXPECT_EQ(found[1].install_file, tree / wxString::FromUTF8("addons/grün addon/install.xml"));
    EXPECT_EQ(harness::logLines(), (Lines{_T("Finding addons in"), addonsDir()}));
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

// By exact name, the first addon of a name; each call appends, only setting a location starts afresh.
TEST_F(DiscoveryTest, TheInstallFileOfTheFirstAddonOfTheExactNameUntilTheLocationChanges)
{
    fixture::TempDir other;
    fixture::makeBriskenTree(tree.path(), {_T("alpha")});
    fixture::makeBriskenTree(other.path(), {_T("alpha"), _T("beta")});
    EXPECT_TRUE(dlg->findAddons(wxString()).empty()); // no folder at all
    EXPECT_TRUE(dlg->getAddonInstallFile(_T("alpha")).empty());
    dlg->setBKDir(tree.path());
    EXPECT_EQ(dlg->findAddons(other / _T("addons/")).size(), 3u); // appended to the first tree's alpha
    const wxString in_tree = addonsDir() + _T("alpha/install.xml"), in_other = other / _T("addons/beta/install.xml");
    for (const auto& [name, install_file] : {std::pair{_T("alpha"), in_tree}, {_T("beta"), in_other},
                                             {_T("Alpha"), wxString()}, {_T("alpha "), wxString()},
                                             {_T(""), wxString()}})
        EXPECT_EQ(dlg->getAddonInstallFile(name), install_file) << name;
    dlg->setBKDir(other.path());
    EXPECT_EQ(dlg->getAddonInstallFile(_T("alpha")), other / _T("addons/alpha/install.xml"));
}

