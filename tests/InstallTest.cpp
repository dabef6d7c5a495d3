// The package installs through the IDE's own plug-in installer.
#include <gtest/gtest.h>

#include <wx/filefn.h>

#include <cbplugin.h>
#include <configmanager.h>
#include <manager.h>
#include <pluginmanager.h>

#include "SdkHarness.h"

TEST(InstallTest, PackageInstallsIntoTheUserFolderAndRegisters)
{
    harness::clearLog();
    PluginManager* plugins = Manager::Get()->GetPluginManager();
    ASSERT_EQ(plugins->FindPluginByName(_T("Brisken")), nullptr);
    // Installing attaches every enabled plug-in; the compiler's first attach would run its
    // interactive auto-detection, which has no place in this test.
    Manager::Get()->GetConfigManager(_T("plugins"))->Write(_T("/Compiler"), false);

    ASSERT_TRUE(plugins->InstallPlugin(_T(BRISKEN_CBPLUGIN_PATH), false, false));

    const wxString data = harness::userDataDir();
    EXPECT_TRUE(wxFileExists(data + _T("/plugins/libBrisken.so")));
    EXPECT_TRUE(wxFileExists(data + _T("/Brisken.zip")));
    cbPlugin* plugin = plugins->FindPluginByName(_T("Brisken"));
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->GetType(), ptTool);
    // Listed under the title its manifest gives.
    ASSERT_NE(plugins->GetPluginInfo(plugin), nullptr);
    EXPECT_EQ(plugins->GetPluginInfo(plugin)->title, _T("Brisken Addons"));
    // The archive was in place when the plug-in was created: no missing-file box.
    for (const harness::SeenDialog& dialog : harness::seenDialogs())
        EXPECT_EQ(dialog.message.Find(_T("could not be found")), wxNOT_FOUND) << dialog.message;
}
