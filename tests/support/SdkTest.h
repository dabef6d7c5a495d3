// What every test against the IDE's managers starts from and leaves behind: no Brisken location
// stored, no answer set for a modal dialog or the build-target question, an empty log and no
// project open; and a temporary tree of its own. Each suite adds its own set-up to it.
#ifndef SDK_TEST_H
#define SDK_TEST_H

#include <gtest/gtest.h>

#include <memory>

#include <configmanager.h>
#include <manager.h>

#include "AddonDialog.h"
#include "DialogControls.h"
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

    // A project three folders below the tree's base, as the toolkit's apps are; the log cleared.
    wxString cbp(const wxString& name = _T("ex1")) const
    {
        return tree / _T("apps/demos/") + name + _T("/") + name + _T(".cbp");
    }
    cbProject* open(const std::vector<wxString>& units, const wxString& name = _T("ex1"), int targets = 1)
    {
        cbProject* project = fixture::openProject(cbp(name), units, targets);
        harness::clearLog();
        return project;
    }

    fixture::TempDir tree;
};

// The same with an addon dialog of the test's own, opened on `storedLocation` when one is given.
class DialogSdkTest : public SdkTest
{
protected:
    void TearDown() override
    {
        dlg.reset();
        SdkTest::TearDown();
    }
    void openDialog(const wxString& storedLocation = wxString())
    {
        if (!storedLocation.empty())
            cfg()->Write(_T("bk_dir"), storedLocation, false);
        dlg = controls::newDialog();
    }

    std::unique_ptr<AddonDialog> dlg;
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
