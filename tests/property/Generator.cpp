#include "Generator.h"

#include <algorithm>
#include <random>

namespace generate
{
namespace
{
using model::Addon;
using model::Entry;
using model::Sequence;
using model::Tree;

// Same numbers from the same seed everywhere: no library distribution in between.
class Random
{
public:
    explicit Random(std::uint64_t seed) : engine(seed) {}
    std::size_t below(std::size_t n) { return n ? static_cast<std::size_t>(engine() % n) : 0; }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }
    template <typename T> const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }
    std::optional<std::string> maybe(const std::vector<std::string>& choices, int percent)
    {
        return chance(percent) ? std::optional<std::string>(pick(choices)) : std::nullopt;
    }

private:
    std::mt19937_64 engine;
};

// Case twins, spaces and letters beyond ASCII, as folder names of real addons have.
const std::vector<std::string> addon_names{
    "alpha", "beta", "gamma", "delta", "Alpha", "ofxGui", "with space", "añadido ü",
    "ünï", "ßeta", "zeta", "omega", "p q", "日本", "x2", "Beta"};
const std::vector<std::string> file_names{"a.cpp", "b.h", "c d.cpp", "çà.cpp", "main.cpp", "e.c"};
const std::vector<std::string> lib_names{"-lcommon", "-lm", "-lexisting", "-lpthread", "-L/opt/ünï dir"};

Addon makeAddon(Random& random, const std::string& name, const std::string& prefix,
                const std::vector<std::string>& names)
{
    Addon addon;
    addon.name = name;
    const std::string own = prefix + "addons/" + name + "/";
    // Another spelling of the same relative name, as install files are written by hand.
    const std::vector<std::string> spellings{"./" + own, prefix + "addons//" + name + "/",
                                             own + "src/../", own + "./"};
    for (std::size_t f = random.below(5); f > 0; --f)
    {
        const int kind = static_cast<int>(random.below(10));
        if (kind < 7)
            addon.files.push_back((random.chance(20) ? random.pick(spellings) : own) + "src/" + random.pick(file_names));
        else if (kind < 9)
            addon.files.push_back(prefix + "shared/" + random.pick(file_names)); // shared by addons
        else
            addon.files.push_back(prefix + "addons/" + random.pick(names) + "/src/" + random.pick(file_names));
    }
    const std::vector<std::string> systems{"linux", "windows", "Linux"};
    for (std::size_t i = random.below(3); i > 0; --i)
        addon.includes.push_back(Entry{random.chance(70) ? own + "src" : prefix + "shared",
                                       random.maybe(systems, 30), std::nullopt});
    // Requirements: other addons, itself, names nobody has, names only another tree has.
    for (std::size_t r = random.below(4); r > 0; --r)
        addon.requires_addons.push_back(random.chance(85) ? random.pick(names) : random.pick(addon_names) + "_x");
    // Libraries: its own, common ones, and those of the addons it requires, which it depends on.
    const std::vector<std::string> compilers{"codeblocks", "mingw,codeblocks", "vs", "CodeBlocks"};
    for (std::size_t l = random.below(4); l > 0; --l)
    {
        const std::size_t kind = random.below(10);
        const std::string lib = kind < 4                                             ? "-l" + name
                                : kind < 7 || addon.requires_addons.empty() ? random.pick(lib_names)
                                                                            : "-l" + random.pick(addon.requires_addons);
        addon.libs.push_back(Entry{lib, random.maybe(systems, 25), random.maybe(compilers, 85)});
    }
    return addon;
}

Tree makeTree(Random& random, const std::string& dir, const std::string& prefix, std::size_t minimum)
{
    Tree tree;
    tree.dir = dir;
    std::vector<std::string> names;
    const std::size_t count = minimum + random.below(16 - minimum);
    for (std::size_t n = 0; names.size() < count && n < 4 * count; ++n)
    {
        const std::string& name = random.pick(addon_names);
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    std::vector<std::string> known = names;
    known.insert(known.end(), addon_names.begin(), addon_names.begin() + 4);
    for (const std::string& name : names)
        tree.addons.push_back(makeAddon(random, name, prefix, known));
    return tree;
}

std::vector<std::string> someOf(Random& random, const std::vector<std::string>& items, int percent)
{
    std::vector<std::string> chosen;
    for (const std::string& item : items)
        if (random.chance(percent))
            chosen.push_back(item);
    return chosen;
}

std::string list(const std::vector<std::string>& items)
{
    return "[" + model::join(items, ", ", [](const std::string& item) { return "\"" + item + "\""; }) + "]";
}

std::string entries(const std::vector<Entry>& items)
{
    return "[" + model::join(items, ", ", [](const Entry& entry) {
        return "\"" + entry.text + "\"" + (entry.os ? " os=" + *entry.os : "") +
               (entry.compiler ? " compiler=" + *entry.compiler : "");
    }) + "]";
}

} // namespace

Sequence sequence(std::uint64_t seed)
{
    Random random(seed);
    Sequence made;
    made.seed = seed;
    made.trees.push_back(makeTree(random, "../../../", "../../../", 2));
    if (random.chance(50))
        made.trees.push_back(makeTree(random, "../../../../B/", "../../../../B/", 1));
    if (random.chance(30))
        made.trees.push_back(makeTree(random, "../../../../C/", "../../../", 1));

    made.start.units = {"main.cpp"};
    if (random.chance(50))
        made.start.units.insert("src/own.cpp");
    for (const Addon& addon : made.trees[0].addons)
        if (random.chance(35))
            for (const std::string& file : addon.files)
                made.start.units.insert(file);
    made.start.link_options = someOf(random, {"-lexisting", "-O1", "-lcommon", "-lm"}, 40);
    made.start.include_dirs = someOf(random, {"inc", "../../../shared"}, 30);

    for (std::size_t r = 1 + random.below(6); r > 0; --r)
    {
        model::Round round;
        if (made.trees.size() > 1 && random.chance(25))
            round.pick = random.below(made.trees.size());
        std::vector<std::string> names;
        for (const Tree& tree : made.trees)
            for (const Addon& addon : tree.addons)
                names.push_back(addon.name);
        round.tick = someOf(random, names, 20);
        round.untick = someOf(random, names, 20);
        round.confirm = random.chance(90);
        made.rounds.push_back(round);
    }
    // Drawn last, so that the rest of a seed's sequence stays as it was before these existed.
    for (Tree& tree : made.trees)
        for (Addon& addon : tree.addons)
        {
            addon.broken = random.chance(8);
            for (const std::string& file : addon.files)
                if (random.chance(75))
                    made.on_disk.insert(file);
        }
    return made;
}

std::string describe(const Sequence& sequence)
{
    std::string text = "seed " + std::to_string(sequence.seed) + "\n";
    for (std::size_t t = 0; t < sequence.trees.size(); ++t)
    {
        text += "tree " + std::to_string(t) + " at " + sequence.trees[t].dir + "\n";
        for (const Addon& addon : sequence.trees[t].addons)
            text += "  addon \"" + addon.name + "\": files " + list(addon.files) + ", includes " +
                    entries(addon.includes) + ", libs " + entries(addon.libs) + ", requires " +
                    list(addon.requires_addons) + (addon.broken ? ", its install file broken\n" : "\n");
    }
    text += "project: units " + list({sequence.start.units.begin(), sequence.start.units.end()}) +
            ", link options " + list(sequence.start.link_options) + ", include dirs " +
            list(sequence.start.include_dirs) + "\n" + "on disk: " +
            list({sequence.on_disk.begin(), sequence.on_disk.end()}) + "\n";
    for (const model::Round& round : sequence.rounds)
        text += std::string("round:") + (round.pick ? " pick tree " + std::to_string(*round.pick) + "," : "") +
                " tick " + list(round.tick) + ", untick " + list(round.untick) +
                (round.confirm ? ", OK\n" : ", Close\n");
    return text;
}

Sequence shrink(Sequence failing, const std::function<bool(const Sequence&)>& fails, int budget)
{
    // Each candidate removes one thing; the first that still fails is taken and the search
    // starts again, until nothing can go or the budget is spent.
    const auto candidates = [](const Sequence& from, std::size_t k, Sequence& out) {
        out = from;
        std::size_t at = k; // counts down through everything that can go
        const auto take = [&at](auto& items) {
            if (at >= items.size())
            {
                at -= items.size();
                return false;
            }
            items.erase(items.begin() + static_cast<long>(at));
            return true;
        };
        if (take(out.rounds))
            return true;
        for (model::Round& round : out.rounds)
        {
            if (round.pick && at-- == 0)
            {
                round.pick.reset();
                return true;
            }
            if (take(round.tick) || take(round.untick))
                return true;
        }
        for (Tree& tree : out.trees)
        {
            if (take(tree.addons))
                return true;
            for (Addon& addon : tree.addons)
                if (take(addon.files) || take(addon.includes) || take(addon.libs) || take(addon.requires_addons))
                    return true;
        }
        std::vector<std::string> units(out.start.units.begin(), out.start.units.end());
        if (take(units))
        {
            out.start.units = {units.begin(), units.end()};
            return true;
        }
        return take(out.start.link_options) || take(out.start.include_dirs);
    };
    for (bool smaller = true; smaller && budget > 0;)
    {
        smaller = false;
        Sequence candidate;
        for (std::size_t k = 0; budget > 0 && candidates(failing, k, candidate); ++k)
        {
            --budget;
            if (fails(candidate))
            {
                failing = candidate;
                smaller = true;
                break;
            }
        }
    }
    return failing;
}

} // namespace generate
