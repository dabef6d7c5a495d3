#include "ConfirmModel.h"

#include <algorithm>
#include <utility>

namespace model
{
namespace
{
bool contains(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

std::vector<std::string> split(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('/', from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    if (from < text.size())
        parts.push_back(text.substr(from));
    return parts;
}

// `parts` followed by the steps of `path` but empty and "." ones; a ".." takes out the step
// before it, and where there is none (or only a ".."), it stays when `keepUp`.
std::vector<std::string> walk(std::vector<std::string> parts, const std::string& path, bool keepUp)
{
    for (const std::string& part : split(path))
        if (part == ".." && !parts.empty() && parts.back() != "..")
            parts.pop_back();
        else if (part == ".." ? keepUp : !part.empty() && part != ".")
            parts.push_back(part);
    return parts;
}

// A path without the extension of its last component.
std::string baseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return dot != std::string::npos && dot > name ? path.substr(0, dot) : path;
}

// A library applies on this system with this IDE's compiler; an include directory on this
// system.
bool applies(const Entry& entry, bool isLibrary)
{
    if (entry.os && *entry.os != "linux")
        return false;
    return !isLibrary || (entry.compiler && entry.compiler->find("codeblocks") != std::string::npos);
}

// The name the IDE stores for a listed path: without "." steps and doubled separators, and a
// ".." takes out the folder before it.
std::string storedName(const std::string& listed) { return join(walk({}, listed, true), "/"); }
} // namespace

const Addon* Tree::find(const std::string& name) const
{
    for (const Addon& addon : addons)
        if (addon.name == name)
            return &addon;
    return nullptr;
}

std::string resolve(const std::string& base, const std::string& relative)
{
    const bool absolute = relative.rfind('/', 0) == 0;
    std::string path;
    for (const std::string& part : walk(absolute ? std::vector<std::string>{} : split(base), relative, false))
        if (!part.empty())
            path += "/" + part;
    return path.empty() ? "/" : path;
}

World::World(std::vector<Tree> oTrees, Project start, std::string projectDir, const std::set<std::string>& onDisk)
    : trees(std::move(oTrees)), state(std::move(start)), project_dir(std::move(projectDir))
{
    for (const std::string& file : onDisk)
        on_disk.insert(resolve(project_dir, file));
    // The IDE stores a project's units as it stores added files.
    std::set<std::string> stored;
    for (const std::string& unit : state.units)
        stored.insert(storedName(unit));
    state.units = std::move(stored);
}

// A unit belongs to the addon of each folder on its path, from the first component that
// contains "addons" on, that holds an install file; the file name without its extension
// counts as a folder too. Only units whose name without extension contains "addons/" are
// looked at.
std::vector<std::pair<std::string, std::size_t>> World::usedAddons(const std::vector<std::string>& unitOrder) const
{
    std::map<std::string, std::size_t> install_dirs;
    for (std::size_t t = 0; t < trees.size(); ++t)
        for (const Addon& addon : trees[t].addons)
            install_dirs.emplace(resolve(project_dir, trees[t].dir + "addons/" + addon.name), t);

    std::vector<std::pair<std::string, std::size_t>> used;
    std::set<std::string> seen;
    for (const std::string& unit : unitOrder)
    {
        const std::string base = baseName(unit);
        if (base.find("addons/") == std::string::npos)
            continue;
        std::string prefix = project_dir + "/";
        bool start = false;
        for (const std::string& token : split(base))
        {
            start = start || token.find("addons") != std::string::npos;
            prefix += token + "/";
            const auto found = start ? install_dirs.find(resolve("/", prefix)) : install_dirs.end();
            if (found != install_dirs.end() && seen.insert(token).second)
                used.emplace_back(token, found->second);
        }
    }
    return used;
}

std::vector<std::string> World::requirements(const std::string& name, std::size_t tree) const
{
    const Addon* addon = trees[tree].find(name);
    return addon && !addon->broken ? addon->requires_addons : std::vector<std::string>{};
}

Outcome World::play(const Round& round, const std::map<std::size_t, std::vector<std::string>>& listed,
                    const std::vector<std::string>& unitOrder)
{
    Outcome outcome;
    const std::size_t opened = current;
    const auto used = usedAddons(unitOrder);
    std::set<std::string> used_names;
    for (const auto& entry : used)
        used_names.insert(entry.first);
    const auto tickedIn = [&](const std::vector<std::string>& list) {
        std::vector<std::string> ticked;
        for (const std::string& name : list)
            if (used_names.count(name))
                ticked.push_back(name);
        return ticked;
    };

    // The list shows the addons of the stored location, those in use ticked; the snapshot of
    // those ticks stays with the first location even when another one is picked.
    outcome.ticked_at_open = tickedIn(listed.at(opened));
    const std::vector<std::string> snapshot = outcome.ticked_at_open;
    if (round.pick)
        current = *round.pick; // stored as soon as it is picked, confirmed or not
    const std::vector<std::string>& list = listed.at(current);
    std::vector<std::string> ticks = tickedIn(list);
    for (const std::string& name : round.tick)
        if (contains(list, name) && !contains(ticks, name))
            ticks.push_back(name);
    for (const std::string& name : round.untick)
        ticks.erase(std::remove(ticks.begin(), ticks.end(), name), ticks.end());
    if (!round.confirm)
        return outcome;

    std::vector<std::string> ticked; // in list order
    for (const std::string& name : list)
        if (contains(ticks, name))
            ticked.push_back(name);
    // Unticked: in the snapshot, listed now and not ticked. An addon the new location does not
    // list was never shown unticked, so it stays.
    std::vector<std::string> unticked;
    for (const std::string& name : snapshot)
        if (contains(list, name) && !contains(ticked, name))
            unticked.push_back(name);

    // Kept: an unticked addon that a staying addon (ticked, or used and neither ticked nor
    // unticked) requires, directly or through a chain, resolved among the listed addons. The
    // walk is depth first from the staying addons in order; the line names the addon that
    // required it when the walk first met it.
    std::vector<std::pair<std::string, std::size_t>> staying;
    for (const std::string& name : ticked)
        staying.emplace_back(name, current);
    for (const auto& entry : used)
        if (!contains(ticked, entry.first) && !contains(unticked, entry.first))
            staying.push_back(entry);
    std::vector<std::pair<std::string, std::string>> kept;
    std::set<std::string> visited;
    struct Step
    {
        std::string name;
        std::size_t tree;
        std::string required_by; // empty for a staying addon itself
    };
    std::vector<Step> route;
    for (auto it = staying.rbegin(); it != staying.rend(); ++it)
        route.push_back({it->first, it->second, {}});
    while (!route.empty() && kept.size() < unticked.size())
    {
        const Step step = std::move(route.back());
        route.pop_back();
        if (!visited.insert(step.name).second)
            continue;
        if (!step.required_by.empty() && contains(unticked, step.name))
            kept.emplace_back(step.name, step.required_by);
        const std::vector<std::string> required = requirements(step.name, step.tree);
        for (auto r = required.rbegin(); r != required.rend(); ++r)
            if (contains(list, *r))
                route.push_back({*r, current, step.name});
    }
    std::vector<std::string> removed;
    for (const std::string& name : unticked)
        if (std::none_of(kept.begin(), kept.end(), [&](const auto& k) { return k.first == name; }))
            removed.push_back(name);

    // Adding: the newly ticked addons in list order, each followed depth first by what it
    // requires (resolved among the listed addons); each addon once per confirm, so that cycles
    // end and an addon ticked and required is not applied twice. One whose install file cannot
    // be read adds nothing; a requirement the list lacks is named once, with the first addon
    // that requires it; listed files missing from the disk are named, three at most.
    int files = 0;
    int link_options = 0;
    int include_dirs = 0;
    std::set<std::string> applied, lacking;
    std::vector<std::string> added;
    std::vector<std::pair<std::string, std::string>> missing; // a requirement and the addon that requires it
    std::vector<std::string> unreadable;
    std::vector<std::pair<std::string, std::vector<std::string>>> absent; // an addon and its files not on disk
    std::vector<std::string> pending; // newly ticked: ticked and not in use, last first
    for (auto it = ticked.rbegin(); it != ticked.rend(); ++it)
        if (!used_names.count(*it))
            pending.push_back(*it);
    while (!pending.empty())
    {
        const std::string name = pending.back();
        pending.pop_back();
        if (!applied.insert(name).second)
            continue;
        outcome.added.push_back(name);
        const Addon& addon = *trees[current].find(name);
        if (addon.broken)
        {
            unreadable.push_back(name);
            continue;
        }
        added.push_back(name);
        std::vector<std::string> not_on_disk;
        for (const std::string& file : addon.files)
        {
            files += state.units.insert(storedName(file)).second ? 1 : 0;
            if (!on_disk.count(resolve(project_dir, file)) && !contains(not_on_disk, file))
                not_on_disk.push_back(file);
        }
        if (!not_on_disk.empty())
            absent.emplace_back(name, not_on_disk);
        for (const std::string& required : addon.requires_addons)
            if (!contains(list, required) && lacking.insert(required).second)
                missing.emplace_back(required, name);
        // The libraries of one confirm form one block in front of the link options, in the
        // order the addons are applied and each addon's in its listed order. A library goes in
        // unless the project linked it before this addon came: one listed twice by one install
        // file goes in twice.
        const std::vector<std::string> before = state.link_options;
        for (const Entry& lib : addon.libs)
            if (applies(lib, true) && !contains(before, lib.text))
                state.link_options.insert(state.link_options.begin() + link_options++, lib.text);
        // The project ignores an include directory it already has.
        for (const Entry& dir : addon.includes)
            if (applies(dir, false) && !contains(state.include_dirs, dir.text))
            {
                state.include_dirs.push_back(dir.text);
                ++include_dirs;
            }
        for (auto r = addon.requires_addons.rbegin(); r != addon.requires_addons.rend(); ++r)
            if (contains(list, *r))
                pending.push_back(*r);
    }

    // Removing, after adding: the units whose stored path the install file (of the location
    // the dialog opened on) lists, in whatever spelling. Include directories, link options and
    // required addons stay.
    const std::size_t units_before = state.units.size();
    for (const std::string& name : removed)
        if (const Addon* addon = trees[opened].find(name); addon && !addon->broken)
            for (const std::string& file : addon->files)
                state.units.erase(storedName(file));

    outcome.removed = removed.size();
    const std::string title = "ex1";
    if (!added.empty())
        outcome.report.push_back("Added to " + title + ": " + join(added, ", ") + " (" + std::to_string(files) +
                                 " files, " + std::to_string(link_options) + " link options, " +
                                 std::to_string(include_dirs) + " include directories)");
    const auto requiredBy = [](const auto& pair) { return pair.first + " (" + pair.second + " requires it)"; };
    for (const auto& [name, required_by] : missing)
        outcome.report.push_back("Missing " + name + ": " + required_by + " requires it");
    for (const std::string& name : unreadable)
        outcome.report.push_back("Not added " + name + ": its install file cannot be read");
    for (const auto& [name, files] : absent)
        outcome.report.push_back("Not on disk in " + name + ": " +
                                 join({files.begin(), files.begin() + std::min<std::size_t>(files.size(), 3)}, ", ") +
                                 (files.size() > 3 ? " and " + std::to_string(files.size() - 3) + " more" : ""));
    for (const auto& [name, required_by] : kept)
        outcome.report.push_back("Kept " + name + ": " + required_by + " requires it");
    if (!removed.empty())
        outcome.report.push_back("Removed from " + title + ": " + join(removed, ", ") + " (" +
                                 std::to_string(units_before - state.units.size()) + " files)");

    // The dialog's line before OK says the same in a part for each kind, in this order.
    std::vector<std::string> parts;
    if (added.empty() && kept.empty() && removed.empty())
        parts.push_back("changes nothing");
    const std::pair<const char*, std::string> said[] = {
        {"adds ", join(added, ", ")},
        {"missing ", join(missing, ", ", requiredBy)},
        {"cannot add ", join(unreadable, ", ")},
        {"not on disk: ", join(absent, ", ", [](const auto& files) {
             return std::to_string(files.second.size()) + (files.second.size() == 1 ? " file of " : " files of ") +
                    files.first;
         })},
        {"keeps ", join(kept, ", ", requiredBy)},
        {"removes ", join(removed, ", ")}};
    for (const auto& [head, items] : said)
        if (!items.empty())
            parts.push_back(head + items);
    outcome.preview = "OK " + join(parts, "; ");
    return outcome;
}
} // namespace model
