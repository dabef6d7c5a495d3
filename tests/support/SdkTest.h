// What every test against the IDE's managers starts from and leaves behind: no Brisken location
// stored, no answer set for a modal dialog or the build-target question, an empty log and no
// project open; and a temporary tree of its own. Each suite adds its own set-up to it.
#ifndef SDK_TEST_H
#define SDK_TEST_H

#include <gtest/gtest.h>

#include <configmanager.h>
#include <manager.h>

#include "DiskFixture.h"
#include "PluginRun.h"
#include "SdkHarness.h"

class SdkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cfg()->UnSet(_T("bk_dir"));
        harness::clearModalAnswer();
        harness::setTargetAnswer(nullptr);
        harness::clearLog();
    }
    void TearDown() override
    {
        harness::clearModalAnswer();
        harness::setTargetAnswer(nullptr);
        fixture::closeProjects();
        cfg()->UnSet(_T("bk_dir"));
    }

    // The plug-in's settings, where the Brisken location is stored as "bk_dir".
    static ConfigManager* cfg() { return Manager::Get()->GetConfigManager(_T("brisken")); }

    fixture::TempDir tree;
};

// The same with the built plug-in loaded and attached, as the IDE has it when the user runs it.
class PluginSdkTest : public SdkTest
{
protected:
    void SetUp() override
    {
        // Loading it the first time writes to the log, which the base then clears.
        ASSERT_NE(run::attachedPlugin(), nullptr);
        SdkTest::SetUp();
    }
};

#endif // SDK_TEST_H
