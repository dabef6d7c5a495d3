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
        addons.push_back(AddonFile{name, wxString(), name + "/install.xml"});
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
            {"alpha", {{"beta"}, {}}},
            {"beta", {{"gamma"}, {}}},
            {"gamma", {{"alpha", ""}, {}}}, // a circle; an empty requires element
            {"video", {{"codec", "Gamma", "gamma"}, {}}},
            {"gui", {{"codec"}, {"../../../addons/gui/src/theme.cpp"}}},
            {"many", {{}, {"a.cpp", "b.cpp", "c.cpp", "d.cpp", "e.cpp"}}},
            {"osc", {{}, {}}}};
        ++reads[addon.name];
        auto install = std::make_shared<AddonInstall>();
        const auto& [required, absent] = tree.at(addon.name);
        install->readable = addon.name != "osc";
        for (const wxString& name : required)
            install->required_addons.Add(name);
        install->absent_files = absent;
        return install;
    }
};

const AddonFiles tree_addons = addonsNamed({"alpha", "beta", "gamma", "video", "gui", "many", "osc"});
wxString added(const char* sNames)
{
    return "Added to ex1: " + wxString(sNames) + " (5 files, 1 link options, 0 include directories)";
}
const wxString too_large = "his project has more than 10000 files: the addons it uses are not ticked";
} // namespace

TEST(SelectionTest, TicksAgainstUseAndTheOpeningSnapshot)
{
    const struct
    {
        const char* behaviour;
        Names ticked, listed, snapshot, used;
        Names newly_ticked, unticked, staying;
    } cases[] = {
        {"beta unticked, gamma ticked", {"alpha", "gamma"}, {"alpha", "beta", "gamma"}, {"alpha", "beta"},
         {"alpha", "beta"}, {"gamma"}, {"beta"}, {"alpha", "gamma"}},
        {"nothing changed", {"beta"}, {"alpha", "beta"}, {"beta"}, {"beta"}, {}, {}, {"beta"}},
        {"everything unticked", {}, {"alpha", "beta"}, {"beta", "alpha"}, {"alpha", "beta"}, {}, {"beta", "alpha"},
         {}},
        // Not listed (another location): never unticked, and it stays.
        {"a used addon the list does not show", {"Beta"}, {"Beta"}, {"beta"}, {"beta"}, {"Beta"}, {}, {"Beta", "beta"}},
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
        wxString preview;
        Lines report;
        Applied applied = {5, 1, 0, 2, {}};
        bool too_large = false;
    } cases[] = {
        {"nothing to do", {}, {}, {"alpha"}, "OK changes nothing", {}},
        {"requirements depth first, each once, a circle ends", {"alpha", "gamma"}, {}, {}, "OK adds alpha, beta, gamma",
         {added("alpha, beta, gamma")}},
        {"a requirement the tree lacks, an unreadable install file, a case twin", {"video", "gui", "osc"}, {}, {},
         "OK adds video, gamma, alpha, beta, gui; missing codec (video requires it), Gamma (video requires it); "
         "cannot add osc; not on disk: 1 file of gui",
         {added("video, gamma, alpha, beta, gui"), "Missing codec: video requires it",
          "Missing Gamma: video requires it", "Not added osc: its install file cannot be read",
          "Not on disk in gui: ../../../addons/gui/src/theme.cpp"}},
        {"only an unreadable addon", {"osc"}, {}, {}, "OK changes nothing; cannot add osc",
         {"Not added osc: its install file cannot be read"}},
        {"more files not on disk than are named", {"many"}, {}, {}, "OK adds many; not on disk: 5 files of many",
         {added("many"), "Not on disk in many: a.cpp, b.cpp, c.cpp and 2 more"}},
        {"no build target chosen", {"gui", "many"}, {}, {},
         "OK adds gui, many; missing codec (gui requires it); not on disk: 1 file of gui, 5 files of many",
         {added("gui, many"), "Missing codec: gui requires it", "Not on disk in gui: ../../../addons/gui/src/theme.cpp",
          "No target for many: its files were not added"},
         {5, 1, 0, 2, {"many"}}},
        {"an unticked addon that a staying one requires is kept", {}, {"beta", "many"}, {"alpha", "beta", "many"},
         "OK keeps beta (alpha requires it); removes many",
         {"Kept beta: alpha requires it", "Removed from ex1: many (2 files)"}},
        {"a project too large to analyse", {}, {}, {}, "T" + too_large, {"T" + too_large}, {}, true},
        {"and something added to it", {"beta"}, {}, {}, "OK adds beta, gamma, alpha; t" + too_large,
         {added("beta, gamma, alpha"), "T" + too_large}, {5, 1, 0, 2, {}}, true},
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
        EXPECT_EQ(reportOf(plan, c.applied, "ex1"), c.report);
        for (const auto& [name, reads] : tree.reads)
            EXPECT_EQ(reads, 1) << name;
    }
    const ChangePlan no_project(false);
    EXPECT_EQ(previewOf(no_project), "No active project: OK changes nothing");
    EXPECT_EQ(reportOf(no_project, {}, {}), (Lines{"No active project: nothing was changed."}));
}

TEST(PlanTest, TheReaderLooksForListedFilesBesideTheProjectAndReadsQuietlyOnce)
{
    const fixture::TempDir dir;
    dir.write("app/here.cpp", "");
    dir.write("lib/there.cpp", "");
    std::string xml = "<install><add><src><folder name=\"src\">";
    for (const wxString& file : {wxString("here.cpp"), wxString("gone.cpp"), wxString("../lib/there.cpp"),
                                 wxString("gone.cpp"), dir / "lib/there.cpp", dir / "lib"})
        xml += "<file>" + fixture::utf8(file) + "</file>";
    const wxString install_file = dir.write("addons/a/install.xml", xml + "</folder></src></add></install>");
    InstallReader reader(dir / "app");
    const AddonFile addon{"a", wxString(), install_file};
    const InstallRef read = reader.read(addon, false);
    EXPECT_TRUE(read->readable);
    EXPECT_EQ(read->absent_files, (Names{"gone.cpp", dir / "lib"}));
    EXPECT_EQ(reader.read(addon, false), read);
    EXPECT_NE(reader.read(addon, true), read);
    EXPECT_FALSE(reader.read(AddonFile{"b", wxString(), dir / "addons/b/install.xml"}, false)->readable);
}
