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
    harness::setModalAnswer([=](wxDialog* dialog) {
        harness::later([=] {
            act(dialog);
            harness::clickButton(dialog, button);
        });
        return static_cast<int>(wxID_NONE);
    });
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
    wxString notice;
    for (const wxString& line : harness::logLines())
        if (line.StartsWith(_T("Info[Brisken Addons]: "), &notice))
            for (const wxString& part : wxSplit(notice, '\n', '\0'))
                lines.push_back(part);
    return lines;
}
} // namespace run
