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

TEST_F(AnalyzerTest, EachFolderOfAStoredPathFromTheAddonsFolderOnThatHoldsAnInstallFileNamesAnAddon)
{
    fixture::makeAddon(tree / _T("addons"), _T("gamma.d"));
    fixture::makeAddon(tree / _T("addons"), wxString::FromUTF8("grün addon"));
    fixture::makeAddon(tree / _T("myaddons"), _T("mine"));
    fixture::makeDir(tree / _T("addons/plain/src"));
    // src/addons.cpp has no "addons/" in its path, so the install file beside it is never seen.
    fixture::makeAddon(tree / _T("apps/demos/ex1/src"), _T("addons"));
    // An install entry counts unless it is a folder once links are followed (DiskReaderTest has every kind): the
    // analysis takes the reader's answer.
    fixture::makeDir(tree / _T("addons/folder/install.xml"));
    fixture::makeDir(tree / _T("addons/dangling"));
    ASSERT_EQ(symlink("missing.xml", (tree / _T("addons/dangling/install.xml")).utf8_str()), 0);
    const wxString up = _T("apps/demos/ex1/../../../"), a = _T("../../../addons/");
    const struct
    {
        std::vector<wxString> units;
        Names names;
        wxString addon_dir{}; // the first entry's, in the tree, when given
    } cases[] = {
        // Built from the project's folder and the stored relative path, not normalised.
        {{a + _T("alpha/src/alphaView.cpp"), _T("main.cpp")}, {_T("alpha")}, up + _T("addons/alpha")},
        {{_T("../../../apps/../addons/alpha/a.cpp")}, {_T("alpha")}, up + _T("addons/alpha")}, // stored normalised
        {{a + wxString::FromUTF8("grün addon/src/g.cpp")}, {wxString::FromUTF8("grün addon")}},
        // One entry per file, in the IDE's order of the files: sorted by name.
        {{a + _T("beta/b.cpp"), _T("main.cpp"), a + _T("alpha/src/a1.cpp"), a + _T("alpha/src/a2.cpp"),
          a + _T("alpha/src/a3.h")},
         {_T("alpha"), _T("alpha"), _T("alpha"), _T("beta")}},
        {{_T("src/addons.cpp"), a + _T("plain/src/p.cpp"), a + _T("gone/src/g.cpp"), a + _T("folder/f.cpp"),
          a + _T("dangling/d.cpp"), _T("../../../myaddons/mine/m.cpp"), _T("addons.h")},
         {_T("dangling"), _T("mine")}},
        // The file's own name without its extension is a folder too.
        {{a + _T("alpha/src/a.b.cpp")}, {_T("alpha")}, up + _T("addons/alpha")},
        {{a + _T("gamma.d/g")}, {_T("gamma.d")}, up + _T("addons/gamma.d")},
        {{a + _T("beta.cpp")}, {_T("beta")}, up + _T("addons/beta")},
        {{a + _T("beta.")}, {_T("beta")}},
        {{a + _T(".beta")}, {}},
        {{a + _T("alpha/src/..")}, {_T("alpha")}, up + _T("addons/alpha")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(fixture::utf8(c.units[0]));
        fixture::closeProjects();
        cbProject* project = open(c.units);
        ASSERT_NE(project, nullptr);
        const AddonFiles used = analyze(project);
        EXPECT_EQ(namesOf(used), c.names);
        EXPECT_EQ(harness::logLines(), (Lines{_T("Project title:ex1")}));
        if (!c.addon_dir.empty() && !used.empty())
        {
            EXPECT_EQ(used[0].addon_dir, tree / c.addon_dir);
            EXPECT_EQ(used[0].install_file, tree / c.addon_dir + _T("/install.xml"));
        }
    }
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
    harness::clearLog();
    analyzer.analyze(nullptr);
    EXPECT_TRUE(analyzer.getUsedAddons().empty());
    EXPECT_TRUE(harness::logLines().empty()); // no project, no line
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
