#include "PluginRun.h"

#include <gtest/gtest.h>

#include <wx/dialog.h>

#include <cbplugin.h>
#include <manager.h>
#include <pluginmanager.h>

#include "DialogControls.h"
#include "SdkHarness.h"

namespace run
{
namespace
{
const wxWindowID ok_id = 2049;
} // namespace

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

int confirm(const std::vector<wxString>& tick, const std::vector<wxString>& untick,
            std::function<void()> inDialog)
{
    cbPlugin* plugin = attachedPlugin();
    if (!plugin)
        return -2;
    harness::setModalAnswer([=](wxDialog* dialog) {
        harness::later([=] {
            for (const wxString& name : tick)
                EXPECT_TRUE(controls::tick(dialog, name)) << name;
            for (const wxString& name : untick)
                EXPECT_TRUE(controls::tick(dialog, name, false)) << name;
            if (inDialog)
                inDialog();
            wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, ok_id);
            dialog->GetEventHandler()->ProcessEvent(click);
        });
        return static_cast<int>(wxID_NONE);
    });
    const int result = static_cast<cbToolPlugin*>(plugin)->Execute();
    harness::clearModalAnswer();
    return result;
}
} // namespace run
