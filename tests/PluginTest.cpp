// The plug-in as the IDE drives it: loaded through the plug-in manager, attached, run.
#include <gtest/gtest.h>

#include <wx/checklst.h>

#include <cbplugin.h>
#include <pluginmanager.h>
#include <projectmanager.h>

#include "SdkTest.h"

namespace
{
using run::loadedPlugin;
using Lines = std::vector<wxString>;

class PluginTest : public PluginSdkTest
{
protected:
    static int execute() { return static_cast<cbToolPlugin*>(loadedPlugin())->Execute(); }
};

const wxWindowID ok_id = 2049;
const wxWindowID close_id = 2050;

// What every run writes while its dialog opens with no location stored.
const Lines opening = {_T("Brisken Addon"), _T("Finding addons in"),
                       _T("You need to select the Brisken directory./addons/")};

Lines operator+(Lines first, const Lines& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}
} // namespace

TEST_F(PluginTest, NotAttachedReturnsMinusOneAndDoesNothing)
{
    ASSERT_TRUE(Manager::Get()->GetPluginManager()->DetachPlugin(loadedPlugin()));
    EXPECT_EQ(execute(), -1);
    EXPECT_TRUE(harness::logLines().empty());
    EXPECT_TRUE(harness::seenDialogs().empty());
    ASSERT_TRUE(Manager::Get()->GetPluginManager()->AttachPlugin(loadedPlugin()));
}

TEST_F(PluginTest, EveryRunBuildsANewDialogAndOneNotConfirmedChangesNothing)
{
    // "Close", and the window's own close request, which the toolkit ends with a cancel result.
    const harness::ModalAnswer answers[] = {harness::pressButton(close_id),
                                            [](wxDialog*) { return static_cast<int>(wxID_CANCEL); }};
    std::vector<wxWindowID> ids;
    for (const harness::ModalAnswer& answer : answers)
    {
        harness::clearLog();
        harness::setModalAnswer([&](wxDialog* dialog) {
            ids.push_back(dialog->GetId());
            EXPECT_EQ(dialog->GetParent(), Manager::Get()->GetAppWindow());
            EXPECT_EQ(dialog->GetTitle(), _T("Brisken Addon Plugin"));
            return answer(dialog);
        });
        EXPECT_EQ(execute(), 0);
        EXPECT_EQ(harness::logLines(), (opening + Lines{_T("No addons selected.")}));
        EXPECT_EQ(harness::treeRebuilds(), 0);
    }
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_NE(ids[0], ids[1]);
}

TEST_F(PluginTest, OkWithoutActiveProjectSaysSoAndStillRebuildsTheTree)
{
    ASSERT_EQ(Manager::Get()->GetProjectManager()->GetActiveProject(), nullptr);
    harness::setModalAnswer(harness::pressButton(ok_id));
    EXPECT_EQ(execute(), 0);
    // The report's one line in the log is the IDE's record of its notice.
    EXPECT_EQ(harness::logLines(), (opening + Lines{_T("OK clicked."), _T("total 0"),
                                                    _T("Info[Brisken Addons]: No active project: nothing was changed.")}));
    EXPECT_EQ(harness::treeRebuilds(), 1);
}

