// Runs the plug-in's command the way a user does: the IDE's plug-in manager loads and
// attaches it, and the test acts inside its dialog.
#ifndef PLUGIN_RUN_H
#define PLUGIN_RUN_H

#include <functional>
#include <vector>

#include <wx/string.h>

class cbPlugin;
class wxDialog;

namespace run
{
// The built plug-in, loaded once per process with its resource archive; null when it did not
// load. attachedPlugin() also attaches it if it is not.
cbPlugin* loadedPlugin();
cbPlugin* attachedPlugin();

// Runs the command; in its dialog, calls `act` and then presses the button `button` (by
// default "Add addons to project"). Returns the command's result.
int command(const std::function<void(wxDialog*)>& act, int button = 2049);

// Runs the command; in its dialog, ticks `tick`, unticks `untick`, calls `inDialog` (may be
// empty) and presses "Add addons to project". Returns the command's result.
int confirm(const std::vector<wxString>& tick, const std::vector<wxString>& untick = {},
            std::function<void()> inDialog = nullptr);

// The report's lines, as the IDE's notices wrote them to the log since it was last cleared.
std::vector<wxString> report();
} // namespace run

#endif // PLUGIN_RUN_H
