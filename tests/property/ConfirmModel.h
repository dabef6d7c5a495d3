// What confirming the addon dialog should do to a project, as plain data: Brisken trees, the
// project's units and build options, and the rounds a user plays in the dialog. No IDE, no wx.
#ifndef CONFIRM_MODEL_H
#define CONFIRM_MODEL_H

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace model
{
// A library or include directory entry of an install file, with its filters (absent: none).
struct Entry
{
    std::string text;
    std::optional<std::string> os;
    std::optional<std::string> compiler; // libraries only
};

struct Addon
{
    std::string name; // its folder's name
    std::vector<std::string> files;
    std::vector<Entry> includes;
    std::vector<Entry> libs;
    std::vector<std::string> requires_addons;
    bool broken = false; // its install file cannot be read
};

// A Brisken base folder. Paths are relative to the project's folder, as install files give them.
struct Tree
{
    std::string dir;   // where the tree lies, ending with "/"
    std::vector<Addon> addons;
    const Addon* find(const std::string& name) const;
};

struct Project
{
    std::set<std::string> units; // stored paths; the IDE keeps its own order
    std::vector<std::string> link_options;
    std::vector<std::string> include_dirs;
};

// One opening of the dialog: optionally picks another tree (index), then ticks and unticks
// names, then confirms (or closes).
struct Round
{
    std::optional<std::size_t> pick;
    std::vector<std::string> tick;
    std::vector<std::string> untick;
    bool confirm = true;
};

struct Sequence
{
    std::uint64_t seed = 0;
    std::vector<Tree> trees; // the dialog opens on the first at the start
    Project start;
    std::vector<Round> rounds;
    std::set<std::string> on_disk; // listed files that exist, relative to the project's folder
};

// What the project and the log should show after a round.
struct Outcome
{
    std::vector<std::string> ticked_at_open;
    std::vector<std::string> added;          // "Add addon:" names in order, unreadable ones too
    std::vector<std::string> report;         // the report lines, in order
    std::size_t removed = 0;                 // addons removed
    std::string preview;                     // the dialog's line of what OK will do
};

// The state the rounds play on: the project, the trees on disk and the stored location.
class World
{
public:
    World(std::vector<Tree> trees, Project start, std::string projectDir, const std::set<std::string>& onDisk);

    // The names of the addons the project uses, one each, in the order of the first unit that
    // shows each, with the tree whose install file was found for it. `unitOrder` is the
    // project's units in the IDE's order, which the model does not decide.
    std::vector<std::pair<std::string, std::size_t>> usedAddons(const std::vector<std::string>& unitOrder) const;

    // Plays one round. `listed` gives each tree's listing order on disk and `unitOrder` the
    // IDE's order of the units; names the list does not show are ignored.
    Outcome play(const Round& round, const std::map<std::size_t, std::vector<std::string>>& listed,
                 const std::vector<std::string>& unitOrder);

    const Project& project() const { return state; }
    std::size_t location() const { return current; }

private:
    std::vector<std::string> requirements(const std::string& name, std::size_t tree) const;

    std::vector<Tree> trees;
    Project state;
    std::string project_dir; // absolute, without a trailing "/"
    std::set<std::string> on_disk; // resolved
    std::size_t current = 0;
};

// Resolves `relative` against `base` (absolute, no trailing "/"), taking out "." and "..".
std::string resolve(const std::string& base, const std::string& relative);

// The items, each as `show` writes it, with `separator` between them.
template <typename T, typename Show> std::string join(const std::vector<T>& items, const char* separator, Show show)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i ? separator : "") + show(items[i]);
    return text;
}
inline std::string join(const std::vector<std::string>& items, const char* separator)
{
    return join(items, separator, [](const std::string& item) { return item; });
}
} // namespace model

#endif // CONFIRM_MODEL_H
