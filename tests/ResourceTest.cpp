// A plug-in whose resource archive is missing still loads, says so, and works.
#include <gtest/gtest.h>

#include <cbplugin.h>
#include <manager.h>
#include <pluginmanager.h>

#include "SdkHarness.h"

TEST(ResourceTest, MissingArchiveIsReportedAndTheCommandStillWorks)
{
    harness::clearLog();
    harness::setModalAnswer([](wxDialog*) { return static_cast<int>(wxID_OK); });
    cbPlugin* plugin = harness::loadBriskenPlugin(false);
    ASSERT_NE(plugin, nullptr);

    const auto dialogs = harness::seenDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].message, _T("The file Brisken.zip could not be found.\nPlease check your installation."));

    ASSERT_TRUE(Manager::Get()->GetPluginManager()->AttachPlugin(plugin));
    harness::clearLog();
    harness::setModalAnswer([](wxDialog*) { return static_cast<int>(wxID_CLOSE); });
    EXPECT_EQ(static_cast<cbToolPlugin*>(plugin)->Execute(), 0);
    const std::vector<wxString> expected{_T("Brisken Addon"), _T("Finding addons in"),
                                         _T("You need to select the Brisken directory./addons/"),
                                         _T("No addons selected.")};
    EXPECT_EQ(harness::logLines(), expected);
    harness::clearModalAnswer();
}
