// The plug-in as the IDE drives it: loaded through the plug-in manager, attached, run.
#include <gtest/gtest.h>

#include <wx/checklst.h>

#include <cbplugin.h>
#include <configmanager.h>
#include <manager.h>
#include <pluginmanager.h>
#include <projectmanager.h>

#include "SdkHarness.h"

namespace
{
cbPlugin* briskenPlugin()
{
    static cbPlugin* plugin = harness::loadBriskenPlugin(true);
    return plugin;
}

using Lines = std::vector<wxString>;

class PluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(briskenPlugin(), nullptr);
        PluginManager* plugins = Manager::Get()->GetPluginManager();
        if (!briskenPlugin()->IsAttached())
        {
            ASSERT_TRUE(plugins->AttachPlugin(briskenPlugin()));
        }
        Manager::Get()->GetConfigManager(_T("brisken"))->UnSet(_T("bk_dir"));
        harness::clearLog();
        harness::clearModalAnswer();
    }
    void TearDown() override { harness::clearModalAnswer(); }

    static int execute() { return static_cast<cbToolPlugin*>(briskenPlugin())->Execute(); }
};

const wxWindowID ok_id = 2049;
const wxWindowID close_id = 2050;
} // namespace

TEST_F(PluginTest, RegistersAsToolPluginWithItsManifest)
{
    const PluginInfo* info = Manager::Get()->GetPluginManager()->GetPluginInfo(briskenPlugin());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->name, _T("Brisken"));
    EXPECT_EQ(info->title, _T("Brisken Addons"));
    EXPECT_EQ(briskenPlugin()->GetType(), ptTool);
    EXPECT_EQ(Manager::Get()->GetPluginManager()->FindPluginByName(_T("Brisken")), briskenPlugin());
}

TEST_F(PluginTest, NotAttachedReturnsMinusOneAndDoesNothing)
{
    ASSERT_TRUE(Manager::Get()->GetPluginManager()->DetachPlugin(briskenPlugin()));
    EXPECT_EQ(execute(), -1);
    EXPECT_TRUE(harness::logLines().empty());
    EXPECT_TRUE(harness::seenDialogs().empty());
    ASSERT_TRUE(Manager::Get()->GetPluginManager()->AttachPlugin(briskenPlugin()));
}

TEST_F(PluginTest, CloseLogsNoAddonsSelectedAndLeavesTreeAlone)
{
    harness::setModalAnswer(harness::pressButton(close_id));
    EXPECT_EQ(execute(), 0);
    EXPECT_EQ(harness::logLines(), (Lines{_T("Brisken Addon"), _T("No addons selected.")}));
    ASSERT_EQ(harness::seenDialogs().size(), 1u);
    EXPECT_EQ(harness::seenDialogs()[0].title, _T("Brisken Addon Plugin"));
    EXPECT_EQ(harness::treeRebuilds(), 0);
}

TEST_F(PluginTest, WindowCloseCountsAsNotConfirmed)
{
    harness::setModalAnswer([](wxDialog*) { return static_cast<int>(wxID_CANCEL); });
    EXPECT_EQ(execute(), 0);
    EXPECT_EQ(harness::logLines(), (Lines{_T("Brisken Addon"), _T("No addons selected.")}));
    EXPECT_EQ(harness::treeRebuilds(), 0);
}

TEST_F(PluginTest, OkLogsTotalAndRebuildsTheTree)
{
    harness::setModalAnswer(harness::pressButton(ok_id));
    EXPECT_EQ(execute(), 0);
    EXPECT_EQ(harness::logLines(),
              (Lines{_T("Brisken Addon"), _T("OK clicked."), _T("total 0")}));
    EXPECT_EQ(harness::treeRebuilds(), 1);
}

TEST_F(PluginTest, OkWithoutActiveProjectStillRebuildsTheTree)
{
    ASSERT_EQ(Manager::Get()->GetProjectManager()->GetActiveProject(), nullptr);
    harness::setModalAnswer(harness::pressButton(ok_id));
    EXPECT_EQ(execute(), 0);
    EXPECT_EQ(harness::treeRebuilds(), 1);
}

TEST_F(PluginTest, DirButtonLogsAndKeepsTheDialogOpen)
{
    harness::setModalAnswer([](wxDialog* dialog) {
        harness::later([dialog] {
            wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, 2048);
            dialog->GetEventHandler()->ProcessEvent(click);
            EXPECT_TRUE(dialog->IsModal());
            wxCommandEvent close(wxEVT_COMMAND_BUTTON_CLICKED, close_id);
            dialog->GetEventHandler()->ProcessEvent(close);
        });
        return static_cast<int>(wxID_NONE);
    });
    EXPECT_EQ(execute(), 0);
    const Lines lines = harness::logLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], _T("bkDirSelect clicked"));
    EXPECT_EQ(lines.back(), _T("No addons selected."));
}

TEST_F(PluginTest, EveryRunBuildsANewDialogWithAFreshIdentifier)
{
    std::vector<wxWindowID> ids;
    harness::setModalAnswer([&ids](wxDialog* dialog) {
        ids.push_back(dialog->GetId());
        EXPECT_EQ(dialog->GetParent(), Manager::Get()->GetAppWindow());
        return static_cast<int>(wxID_CLOSE);
    });
    EXPECT_EQ(execute(), 0);
    EXPECT_EQ(execute(), 0);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(harness::logLines(), (Lines{_T("Brisken Addon"), _T("No addons selected."),
                                          _T("Brisken Addon"), _T("No addons selected.")}));
}
