// Confirming the addon dialog changes the active project: the plug-in is loaded and run as the
// IDE runs it, on projects loaded from .cbp files, and the project is saved and read back.
// The general rules (depth first, once each, cycles, kept requirements, reports) are played at
// random against a model in ConfirmPropertyTest; these examples show specific ones.
#include <gtest/gtest.h>

#include <algorithm>

#include <wx/filename.h>

#include <cbproject.h>
#include <compiler.h>
#include <compilerfactory.h>
#include <projectmanager.h>

#include "AddonNames.h"
#include "SdkTest.h"

namespace
{
using Lines = std::vector<wxString>;
using fixture::Install;

// The "Add addon: " lines of the log, in order.
Lines addedAddons()
{
    Lines added;
    for (const wxString& line : harness::logLines())
        if (line.StartsWith(_T("Add addon: ")))
            added.push_back(line);
    return added;
}

Lines adds(const Names& names)
{
    Lines lines;
    for (const wxString& name : names)
        lines.push_back(_T("Add addon: ") + name);
    return lines;
}

size_t occurrences(const Lines& lines, const wxString& line)
{
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

const Install alpha_install{{_T("../../../addons/alpha/src/a1.cpp"), _T("../../../addons/alpha/src/a1.h")},
                            {_T("../../../addons/alpha/src")},
                            {_T("-lalpha1"), _T("-lalpha2")},
                            {_T("beta")}};
const Install beta_install{{_T("../../../addons/beta/src/b1.cpp")},
                           {_T("../../../addons/beta/src")},
                           {_T("-lbeta")},
                           {_T("delta")}};
const Install delta_install{{_T("../../../addons/delta/d1.cpp")}, {_T("../../../addons/delta")}, {_T("-ldelta")}, {}};

// The project's compiler, gcc, registered as the IDE's compiler plug-in registers it, with one
// tool as a user can configure it: it compiles .y sources and generates a file from each one.
// The harness loads that plug-in without attaching it, so no compiler is registered otherwise.
class GeneratingCompiler : public Compiler
{
public:
    explicit GeneratingCompiler(const wxString& generated)
        : Compiler(_T("GNU GCC Compiler"), _T("gcc"), _T("gcc"))
    {
        // The first tool is the one for every other extension.
        m_Commands[ctCompileObjectCmd].push_back(CompilerTool(_T("gcc -c $file -o $object")));
        m_Commands[ctCompileObjectCmd].push_back(CompilerTool(_T("bison -o $object $file"), _T("y"), generated));
    }
    AutoDetectResult AutoDetectInstallationDir() override { return adrGuessed; }

protected:
    Compiler* CreateCopy() override { return nullptr; }
};

// Registers it for one scope as the factory's only compiler; the factory owns it meanwhile and
// makes it the default, which every project then built reads. Removing that one compiler would
// leave the default pointing at it once deleted: unregistering them all forgets the default too.
class CompilerRegistration
{
public:
    explicit CompilerRegistration(Compiler* compiler) { CompilerFactory::RegisterCompiler(compiler); }
    ~CompilerRegistration() { CompilerFactory::UnregisterCompilers(); }
    CompilerRegistration(const CompilerRegistration&) = delete;
    CompilerRegistration& operator=(const CompilerRegistration&) = delete;
};

class ProjectChangeTest : public PluginSdkTest
{
protected:
    void SetUp() override
    {
        PluginSdkTest::SetUp();
        fixture::makeBriskenTree(tree.path(), {});
        cfg()->Write(_T("bk_dir"), tree.path(), false);
    }

    void addon(const wxString& name, const Install& install)
    {
        fixture::writeInstall(tree / _T("addons"), name, install);
    }

    // alpha requires beta, which requires delta.
    void addChain()
    {
        addon(_T("alpha"), alpha_install);
        addon(_T("beta"), beta_install);
        addon(_T("delta"), delta_install);
    }

    // A project three folders below the tree's base, as the toolkit's apps are.
    cbProject* open(const std::vector<wxString>& units, int targets = 1)
    {
        cbProject* project = fixture::openProject(cbp(), units, targets);
        harness::clearLog();
        return project;
    }
    wxString cbp() const { return tree / _T("apps/demos/ex1/ex1.cbp"); }

    static void confirm(const Names& tick, const Names& untick = {},
                        std::function<void()> inDialog = nullptr)
    {
        EXPECT_EQ(run::confirm(tick, untick, std::move(inDialog)), 0);
    }

    // Saves the active project and reads the file back.
    fixture::SavedProject saved()
    {
        cbProject* project = Manager::Get()->GetProjectManager()->GetActiveProject();
        EXPECT_NE(project, nullptr);
        if (project)
        {
            EXPECT_TRUE(project->Save());
        }
        return fixture::readProject(cbp());
    }
};

} // namespace

// --- Adding -----------------------------------------------------------------------------------

TEST_F(ProjectChangeTest, ATickedAddonBringsWhatItRequiresDepthFirst)
{
    addChain();
    cbProject* project = open({_T("main.cpp")});
    ASSERT_NE(project, nullptr);
    project->SetLinkerOptions(wxArrayString(1, _T("-lexisting")));

    confirm({_T("alpha")});

    EXPECT_EQ(addedAddons(), adds({_T("alpha"), _T("beta"), _T("delta")}));
    EXPECT_EQ(harness::treeRebuilds(), 1);
    const fixture::SavedProject file = saved();
    ASSERT_TRUE(file.read);
    EXPECT_EQ(file.unitNames(),
              (Lines{_T("../../../addons/alpha/src/a1.cpp"), _T("../../../addons/alpha/src/a1.h"),
                     _T("../../../addons/beta/src/b1.cpp"), _T("../../../addons/delta/d1.cpp"),
                     _T("main.cpp")}));
    // Each addon's libraries go in front, in reverse order; a required addon comes after the
    // addon that requires it, so its libraries end up further in front.
    EXPECT_EQ(file.link_options, (Lines{_T("-ldelta"), _T("-lbeta"), _T("-lalpha2"), _T("-lalpha1"),
                                        _T("-lexisting")}));
    EXPECT_EQ(file.include_dirs, (Lines{_T("../../../addons/alpha/src"), _T("../../../addons/beta/src"),
                                        _T("../../../addons/delta")}));
}

TEST_F(ProjectChangeTest, LibrariesTheProjectAlreadyLinksAreNotInsertedAgain)
{
    // One install file may list a library twice on purpose: that stays as written.
    addon(_T("alpha"), {{}, {_T("../../../addons/alpha/inc")}, {_T("-lz"), _T("-lnew"), _T("-lz2"), _T("-lz2")}, {}});
    cbProject* project = open({_T("main.cpp")});
    ASSERT_NE(project, nullptr);
    wxArrayString link_opts;
    link_opts.Add(_T("-lz"));
    link_opts.Add(_T("-O1"));
    project->SetLinkerOptions(link_opts);
    project->AddIncludeDir(_T("../../../addons/alpha/inc"));

    confirm({_T("alpha")});

    const fixture::SavedProject file = saved();
    EXPECT_EQ(file.link_options, (Lines{_T("-lz2"), _T("-lz2"), _T("-lnew"), _T("-lz"), _T("-O1")}));
    EXPECT_EQ(file.include_dirs, (Lines{_T("../../../addons/alpha/inc")}));
}

TEST_F(ProjectChangeTest, AnUnreadableInstallFileAddsNothingAndTheOthersGoOn)
{
    addon(_T("alpha"), alpha_install);
    fixture::writeFile(tree / _T("addons/broken/install.xml"), "<install><add><src>");
    fixture::writeFile(tree / _T("addons/empty/install.xml"), "");
    addon(_T("gone"), {{_T("gone.cpp")}, {_T("gone")}, {_T("-lgone")}, {}});
    addon(_T("beta"), {{_T("../../../addons/beta/b.cpp")}, {}, {_T("-lb")}, {}});
    ASSERT_NE(open({_T("main.cpp")}), nullptr);

    // alpha requires beta, which the dialog lists; "gone" loses its install file while the
    // dialog is open.
    confirm({_T("broken"), _T("empty"), _T("gone"), _T("alpha")}, {},
            [this] { wxRemoveFile(tree / _T("addons/gone/install.xml")); });

    const Lines added = addedAddons();
    EXPECT_EQ(added.size(), 5u);
    for (const wxString name : {_T("broken"), _T("empty"), _T("gone"), _T("alpha"), _T("beta")})
        EXPECT_EQ(occurrences(added, _T("Add addon: ") + wxString(name)), 1u) << name;
    EXPECT_EQ(occurrences(harness::logLines(), _T("Cannot load xml file.")), 3u);
    const fixture::SavedProject file = saved();
    EXPECT_EQ(file.unitNames(),
              (Lines{_T("../../../addons/alpha/src/a1.cpp"), _T("../../../addons/alpha/src/a1.h"),
                     _T("../../../addons/beta/b.cpp"), _T("main.cpp")}));
    EXPECT_EQ(file.link_options, (Lines{_T("-lb"), _T("-lalpha2"), _T("-lalpha1")}));
}

TEST_F(ProjectChangeTest, PathsAreHandedOverAsWritten)
{
    const wxString absolute = tree / _T("addons/odd/abs.cpp");
    addon(_T("odd"), {{_T("../../../addons/odd/with space/x y.cpp"), _T("../../../addons/odd/ünï/çà.cpp"),
                       _T("../../../addons/odd/../odd/up.cpp"), absolute},
                      {_T("../../../addons/odd/with space"), _T("/opt/ünï")},
                      {_T("-L/opt/ünï dir")},
                      {}});
    ASSERT_NE(open({_T("main.cpp")}), nullptr);

    confirm({_T("odd")});

    const fixture::SavedProject file = saved();
    // The IDE stores a project file relative to the project, with a folder-and-back inside
    // the path taken out: the absolute one as ../../../addons/odd/abs.cpp and up.cpp without
    // the "odd/..", the others exactly as the install file gives them.
    EXPECT_EQ(file.unitNames(),
              (Lines{_T("../../../addons/odd/abs.cpp"), _T("../../../addons/odd/up.cpp"),
                     _T("../../../addons/odd/with space/x y.cpp"), _T("../../../addons/odd/ünï/çà.cpp"),
                     _T("main.cpp")}));
    EXPECT_EQ(file.include_dirs, (Lines{_T("../../../addons/odd/with space"), _T("/opt/ünï")}));
    EXPECT_EQ(file.link_options, (Lines{_T("-L/opt/ünï dir")}));
}

TEST_F(ProjectChangeTest, WithoutAProjectNothingIsAddedAndTheTreeIsRebuilt)
{
    addon(_T("alpha"), alpha_install);
    ASSERT_EQ(Manager::Get()->GetProjectManager()->GetActiveProject(), nullptr);

    confirm({_T("alpha")});

    EXPECT_TRUE(addedAddons().empty());
    EXPECT_EQ(occurrences(harness::logLines(), _T("Start parsing install file")), 0u);
    EXPECT_EQ(harness::treeRebuilds(), 1);
}

TEST_F(ProjectChangeTest, ConfirmingWithoutChangeLeavesTheProjectUntouched)
{
    addon(_T("alpha"), {{_T("../../../addons/alpha/a.cpp")}, {_T("inc")}, {_T("-la")}, {}});
    cbProject* project = open({_T("../../../addons/alpha/a.cpp"), _T("main.cpp")});
    ASSERT_NE(project, nullptr);
    ASSERT_FALSE(project->GetModified());

    confirm({});

    EXPECT_TRUE(addedAddons().empty());
    EXPECT_FALSE(project->GetModified());
    const Lines log = harness::logLines();
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const wxString& line) { return line.StartsWith(_T("Info[")); }));
    EXPECT_EQ(project->GetFilesCount(), 2);
    EXPECT_EQ(harness::treeRebuilds(), 1);
}

// --- Several build targets ----------------------------------------------------------------

TEST_F(ProjectChangeTest, WithSeveralTargetsTheUserIsAskedOncePerAddon)
{
    addon(_T("alpha"), {{_T("../../../addons/alpha/a1.cpp"), _T("../../../addons/alpha/a2.cpp"),
                         _T("../../../addons/alpha/a3.cpp")},
                        {},
                        {},
                        {_T("beta")}});
    addon(_T("beta"), {{_T("../../../addons/beta/b1.cpp"), _T("../../../addons/beta/b2.cpp")}, {}, {}, {}});
    ASSERT_NE(open({_T("main.cpp")}, 3), nullptr);
    // alpha goes to the second target only, beta to the first and third.
    std::vector<wxArrayInt> answers(2);
    answers[0].Add(1);
    answers[1].Add(0);
    answers[1].Add(2);
    harness::setTargetAnswer([&answers](cbProject*) {
        const wxArrayInt answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });

    confirm({_T("alpha")});

    EXPECT_EQ(harness::targetQuestions(), 2);
    const fixture::SavedProject file = saved();
    ASSERT_EQ(file.units.size(), 6u);
    for (const fixture::SavedUnit& unit : file.units)
    {
        if (unit.filename.Contains(_T("/alpha/")))
        {
            EXPECT_EQ(unit.targets, (Lines{_T("Target1")})) << unit.filename;
        }
        else if (unit.filename.Contains(_T("/beta/")))
        {
            EXPECT_EQ(unit.targets, (Lines{_T("Release"), _T("Target2")})) << unit.filename;
        }
    }
}

TEST_F(ProjectChangeTest, DecliningTheTargetQuestionSkipsThatAddonsFilesWithoutAskingAgain)
{
    addon(_T("alpha"), {{_T("../../../addons/alpha/a1.cpp"), _T("../../../addons/alpha/a2.cpp"),
                         _T("../../../addons/alpha/a3.cpp")},
                        {_T("../../../addons/alpha")},
                        {_T("-la")},
                        {_T("beta")}});
    addon(_T("beta"), {{_T("../../../addons/beta/b1.cpp"), _T("../../../addons/beta/b2.cpp")}, {}, {}, {}});
    ASSERT_NE(open({_T("main.cpp")}, 2), nullptr);
    int asked = 0;
    harness::setTargetAnswer([&asked](cbProject*) {
        wxArrayInt answer;
        if (++asked > 1)
            answer.Add(0);
        return answer;
    });

    confirm({_T("alpha")});

    EXPECT_EQ(harness::targetQuestions(), 2);
    const fixture::SavedProject file = saved();
    EXPECT_EQ(file.unitNames(),
              (Lines{_T("../../../addons/beta/b1.cpp"), _T("../../../addons/beta/b2.cpp"), _T("main.cpp")}));
    EXPECT_EQ(file.link_options, (Lines{_T("-la")}));
    EXPECT_EQ(file.include_dirs, (Lines{_T("../../../addons/alpha")}));
}

// --- Removing -----------------------------------------------------------------------------

TEST_F(ProjectChangeTest, UntickingRemovesExactlyTheListedFilesAsStored)
{
    addon(_T("alpha"), {{_T("../../../addons/alpha/src/a.cpp"), _T("../../../addons/alpha/src/b.cpp"),
                         _T("../../../addons/alpha/src/notInProject.cpp"), _T("./../../../addons/alpha/c.cpp")},
                        {},
                        {},
                        {}});
    ASSERT_NE(open({_T("main.cpp"), _T("../../../addons/alpha/src/a.cpp"), _T("../../../addons/alpha/lib/c.cpp"),
                    _T("../../../addons/alpha/src/b.cpp"), _T("../../../addons/alpha/Src/a.cpp"),
                    _T("../../../addons/alpha/c.cpp")}),
              nullptr);

    confirm({}, {_T("alpha")});

    // Src/a.cpp differs in case and c.cpp is listed in another form: both stay.
    EXPECT_EQ(saved().unitNames(),
              (Lines{_T("../../../addons/alpha/Src/a.cpp"), _T("../../../addons/alpha/c.cpp"),
                     _T("../../../addons/alpha/lib/c.cpp"), _T("main.cpp")}));
    EXPECT_EQ(harness::treeRebuilds(), 1);
}

TEST_F(ProjectChangeTest, AddingRunsBeforeRemovingSoASharedFileEndsRemoved)
{
    addon(_T("gamma"), {{_T("../../../addons/gamma/g.cpp"), _T("../../../shared/common.cpp")}, {}, {}, {}});
    addon(_T("beta"), {{_T("../../../addons/beta/b.cpp"), _T("../../../shared/common.cpp")}, {}, {}, {}});
    ASSERT_NE(open({_T("../../../addons/beta/b.cpp"), _T("../../../shared/common.cpp"), _T("main.cpp")}), nullptr);

    confirm({_T("gamma")}, {_T("beta")});

    EXPECT_EQ(addedAddons(), adds({_T("gamma")}));
    EXPECT_EQ(saved().unitNames(), (Lines{_T("../../../addons/gamma/g.cpp"), _T("main.cpp")}));
}

TEST_F(ProjectChangeTest, UntickingASourceAndTheFileGeneratedFromItRemovesBothWhicheverSortsFirst)
{
    // The IDE removes a generated file with its source and deletes it: the removal of the
    // second listed name must not reach the deleted file.
    const wxString source = _T("../../../addons/gen/g.y");
    const struct
    {
        wxString pattern;
        wxString generated;
        bool source_first;
    } cases[] = {{_T("$file.c"), _T("../../../addons/gen/g.y.c"), true},
                 {_T("$file_dir/a_$file_name.c"), _T("../../../addons/gen/a_g.c"), false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.generated);
        addon(_T("gen"), {{source, c.generated}, {}, {}, {}});
        cbProject* project = open({_T("main.cpp")});
        ASSERT_NE(project, nullptr);
        ASSERT_EQ(CompilerFactory::GetCompilersCount(), 0u);
        const CompilerRegistration gcc(new GeneratingCompiler(c.pattern));
        confirm({_T("gen")});
        const ProjectFile* added = project->GetFileByFilename(source);
        ASSERT_NE(added, nullptr);
        ASSERT_EQ(added->generatedFiles.size(), 1u);
        ASSERT_EQ(added->generatedFiles[0]->relativeFilename, c.generated);
        ASSERT_EQ(project->GetFile(0) == added, c.source_first);

        confirm({}, {_T("gen")});

        EXPECT_EQ(saved().unitNames(), (Lines{_T("main.cpp")}));
        fixture::closeProjects();
    }
}
