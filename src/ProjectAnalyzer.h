// Finds the Brisken addons that a project already uses, from the paths of its files.
#ifndef BRISKEN_PROJECTANALYZER_H
#define BRISKEN_PROJECTANALYZER_H

#include <functional>

#include "Shared.h"

class cbProject;

class ProjectAnalyzer
{
public:
    ProjectAnalyzer() = default;

    // Refills the result from the project's files; a null project gives an empty result.
    void analyze(cbProject* pProject);
    // One entry per project file that lies in an addon directory, in the project's file order.
    AddonFiles getUsedAddons() const;

    // Asks the same questions of the project and the disk, with the same log line, and hands
    // each entry to `sink` in order instead of keeping it: for callers that need less than
    // the whole list. The result of the last analyze() is left as it was.
    using EntrySink = std::function<void(const AddonFile&)>;
    static void walk(cbProject* pProject, const EntrySink& sink);

private:
    AddonFiles addon_files;
};

namespace project_analyzer_limits
{
// Larger projects are not examined at all.
constexpr int max_files = 10000;
} // namespace project_analyzer_limits

#endif // BRISKEN_PROJECTANALYZER_H
