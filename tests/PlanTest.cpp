// What confirming decides and says, without the IDE or a display: the selection sets, the plan
// over a tree of install files given as data, and the words of the dialog's line and the report
// made from it; then the reader that gives a plan the install files on disk.
#include <gtest/gtest.h>

#include <map>

#include "ChangePlanner.h"
#include "TempFiles.h"

namespace
{
using Lines = std::vector<wxString>;

AddonFiles addonsNamed(const Names& oNames)
{
    AddonFiles addons;
    for (const wxString& name : oNames)
        addons.push_back(AddonFile{name, wxString(), name + _T("/install.xml")});
    return addons;
}

// A tree given as install files: what each requires and which listed files are not on disk;
// osc's cannot be read. Each read is counted.
struct Tree
{
    std::map<wxString, int> reads;
    InstallRef operator()(const AddonFile& addon)
    {
        static const std::map<wxString, std::pair<Lines, Names>> tree{
            {_T("alpha"), {{_T("beta")}, {}}},
            {_T("beta"), {{_T("gamma")}, {}}},
            {_T("gamma"), {{_T("alpha"), _T("")}, {}}}, // a circle; an empty requires element
            {_T("video"), {{_T("codec"), _T("Gamma"), _T("gamma")}, {}}},
            {_T("gui"), {{_T("codec")}, {_T("../../../addons/gui/src/theme.cpp")}}},
            {_T("many"), {{}, {_T("a.cpp"), _T("b.cpp"), _T("c.cpp"), _T("d.cpp"), _T("e.cpp")}}},
            {_T("osc"), {{_T("alpha")}, {}}}};
        ++reads[addon.name];
        auto install = std::make_shared<AddonInstall>();
        const auto& [required, absent] = tree.at(addon.name);
        install->readable = addon.name != _T("osc");
        for (const wxString& name : install->readable ? required : Lines())
            install->required_addons.Add(name);
        install->absent_files = absent;
        return install;
    }
};

const AddonFiles tree_addons = addonsNamed({_T("alpha"), _T("beta"), _T("gamma"), _T("video"), _T("gui"),
                                            _T("many"), _T("osc")});
} // namespace

TEST(SelectionTest, TicksAgainstUseAndTheOpeningSnapshot)
{
    const struct
    {
        const char* behaviour;
        Names ticked, listed, snapshot, used;
        Names newly_ticked, unticked, staying;
    } cases[] = {
        {"beta unticked, gamma ticked", {_T("alpha"), _T("gamma")}, {_T("alpha"), _T("beta"), _T("gamma")},
         {_T("alpha"), _T("beta")}, {_T("alpha"), _T("beta")}, {_T("gamma")}, {_T("beta")}, {_T("alpha"), _T("gamma")}},
        {"nothing changed", {_T("beta")}, {_T("alpha"), _T("beta")}, {_T("beta")}, {_T("beta")}, {}, {}, {_T("beta")}},
        {"everything unticked", {}, {_T("alpha"), _T("beta")}, {_T("beta"), _T("alpha")}, {_T("alpha"), _T("beta")},
         {}, {_T("beta"), _T("alpha")}, {}},
        // Not listed (another location): never unticked, and it stays.
        {"a used addon the list does not show", {_T("Beta")}, {_T("Beta")}, {_T("beta")}, {_T("beta")},
         {_T("Beta")}, {}, {_T("Beta"), _T("beta")}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.behaviour);
        const Selection got = selectionOf(addonsNamed(c.ticked), addonsNamed(c.listed), addonsNamed(c.snapshot),
                                          addonsNamed(c.used));
        EXPECT_EQ(namesOf(got.newly_ticked), c.newly_ticked);
        EXPECT_EQ(namesOf(got.unticked), c.unticked);
        EXPECT_EQ(namesOf(got.staying), c.staying);
    }
}

TEST(PlanTest, ThePreviewAndTheReportSayWhatOkDoesAndWhatCannotWork)
{
    const struct
    {
        const char* behaviour;
        Names ticked, unticked, used;
        const wxChar* preview;
        Lines report;
        Applied applied = {5, 1, 0, 2, {}};
        bool too_large = false;
    } cases[] = {
        {"nothing to do", {}, {}, {_T("alpha")}, _T("OK changes nothing"), {}},
        {"requirements depth first, each once, a circle ends", {_T("alpha"), _T("gamma")}, {}, {},
         _T("OK adds alpha, beta, gamma"),
         {_T("Added to ex1: alpha, beta, gamma (5 files, 1 link options, 0 include directories)")}},
        {"a requirement the tree lacks, an unreadable install file, a case twin", {_T("video"), _T("gui"), _T("osc")},
         {}, {}, _T("OK adds video, gamma, alpha, beta, gui; missing codec (video requires it), Gamma (video requires it); ")
                 _T("cannot add osc; not on disk: 1 file of gui"),
         {_T("Added to ex1: video, gamma, alpha, beta, gui (5 files, 1 link options, 0 include directories)"),
          _T("Missing codec: video requires it"), _T("Missing Gamma: video requires it"),
          _T("Not added osc: its install file cannot be read"),
          _T("Not on disk in gui: ../../../addons/gui/src/theme.cpp")}},
        {"only an unreadable addon", {_T("osc")}, {}, {}, _T("OK changes nothing; cannot add osc"),
         {_T("Not added osc: its install file cannot be read")}},
        {"more files not on disk than are named", {_T("many")}, {}, {}, _T("OK adds many; not on disk: 5 files of many"),
         {_T("Added to ex1: many (5 files, 1 link options, 0 include directories)"),
          _T("Not on disk in many: a.cpp, b.cpp, c.cpp and 2 more")}},
        {"no build target chosen", {_T("gui"), _T("many")}, {}, {}, _T("OK adds gui, many; missing codec (gui requires it); ")
                                                                   _T("not on disk: 1 file of gui, 5 files of many"),
         {_T("Added to ex1: gui, many (5 files, 1 link options, 0 include directories)"),
          _T("Missing codec: gui requires it"), _T("Not on disk in gui: ../../../addons/gui/src/theme.cpp"),
          _T("No target for many: its files were not added")},
         {5, 1, 0, 2, {_T("many")}}},
        {"an unticked addon that a staying one requires is kept", {}, {_T("beta"), _T("many")}, {_T("alpha"), _T("beta"), _T("many")},
         _T("OK keeps beta (alpha requires it); removes many"),
         {_T("Kept beta: alpha requires it"), _T("Removed from ex1: many (2 files)")}},
        {"a project too large to analyse", {}, {}, {},
         _T("This project has more than 10000 files: the addons it uses are not ticked"),
         {_T("This project has more than 10000 files: the addons it uses are not ticked")}, {}, true},
        {"and something added to it", {_T("beta")}, {}, {},
         _T("OK adds beta, gamma, alpha; this project has more than 10000 files: the addons it uses are not ticked"),
         {_T("Added to ex1: beta, gamma, alpha (5 files, 1 link options, 0 include directories)"),
          _T("This project has more than 10000 files: the addons it uses are not ticked")}, {5, 1, 0, 2, {}}, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.behaviour);
        Tree tree;
        const Selection selection = selectionOf(addonsNamed(c.ticked), tree_addons, addonsNamed(c.unticked),
                                                addonsNamed(c.used));
        ChangePlan plan = planChange(selection, tree_addons, std::ref(tree), std::ref(tree));
        plan.project_too_large = c.too_large;
        EXPECT_EQ(previewOf(plan), c.preview);
        EXPECT_EQ(reportOf(plan, c.applied, _T("ex1")), c.report);
        for (const auto& [name, reads] : tree.reads)
            EXPECT_EQ(reads, 1) << name;
    }
    const ChangePlan no_project(false);
    EXPECT_EQ(previewOf(no_project), _T("No active project: OK changes nothing"));
    EXPECT_EQ(reportOf(no_project, {}, {}), (Lines{_T("No active project: nothing was changed.")}));
}

TEST(PlanTest, TheReaderLooksForListedFilesBesideTheProjectAndReadsQuietlyOnce)
{
    const fixture::TempDir dir;
    dir.write(_T("app/here.cpp"), "");
    dir.write(_T("lib/there.cpp"), "");
    const wxString listed[] = {_T("here.cpp"), _T("gone.cpp"), _T("../lib/there.cpp"), _T("gone.cpp"),
                               dir / _T("lib/there.cpp"), dir / _T("lib")};
    std::string xml = "<install><add><src><folder name=\"src\">";
    for (const wxString& file : listed)
        xml += "<file>" + fixture::utf8(file) + "</file>";
    const wxString install_file = dir.write(_T("addons/a/install.xml"), xml + "</folder></src></add></install>");
    InstallReader reader(dir / _T("app"));
    const AddonFile addon{_T("a"), wxString(), install_file};
    const InstallRef read = reader.read(addon, false);
    EXPECT_TRUE(read->readable);
    EXPECT_EQ(read->absent_files, (Names{_T("gone.cpp"), dir / _T("lib")}));
    EXPECT_EQ(reader.read(addon, false), read);
    EXPECT_NE(reader.read(addon, true), read);
    EXPECT_FALSE(reader.read(AddonFile{_T("b"), wxString(), dir / _T("addons/b/install.xml")}, false)->readable);
}
