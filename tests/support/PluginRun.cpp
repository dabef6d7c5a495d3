#include "PluginRun.h"

#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/arrstr.h>

#include <cbplugin.h>
#include <manager.h>
#include <pluginmanager.h>

#include "DialogControls.h"
#include "SdkHarness.h"

namespace run
{
cbPlugin* loadedPlugin()
{
    static cbPlugin* plugin = harness::loadBriskenPlugin(true);
    return plugin;
}

cbPlugin* attachedPlugin()
{
    cbPlugin* plugin = loadedPlugin();
    if (plugin && !plugin->IsAttached())
        Manager::Get()->GetPluginManager()->AttachPlugin(plugin);
    return plugin && plugin->IsAttached() ? plugin : nullptr;
}

int command(const std::function<void(wxDialog*)>& act, int button)
{
    cbPlugin* plugin = attachedPlugin();
    if (!plugin)
        return -2;
    harness::setModalAnswer(harness::pressButton(button, act));
    const int result = static_cast<cbToolPlugin*>(plugin)->Execute();
    harness::clearModalAnswer();
    return result;
}

int confirm(const std::vector<wxString>& tick, const std::vector<wxString>& untick, std::function<void()> inDialog)
{
    return command([=](wxDialog* dialog) {
        for (const wxString& name : tick)
            EXPECT_TRUE(controls::tick(dialog, name)) << name;
        for (const wxString& name : untick)
            EXPECT_TRUE(controls::tick(dialog, name, false)) << name;
        if (inDialog)
            inDialog();
    });
}

std::vector<wxString> report()
{
    std::vector<wxString> lines;
    for (const wxString& notice : harness::logLinesAfter(_T("Info[Brisken Addons]: ")))
        for (const wxString& part : wxSplit(notice, '\n', '\0'))
            lines.push_back(part);
    return lines;
}
} // namespace run
