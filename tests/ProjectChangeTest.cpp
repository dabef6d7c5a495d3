// Confirming the addon dialog changes the active project: the plug-in is loaded and run as the
// IDE runs it, on projects loaded from .cbp files, and the project is saved and read back.
// The general rules (depth first, once each, cycles, kept requirements, reports) are played at
// random against a model in ConfirmPropertyTest; these examples show specific ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include <unistd.h>

#include <wx/filename.h>

#include <cbproject.h>
#include <compiler.h>
#include <compilerfactory.h>
#include <projectmanager.h>

#include "ProjectAnalyzer.h"
#include "Shared.h"
#include "SdkTest.h"

namespace
{
using Lines = std::vector<wxString>;
using fixture::Install;

// The addons that the "Add addon: " lines of the log name, in order.
Names addedAddons() { return harness::logLinesAfter(_T("Add addon: ")); }

// alpha requires beta.
const Install alpha_install{{_T("../../../addons/alpha/src/a1.cpp"), _T("../../../addons/alpha/src/a1.h")},
                            {_T("../../../addons/alpha/src")}, {_T("-lalpha1"), _T("-lalpha2")}, {_T("beta")}};

// One confirm in a tree of its own: the addons there, the project before, what is ticked and
// unticked and how the build-target questions are answered, in turn; then the addons that the
// log says were added, in order, and the project as saved (both as readProject gives them).
struct Example
{
    const char* behaviour;
    std::vector<std::pair<wxString, Install>> addons;
    fixture::SavedProject before;
    Names tick, untick, added;
    fixture::SavedProject after;
    int targets = 1;
    std::vector<std::vector<int>> answers{};
    Lines report{}; // checked when given
};

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

    static void confirm(const Names& tick, const Names& untick = {}, std::function<void()> inDialog = nullptr)
    {
        EXPECT_EQ(run::confirm(tick, untick, std::move(inDialog)), 0);
    }

    // Saves the active project and reads the file back.
    fixture::SavedProject saved()
    {
        cbProject* project = Manager::Get()->GetProjectManager()->GetActiveProject();
        EXPECT_TRUE(project && project->Save());
        return fixture::readProject(cbp());
    }

    void play(const Example& example)
    {
        fixture::closeProjects();
        wxFileName::Rmdir(tree / _T("addons"), wxPATH_RMDIR_RECURSIVE);
        for (const auto& [name, install] : example.addons)
            addon(name, install);
        ASSERT_NE(fixture::openProject(cbp(), example.before, example.targets), nullptr);
        harness::clearLog();
        harness::setTargetAnswer([&example, asked = size_t(0)](cbProject*) mutable {
            wxArrayInt answer;
            if (asked < example.answers.size())
                for (const int target : example.answers[asked])
                    answer.Add(target);
            ++asked;
            return answer;
        });

        confirm(example.tick, example.untick);

        EXPECT_EQ(addedAddons(), example.added);
        EXPECT_EQ(harness::treeRebuilds(), 1);
        EXPECT_EQ(harness::targetQuestions(), static_cast<int>(example.answers.size()));
        EXPECT_TRUE(example.report.empty() || run::report() == example.report) << fixture::utf8(joined(run::report()));
        const fixture::SavedProject file = saved();
        EXPECT_EQ(file.units, example.after.units);
        EXPECT_EQ(file.link_options, example.after.link_options);
        EXPECT_EQ(file.include_dirs, example.after.include_dirs);
    }
};

} // namespace

TEST_F(ProjectChangeTest, ConfirmingAddsTheTickedAndRemovesTheUntickedAddons)
{
    // alpha requires beta; the IDE asks for the targets once for each of them.
    const Install asked_alpha{
        {_T("../../../addons/alpha/a1.cpp"), _T("../../../addons/alpha/a2.cpp"), _T("../../../addons/alpha/a3.cpp")},
        {_T("../../../addons/alpha")}, {_T("-la")}, {_T("beta")}};
    const Install asked_beta{{_T("../../../addons/beta/b1.cpp"), _T("../../../addons/beta/b2.cpp")}, {}, {}, {}};
    const Example examples[] = {
        // The IDE stores a project file relative to the project, with a folder-and-back inside
        // the path taken out: the absolute one as ../../../addons/odd/abs.cpp and up.cpp without
        // the "odd/..", the others exactly as the install file gives them.
        {"PathsAreHandedOverAsWritten",
         {{_T("odd"), {{_T("../../../addons/odd/with space/x y.cpp"), _T("../../../addons/odd/ünï/çà.cpp"),
                        _T("../../../addons/odd/../odd/up.cpp"), tree / _T("addons/odd/abs.cpp")},
                       {_T("../../../addons/odd/with space"), _T("/opt/ünï")}, {_T("-L/opt/ünï dir")}, {}}}},
         {{_T("main.cpp")}, {}, {}},
         {_T("odd")}, {}, {_T("odd")},
         {{_T("../../../addons/odd/abs.cpp"), _T("../../../addons/odd/up.cpp"),
           _T("../../../addons/odd/with space/x y.cpp"), _T("../../../addons/odd/ünï/çà.cpp"), _T("main.cpp")},
          {_T("-L/opt/ünï dir")}, {_T("../../../addons/odd/with space"), _T("/opt/ünï")}}},
        // alpha goes to the second target only, beta to the first and third.
        {"WithSeveralTargetsTheUserIsAskedOncePerAddon",
         {{_T("alpha"), asked_alpha}, {_T("beta"), asked_beta}},
         {{_T("main.cpp")}, {}, {}},
         {_T("alpha")}, {}, {_T("alpha"), _T("beta")},
         {{_T("../../../addons/alpha/a1.cpp @Target1"), _T("../../../addons/alpha/a2.cpp @Target1"),
           _T("../../../addons/alpha/a3.cpp @Target1"), _T("../../../addons/beta/b1.cpp @Release @Target2"),
           _T("../../../addons/beta/b2.cpp @Release @Target2"), _T("main.cpp")},
          {_T("-la")}, {_T("../../../addons/alpha")}}, 3, {{1}, {0, 2}}},
        {"DecliningTheTargetQuestionSkipsThatAddonsFilesWithoutAskingAgain",
         {{_T("alpha"), asked_alpha}, {_T("beta"), asked_beta}},
         {{_T("main.cpp")}, {}, {}},
         {_T("alpha")}, {}, {_T("alpha"), _T("beta")},
         {{_T("../../../addons/beta/b1.cpp @Release"), _T("../../../addons/beta/b2.cpp @Release"), _T("main.cpp")},
          {_T("-la")}, {_T("../../../addons/alpha")}}, 2, {{}, {0}},
         {_T("Added to ex1: alpha, beta (2 files, 1 link options, 1 include directories)"),
          _T("Not on disk in beta: ../../../addons/beta/b1.cpp, ../../../addons/beta/b2.cpp"),
          _T("No target for alpha: its files were not added")}},
        // Paths listed in another spelling of a stored name find it; Src/a.cpp differs in case
        // and lib/c.cpp is not listed: both stay.
        {"UntickingRemovesTheListedFilesInAnySpellingAndNoOther",
         {{_T("alpha"), {{_T("../../../addons/alpha/src/a.cpp"), _T("../../../addons/alpha//src/b.cpp"),
                          _T("../../../addons/alpha/src/notInProject.cpp"), _T("./../../../addons/alpha/c.cpp"),
                          _T("../../../addons/alpha/lib/../src/d.cpp")},
                         {}, {}, {}}}},
         {{_T("main.cpp"), _T("../../../addons/alpha/src/a.cpp"), _T("../../../addons/alpha/lib/c.cpp"),
           _T("../../../addons/alpha/src/b.cpp"), _T("../../../addons/alpha/Src/a.cpp"),
           _T("../../../addons/alpha/c.cpp"), _T("../../../addons/alpha/src/d.cpp")}, {}, {}},
         {}, {_T("alpha")}, {},
         {{_T("../../../addons/alpha/Src/a.cpp"), _T("../../../addons/alpha/lib/c.cpp"), _T("main.cpp")}, {}, {}}},
    };
    for (const Example& example : examples)
    {
        SCOPED_TRACE(example.behaviour);
        play(example);
    }
}

TEST_F(ProjectChangeTest, AnUnreadableInstallFileAddsNothingAndTheOthersGoOn)
{
    addon(_T("alpha"), alpha_install);
    fixture::writeFile(tree / _T("addons/broken/install.xml"), "<install><add><src>");
    fixture::writeFile(tree / _T("addons/empty/install.xml"), "");
    addon(_T("gone"), {{_T("gone.cpp")}, {_T("gone")}, {_T("-lgone")}, {}});
    addon(_T("beta"), {{_T("../../../addons/beta/b.cpp")}, {}, {_T("-lb")}, {}});
    ASSERT_NE(open({_T("main.cpp")}), nullptr);

    // alpha requires beta, which the dialog lists; "gone" loses its install file while the dialog is open, after the
    // dialog read it. Each is read once at OK, and the unreadable ones are neither named as added nor silent.
    confirm({_T("broken"), _T("empty"), _T("gone"), _T("alpha")}, {},
            [this] { wxRemoveFile(tree / _T("addons/gone/install.xml")); });
    EXPECT_EQ(addedAddons().size(), 5u);
    EXPECT_EQ(harness::logLinesAfter(_T("Cannot load xml file.")).size(), 3u);
    Lines report = run::report(); // in the order the folder's listing gives
    std::sort(report.begin(), report.end());
    EXPECT_EQ(report, (Lines{_T("Added to ex1: alpha, beta (3 files, 3 link options, 1 include directories)"),
                             _T("Not added broken: its install file cannot be read"),
                             _T("Not added empty: its install file cannot be read"),
                             _T("Not added gone: its install file cannot be read"),
                             _T("Not on disk in alpha: ../../../addons/alpha/src/a1.cpp, ")
                             _T("../../../addons/alpha/src/a1.h"),
                             _T("Not on disk in beta: ../../../addons/beta/b.cpp")}));
    const fixture::SavedProject file = saved();
    EXPECT_EQ(file.units, (Lines{_T("../../../addons/alpha/src/a1.cpp"), _T("../../../addons/alpha/src/a1.h"),
                                 _T("../../../addons/beta/b.cpp"), _T("main.cpp")}));
    EXPECT_EQ(file.link_options, (Lines{_T("-lalpha1"), _T("-lalpha2"), _T("-lb")}));
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
    EXPECT_TRUE(run::report().empty());
    EXPECT_EQ(project->GetFilesCount(), 2);
    EXPECT_EQ(harness::treeRebuilds(), 1);
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
        // The factory's only compiler for this round, owned by the factory, which makes it the
        // default that every project then built reads. Removing that one compiler would leave
        // the default pointing at it once deleted: unregistering them all forgets it too.
        CompilerFactory::RegisterCompiler(new GeneratingCompiler(c.pattern));
        const std::shared_ptr<void> unregister(nullptr, [](void*) { CompilerFactory::UnregisterCompilers(); });
        confirm({_T("gen")});
        const ProjectFile* added = project->GetFileByFilename(source);
        ASSERT_NE(added, nullptr);
        ASSERT_EQ(added->generatedFiles.size(), 1u);
        ASSERT_EQ(added->generatedFiles[0]->relativeFilename, c.generated);
        ASSERT_EQ(project->GetFile(0) == added, c.source_first);

        confirm({}, {_T("gen")});

        EXPECT_EQ(saved().units, (Lines{_T("main.cpp")}));
        fixture::closeProjects();
    }
}

// The linker reads static archives once, left to right: an archive must come before the ones it
// calls into. Adding net, which requires base, and media, whose archives are listed in the order
// they call each other, must give link options the linker can use.
TEST_F(ProjectChangeTest, AProjectWithAddonsWhoseArchivesCallEachOtherStillLinks)
{
    const std::pair<const char*, const char*> archives[] = {
        {"base", "int base() { return 40; }"}, {"net", "int base(); int net() { return base() + 2; }"},
        {"codec", "int codec() { return 21; }"}, {"media", "int codec(); int media() { return codec() * 2; }"}};
    const wxString lib = tree / _T("libs/");
    for (const auto& [archive, source] : archives)
    {
        const wxString name = wxString::FromUTF8(archive);
        ASSERT_TRUE(fixture::writeFile(lib + name + _T(".cpp"), source));
        const wxString build = _T("cd '") + lib + _T("' && c++ -c ") + name + _T(".cpp && ar rcs lib") +
                               name + _T(".a ") + name + _T(".o");
        ASSERT_EQ(std::system(build.utf8_str()), 0) << build;
    }
    addon(_T("base"), {{_T("../../../addons/base/base.h")}, {_T("../../../addons/base")}, {_T("../../../libs/libbase.a")}, {}});
    addon(_T("net"), {{_T("../../../addons/net/net.h")}, {_T("../../../addons/net")}, {_T("../../../libs/libnet.a")}, {_T("base")}});
    addon(_T("media"), {{}, {}, {_T("../../../libs/libmedia.a"), _T("../../../libs/libcodec.a")}, {}});
    ASSERT_TRUE(fixture::writeFile(tree / _T("addons/net/net.h"), "int net();\n"));
    ASSERT_TRUE(fixture::writeFile(tree / _T("addons/base/base.h"), "int base();\n"));
    ASSERT_TRUE(fixture::writeFile(tree / _T("apps/demos/ex1/main.cpp"),
                                   "#include <cstdio>\n#include \"net.h\"\nint media();\n"
                                   "int main() { std::printf(\"%d %d\\n\", net(), media()); }\n"));
    ASSERT_NE(open({_T("main.cpp")}), nullptr);

    confirm({_T("net"), _T("media")});

    // Built as the saved project says: its sources, include directories and link options in order.
    const fixture::SavedProject file = saved();
    wxString command = _T("cd '") + tree / _T("apps/demos/ex1") + _T("' && c++ -o prog");
    for (const wxString& unit : file.units)
        if (unit.EndsWith(_T(".cpp")))
            command << _T(" '") << unit << _T("'");
    for (const wxString& dir : file.include_dirs)
        command << _T(" -I'") << dir << _T("'");
    for (const wxString& option : file.link_options)
        command << _T(" '") << option << _T("'");
    command << _T(" && ./prog > out.txt");
    ASSERT_EQ(std::system(command.utf8_str()), 0) << command;
    EXPECT_EQ(fixture::readFile(tree / _T("apps/demos/ex1/out.txt")), "42 42\n");
}

// The IDE stores the files of an addon reached through a link by the link's target, where no
// folder is named for the addon: the addon is still in use, and unticking it takes them out.
TEST_F(ProjectChangeTest, ALinkedAddonInUseIsTickedAndUntickingRemovesItsFiles)
{
    fixture::writeInstall(tree / _T("shared-addons"), _T("foo"),
                          {{_T("../../../addons/foo/src/foo.cpp"), _T("./../../../addons/foo/src/foo.h")}, {}, {}, {}});
    ASSERT_EQ(symlink("../shared-addons/foo", (tree / _T("addons/foo")).utf8_str()), 0);
    for (const char* file : {"foo.cpp", "foo.h"})
        ASSERT_TRUE(fixture::writeFile(tree / _T("shared-addons/foo/src/") + file));
    ASSERT_NE(open({_T("main.cpp")}), nullptr);

    confirm({_T("foo")});
    // As the IDE stores them: one by the link's target, the other, spelt with "./", not.
    EXPECT_EQ(saved().units, (Lines{_T("../../../addons/foo/src/foo.h"),
                                          _T("../../../shared-addons/foo/src/foo.cpp"), _T("main.cpp")}));
    harness::clearLog();

    // Only an addon ticked when the dialog opens can be unticked.
    confirm({}, {_T("foo")});
    EXPECT_EQ(run::report(), (Lines{_T("Removed from ex1: foo (2 files)")}));
    EXPECT_EQ(saved().units, (Lines{_T("main.cpp")}));
}

// A project of 10000 files is analysed in full; one of more is not, so none of the addons it uses is ticked: the dialog
// says why as it opens, and the report after OK.
TEST_F(ProjectChangeTest, AProjectTooLargeToAnalyseSaysSoBeforeAndAfterOk)
{
    addon(_T("alpha"), {{}, {}, {_T("-la")}, {}});
    std::vector<wxString> units{_T("../../../addons/alpha/a.cpp")};
    for (int i = 1; i < 10000; ++i)
        units.push_back(wxString::Format(_T("src/f%05d.cpp"), i));
    const wxString too_large = _T("This project has more than 10000 files: the addons it uses are not ticked");
    for (const bool over : {false, true})
    {
        fixture::closeProjects();
        if (over)
            units.push_back(_T("src/f10000.cpp"));
        cbProject* project = open(units);
        ASSERT_NE(project, nullptr);
        ProjectAnalyzer analyzer;
        analyzer.analyze(project);
        EXPECT_EQ(namesOf(analyzer.getUsedAddons()), over ? Names() : Names{_T("alpha")});
        Names ticked;
        wxString at_opening;
        EXPECT_EQ(run::command([&](wxDialog* dialog) {
                      ticked = controls::ticked(dialog);
                      at_opening = controls::changePreview(dialog);
                      controls::tick(dialog, _T("alpha"));
                  }),
                  0);
        EXPECT_EQ(ticked, over ? Names() : Names{_T("alpha")});
        EXPECT_EQ(at_opening, over ? too_large : wxString(_T("OK changes nothing")));
        const Lines added{_T("Added to ex1: alpha (0 files, 1 link options, 0 include directories)"), too_large};
        EXPECT_EQ(run::report(), over ? added : Lines());
    }
}
