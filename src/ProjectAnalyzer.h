// Finds the Brisken addons that a project already uses, from the paths of its files.
#ifndef BRISKEN_PROJECTANALYZER_H
#define BRISKEN_PROJECTANALYZER_H

#include <functional>

#include "Shared.h"

class cbProject;

class ProjectAnalyzer
{
public:
    // Refills the result from the project's files; a null project gives an empty result.
    void analyze(cbProject* pProject);
    // One entry per project file that lies in an addon directory, in the project's file order.
    AddonFiles getUsedAddons() const;

    // The same analysis with the same log line, each entry handed to `sink` in order instead of
    // kept: for callers that need less than the whole list.
    using EntrySink = std::function<void(const AddonFile&)>;
    static void walk(cbProject* pProject, const EntrySink& sink);

private:
    AddonFiles addon_files;
};

// What ProjectFile::GetBaseName gives for a stored name is the two together. A file name object
// costs microseconds, so the analysis builds one per folder for the folder part as it writes it
// back; the name is the stored one's, up to the last dot that does not begin it.
wxString folderPart(const wxString& sStored);
wxString nameWithoutExtension(const wxString& sStored);

namespace project_analyzer_limits
{
// Larger projects are not examined at all.
constexpr int max_files = 10000;
} // namespace project_analyzer_limits

// Whether the project has too many files for the analysis to look at them.
bool isTooLargeToAnalyze(const cbProject* pProject);

#endif // BRISKEN_PROJECTANALYZER_H
