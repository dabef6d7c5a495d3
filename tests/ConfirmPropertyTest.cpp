// Random Brisken trees, projects and dialog rounds, played through the real plug-in in the IDE's
// real managers, against a model of what each confirm must leave in the project and the log.
// Seeds 1 to 60 by default (BRISKEN_PROPERTY_SEEDS=K: 1 to K); BRISKEN_PROPERTY_SECONDS=N
// plays new seeds for N seconds of CPU from BRISKEN_PROPERTY_SEED (default 1000).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <wx/dialog.h>

#include <cbproject.h>
#include <projectmanager.h>

#include "DialogControls.h"
#include "SdkTest.h"
#include "property/ConfirmModel.h"
#include "property/Generator.h"

namespace
{
using Strings = std::vector<std::string>;
using fixture::utf8;

using fixture::wide;

// The first difference, if any, as "what: got … expected …".
void compare(std::optional<std::string>& mismatch, const char* what, const Strings& got, const Strings& expected)
{
    if (!mismatch && got != expected)
        mismatch = std::string(what) + ":\n    got      [" + model::join(got, " | ") + "]\n    expected [" +
                   model::join(expected, " | ") + "]";
}

// How often the rounds played so far did each kind of thing, and the sequences held each case the generator makes: a
// kind never reached would leave its rule untested.
std::map<std::string, int> reach;
const char* const reach_kinds[] = {
    "adding", "keeping", "removing", "closing", "picking a tree", "missing a requirement", "an unreadable install file",
    "files not on disk", "an addon requiring itself", "a file two addons list", "a library filtered out",
    "another spelling of a path", "a name beyond ASCII"};

void countCases(const model::Sequence& sequence)
{
    std::map<std::string, int> listed;
    for (const model::Tree& tree : sequence.trees)
        for (const model::Addon& addon : tree.addons)
        {
            reach["an addon requiring itself"] += static_cast<int>(
                std::count(addon.requires_addons.begin(), addon.requires_addons.end(), addon.name));
            const auto beyond_ascii = [](char c) { return (c & 0x80) != 0; };
            reach["a name beyond ASCII"] += std::any_of(addon.name.begin(), addon.name.end(), beyond_ascii);
            for (const std::string& file : addon.files)
            {
                ++listed[file];
                const auto has = [&file](const char* part) { return file.find(part) != std::string::npos; };
                reach["another spelling of a path"] += file.rfind("./", 0) == 0 || has("//") || has("/./") ||
                                                       has("/../src/");
            }
            for (const model::Entry& lib : addon.libs)
                reach["a library filtered out"] += (lib.os && *lib.os != "linux") || !lib.compiler ||
                                                   lib.compiler->find("codeblocks") == std::string::npos;
        }
    for (const auto& [file, addons] : listed)
        reach["a file two addons list"] += addons > 1;
}

// Plays `sequence` in the IDE and returns the first difference from the model, with its round.
std::optional<std::string> play(const model::Sequence& sequence)
{
    fixture::TempDir root;
    const wxString project_dir = root / _T("A/apps/demos/ex1");
    const auto treePath = [&](std::size_t t) {
        return wide(model::resolve(utf8(project_dir), sequence.trees[t].dir));
    };
    for (std::size_t t = 0; t < sequence.trees.size(); ++t)
    {
        fixture::makeBriskenTree(treePath(t), {});
        for (const model::Addon& addon : sequence.trees[t].addons)
        {
            fixture::writeFile(treePath(t) + _T("/addons/") + wide(addon.name) + _T("/install.xml"),
                               addon.broken ? std::string("<install><add>") : fixture::installXml(addon));
            // The folders a listed path steps through exist, whether or not its file does.
            for (const std::string& file : addon.files)
                fixture::makeDir(wide(model::resolve(utf8(project_dir), file.substr(0, file.rfind('/')))));
        }
    }
    for (const std::string& file : sequence.on_disk)
        fixture::writeFile(wide(model::resolve(utf8(project_dir), file)));
    const wxString cbp = project_dir + _T("/ex1.cbp");
    cbProject* project = fixture::openProject(cbp, {wide(sequence.start.units), wide(sequence.start.link_options),
                                                    wide(sequence.start.include_dirs)});
    if (!project)
        return std::string("the starting project did not open");
    Manager::Get()->GetConfigManager(_T("brisken"))->Write(_T("bk_dir"), treePath(0), false);

    model::World world(sequence.trees, sequence.start, utf8(project_dir), sequence.on_disk);
    std::optional<std::string> mismatch;
    for (std::size_t r = 0; r < sequence.rounds.size() && !mismatch; ++r)
    {
        const model::Round& round = sequence.rounds[r];
        Strings unit_order;
        for (int k = 0; k < project->GetFilesCount(); ++k)
            unit_order.push_back(utf8(project->GetFile(k)->relativeFilename));
        std::map<std::size_t, Strings> listed;
        Strings ticked_at_open;
        std::string preview;
        harness::clearLog();
        run::command(
            [&](wxDialog* dialog) {
                listed[world.location()] = utf8(controls::listed(dialog));
                ticked_at_open = utf8(controls::ticked(dialog));
                if (round.pick)
                {
                    harness::setModalAnswer(harness::chooseDirectory(treePath(*round.pick)));
                    harness::clickButton(dialog, 2048);
                    listed[*round.pick] = utf8(controls::listed(dialog));
                }
                for (const std::string& name : round.tick)
                    controls::tick(dialog, wide(name));
                for (const std::string& name : round.untick)
                    controls::tick(dialog, wide(name), false);
                preview = utf8(controls::changePreview(dialog));
            },
            round.confirm ? 2049 : 2050);
        const model::Outcome expected = world.play(round, listed, unit_order);
        for (const std::string& line : expected.report)
            ++reach[line[0] == 'A'                       ? "adding"
                    : line[0] == 'K'                     ? "keeping"
                    : line[0] == 'R'                     ? "removing"
                    : line[0] == 'M'                     ? "missing a requirement"
                    : line.rfind("Not added", 0) == 0 ? "an unreadable install file"
                                                         : "files not on disk"];
        reach["picking a tree"] += round.pick ? 1 : 0;
        reach["closing"] += round.confirm ? 0 : 1;

        compare(mismatch, "ticked when the dialog opened", ticked_at_open, expected.ticked_at_open);
        compare(mismatch, "addons added", utf8(harness::logLinesAfter(_T("Add addon: "))), expected.added);
        // The notice shows the report; the IDE writes it to the log. Nothing to report, no notice.
        const Strings report = utf8(run::report());
        compare(mismatch, "report", report, expected.report);
        if (round.confirm)
            compare(mismatch, "preview before OK", {preview}, {expected.preview});
        // Install files are read aloud once per addon added or removed; requirements that
        // keep an addon are read without a word.
        compare(mismatch, "install files read",
                {std::to_string(harness::logLinesAfter(_T("Start parsing install file")).size())},
                {std::to_string(expected.added.size() + expected.removed)});
        if (!project->Save())
            mismatch = mismatch.value_or("the project was not saved");
        const fixture::SavedProject saved = fixture::readProject(cbp);
        Strings saved_units = utf8(saved.units);
        std::sort(saved_units.begin(), saved_units.end());
        compare(mismatch, "units", saved_units, {world.project().units.begin(), world.project().units.end()});
        compare(mismatch, "link options", utf8(saved.link_options), world.project().link_options);
        compare(mismatch, "include directories", utf8(saved.include_dirs), world.project().include_dirs);
        if (mismatch)
            mismatch = "after round " + std::to_string(r + 1) + ", " + *mismatch;
    }
    fixture::closeProjects();
    return mismatch;
}

struct Tally
{
    int sequences = 0, rounds = 0, failures = 0;
};

// Plays the sequence of `seed`; on a difference, reports it with the smallest sequence that
// still shows one.
void check(std::uint64_t seed, Tally& tally)
{
    const model::Sequence sequence = generate::sequence(seed);
    countCases(sequence);
    ++tally.sequences;
    tally.rounds += static_cast<int>(sequence.rounds.size());
    const std::optional<std::string> mismatch = play(sequence);
    if (!mismatch)
        return;
    // Shrinking plays the sequence hundreds of times: only the first few differences get it.
    if (++tally.failures > 3)
    {
        ADD_FAILURE() << "seed " << seed << ": " << *mismatch;
        return;
    }
    const model::Sequence smallest =
        generate::shrink(sequence, [](const model::Sequence& candidate) { return play(candidate).has_value(); });
    ADD_FAILURE() << "seed " << seed << ": " << *mismatch << "\nsmallest sequence that differs ("
                  << play(smallest).value_or("no longer differs") << "):\n"
                  << generate::describe(smallest);
}

using ConfirmProperty = PluginSdkTest;
} // namespace

TEST_F(ConfirmProperty, EveryRoundLeavesTheProjectAndTheReportTheModelPredicts)
{
    Tally tally;
    const std::clock_t start = std::clock();
    if (const char* budget = std::getenv("BRISKEN_PROPERTY_SECONDS"))
    {
        const char* first = std::getenv("BRISKEN_PROPERTY_SEED");
        const double seconds = std::atof(budget);
        for (std::uint64_t seed = first ? std::strtoull(first, nullptr, 10) : 1000;
             double(std::clock() - start) / CLOCKS_PER_SEC < seconds && tally.failures < 20; ++seed)
            check(seed, tally);
    }
    else
    {
        const char* seeds = std::getenv("BRISKEN_PROPERTY_SEEDS");
        for (std::uint64_t seed = 1; seed <= (seeds ? std::strtoull(seeds, nullptr, 10) : 60); ++seed)
            check(seed, tally);
    }
    std::printf("property: %d sequences, %d rounds, %d differing, %.1f s CPU; reached:", tally.sequences, tally.rounds,
                tally.failures, double(std::clock() - start) / CLOCKS_PER_SEC);
    for (const char* kind : reach_kinds)
    {
        std::printf(" %s %d,", kind, reach[kind]);
        EXPECT_GT(reach[kind], 0) << "no sequence reached: " << kind;
    }
    std::printf("\n");
}
