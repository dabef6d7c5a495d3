// Which addons a real project uses, told from the paths of its files and the disk.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cbproject.h>
#include <projectfile.h>
#include <manager.h>
#include <projectmanager.h>

#include "Shared.h"
#include "ProjectAnalyzer.h"
#include "SdkTest.h"

namespace
{
using Lines = std::vector<wxString>;

class AnalyzerTest : public SdkTest
{
protected:
    void SetUp() override
    {
        SdkTest::SetUp();
        fixture::makeBriskenTree(tree.path(), {_T("alpha"), _T("beta")});
    }

    static AddonFiles analyze(cbProject* pProject)
    {
        ProjectAnalyzer analyzer;
        analyzer.analyze(pProject);
        return analyzer.getUsedAddons();
    }
};
} // namespace

TEST_F(AnalyzerTest, NoProjectGivesNothingAndWritesNothing)
{
    EXPECT_TRUE(analyze(nullptr).empty());
    EXPECT_TRUE(harness::logLines().empty());
}

TEST_F(AnalyzerTest, AFileBelowAnAddonFolderNamesThatAddon)
{
    cbProject* project = open({_T("../../../addons/alpha/src/alphaView.cpp"), _T("main.cpp")});
    ASSERT_NE(project, nullptr);
    const AddonFiles used = analyze(project);
    EXPECT_EQ(harness::logLines(), (Lines{_T("Project title:ex1")}));
    ASSERT_EQ(used.size(), 1u);
    EXPECT_EQ(used[0].name, _T("alpha"));
    // Built from the project's folder and the stored relative path, not normalised.
    EXPECT_EQ(used[0].addon_dir, tree / _T("apps/demos/ex1/../../../addons/alpha"));
    EXPECT_EQ(used[0].install_file, tree / _T("apps/demos/ex1/../../../addons/alpha/install.xml"));
}

TEST_F(AnalyzerTest, OneEntryPerProjectFileInTheProjectsFileOrder)
{
    cbProject* project = open({_T("../../../addons/beta/b.cpp"), _T("main.cpp"), _T("../../../addons/alpha/src/a1.cpp"),
                               _T("../../../addons/alpha/src/a2.cpp"), _T("../../../addons/alpha/src/a3.h")});
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(namesOf(analyze(project)), (Names{_T("alpha"), _T("alpha"), _T("alpha"), _T("beta")}));
}

TEST_F(AnalyzerTest, OnlyFoldersHoldingAnInstallFileBelowAnAddonsFolderCount)
{
    // src/addons.cpp has no "addons/" in its path, so the install file beside it is never seen.
    fixture::makeAddon(tree / _T("apps/demos/ex1/src"), _T("addons"));
    fixture::makeDir(tree / _T("addons/plain/src"));
    fixture::makeAddon(tree / _T("myaddons"), _T("mine"));
    // An install entry counts unless it is a folder once links are followed (DiskReaderTest has
    // every kind): the analysis takes the reader's answer.
    fixture::makeDir(tree / _T("addons/folder/install.xml"));
    fixture::makeDir(tree / _T("addons/dangling"));
    ASSERT_EQ(symlink("missing.xml", (tree / _T("addons/dangling/install.xml")).utf8_str()), 0);
    cbProject* project = open({_T("src/addons.cpp"), _T("../../../addons/plain/src/p.cpp"),
                               _T("../../../addons/gone/src/g.cpp"), _T("../../../addons/folder/f.cpp"),
                               _T("../../../addons/dangling/d.cpp"), _T("../../../myaddons/mine/m.cpp"),
                               _T("addons.h")});
    ASSERT_NE(project, nullptr);
    // The IDE keeps the files sorted by name.
    EXPECT_EQ(namesOf(analyze(project)), (Names{_T("dangling"), _T("mine")}));
    EXPECT_EQ(harness::logLines(), (Lines{_T("Project title:ex1")}));
}

TEST_F(AnalyzerTest, AnInstallFileInTheAddonsFolderItselfCountsForEveryFileBelowIt)
{
    fixture::writeFile(tree / _T("addons/install.xml"), "<install/>");
    cbProject* project = open({_T("../../../addons/alpha/a.cpp"), _T("../../../addons/beta/b.cpp")});
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(namesOf(analyze(project)), (Names{_T("addons"), _T("alpha"), _T("addons"), _T("beta")}));
}

TEST_F(AnalyzerTest, AnAddonDeletedFromDiskIsNoLongerInUse)
{
    cbProject* project = open({_T("../../../addons/alpha/a.cpp"), _T("../../../addons/beta/b.cpp")});
    ASSERT_NE(project, nullptr);
    ASSERT_TRUE(wxFileName::Rmdir(tree / _T("addons/beta"), wxPATH_RMDIR_RECURSIVE));
    EXPECT_EQ(namesOf(analyze(project)), (Names{_T("alpha")}));
}

TEST_F(AnalyzerTest, SpacesNonAsciiAndDotDotPathsAreWalkedAsStored)
{
    fixture::makeAddon(tree / _T("addons"), wxString::FromUTF8("grün addon"));
    cbProject* project = open({wxString::FromUTF8("../../../addons/grün addon/src/g.cpp"),
                               _T("../../../apps/../addons/alpha/a.cpp")});
    ASSERT_NE(project, nullptr);
    const AddonFiles used = analyze(project);
    Names names = namesOf(used);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{_T("alpha"), wxString::FromUTF8("grün addon")}));
}

TEST_F(AnalyzerTest, EveryFolderOfTheStoredPathCountsUpToTheNameWithoutItsExtension)
{
    fixture::makeAddon(tree / _T("addons"), _T("gamma.d"));
    const wxString up = _T("apps/demos/ex1/../../../");
    const struct
    {
        wxString stored;
        wxString name;     // empty when no addon is found
        wxString addon_dir; // in the tree
    } cases[] = {
        {_T("../../../addons/alpha/src/a.b.cpp"), _T("alpha"), up + _T("addons/alpha")},
        {_T("../../../addons/gamma.d/g"), _T("gamma.d"), up + _T("addons/gamma.d")},
        // The file's own name without its extension is a folder too.
        {_T("../../../addons/beta.cpp"), _T("beta"), up + _T("addons/beta")},
        {_T("../../../addons/beta."), _T("beta"), up + _T("addons/beta")},
        {_T("../../../addons/.beta"), wxString(), wxString()},
        {_T("../../../addons/alpha/src/.."), _T("alpha"), up + _T("addons/alpha")},
    };
    for (const auto& c : cases)
    {
        fixture::closeProjects();
        cbProject* project = open({c.stored});
        ASSERT_NE(project, nullptr) << c.stored;
        const AddonFiles used = analyze(project);
        if (c.name.empty())
        {
            EXPECT_TRUE(used.empty()) << c.stored;
            continue;
        }
        ASSERT_EQ(used.size(), 1u) << c.stored;
        EXPECT_EQ(used[0].name, c.name) << c.stored;
        EXPECT_EQ(used[0].addon_dir, tree / c.addon_dir) << c.stored;
        EXPECT_EQ(used[0].install_file, tree / c.addon_dir + _T("/install.xml")) << c.stored;
    }
}

TEST_F(AnalyzerTest, ProjectsOfMoreThanTenThousandFilesAreNotExamined)
{
    std::vector<wxString> units{_T("../../../addons/alpha/a.cpp")};
    for (int i = 1; i < 10000; ++i)
        units.push_back(wxString::Format(_T("src/f%05d.cpp"), i));
    cbProject* at_cap = open(units, _T("big"));
    ASSERT_NE(at_cap, nullptr);
    ASSERT_EQ(at_cap->GetFilesCount(), 10000);
    EXPECT_EQ(namesOf(analyze(at_cap)), (Names{_T("alpha")}));
    fixture::closeProjects();

    units.push_back(_T("src/f10000.cpp"));
    cbProject* over_cap = open(units, _T("bigger"));
    ASSERT_NE(over_cap, nullptr);
    ASSERT_EQ(over_cap->GetFilesCount(), 10001);
    EXPECT_TRUE(analyze(over_cap).empty());
    EXPECT_EQ(harness::logLines(), (Lines{_T("Project title:bigger")}));
}

TEST_F(AnalyzerTest, EachAnalysisStartsAfresh)
{
    cbProject* first = open({_T("../../../addons/alpha/a.cpp")}, _T("first"));
    cbProject* second = open({_T("../../../addons/beta/b.cpp")}, _T("second"));
    ASSERT_TRUE(first && second);
    ProjectAnalyzer analyzer;
    analyzer.analyze(first);
    EXPECT_EQ(namesOf(analyzer.getUsedAddons()), (Names{_T("alpha")}));
    analyzer.analyze(second);
    EXPECT_EQ(namesOf(analyzer.getUsedAddons()), (Names{_T("beta")}));
    analyzer.analyze(nullptr);
    EXPECT_TRUE(analyzer.getUsedAddons().empty());
}

// The analysis takes a file's name without extension in two parts; together they must be what
// the IDE's own ProjectFile::GetBaseName gives, for names of the kinds projects hold and for
// every short name over the characters that mean something to a file name object.
TEST_F(AnalyzerTest, TheNameWithoutExtensionIsTheIdesOwnForEveryShortName)
{
    ProjectFile file(open({_T("main.cpp")}));
    std::vector<wxString> names{_T("../../../addons/alpha/src/alphaView.cpp"), _T("./src/./a.cpp"),
                                _T("src//a.cpp"), _T("/usr/include/x.h"), _T("src/"), _T("~/a.cpp"),
                                _T("src/.hidden"), _T("archive.tar.gz"), _T("file."), _T("a\\b.c"),
                                wxString::FromUTF8("\xc3\xbcn\xc3\xaf/\xd1\x84.cpp"), _T("a/b/..")};
    const wxString alphabet = _T("a./~\\: ") + wxString::FromUTF8("\xc3\xa9");
    std::vector<wxString> level{wxString()};
    for (int length = 1; length <= 5; ++length)
    {
        std::vector<wxString> next;
        for (const wxString& name : level)
            for (const wxUniChar c : alphabet)
                next.push_back(name + c);
        names.insert(names.end(), next.begin(), next.end());
        level.swap(next);
    }
    for (const wxString& name : names)
    {
        file.relativeFilename = name;
        ASSERT_EQ(folderPart(name) + nameWithoutExtension(name), file.GetBaseName()) << name;
    }
}
