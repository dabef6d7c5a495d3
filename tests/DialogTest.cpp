// The addon dialog's fixed layout, its location field and how its buttons end it.
#include <gtest/gtest.h>

#include <functional>

#include <sys/inotify.h>
#include <unistd.h>

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "SdkTest.h"

namespace
{
using Lines = std::vector<wxString>;
using controls::childrenOf;

class DialogTest : public DialogSdkTest
{
protected:
    void SetUp() override
    {
        DialogSdkTest::SetUp();
        openDialog();
    }

    // The dialog's check list, filled with `names` as discovery would fill it.
    wxCheckListBox* fillList(const std::vector<wxString>& names)
    {
        auto* list = controls::checkList(dlg.get());
        for (const wxString& name : names)
            list->Append(name);
        return list;
    }
};
} // namespace

TEST_F(DialogTest, LayoutIsFixed)
{
    EXPECT_EQ(dlg->GetTitle(), _T("Brisken Addon Plugin"));
    EXPECT_EQ(dlg->GetSize(), wxSize(420, 500));
    EXPECT_FALSE(dlg->HasFlag(wxRESIZE_BORDER));
    const auto boxes = childrenOf<wxStaticBox>(dlg.get());
    const auto texts = childrenOf<wxTextCtrl>(dlg.get());
    const auto lists = childrenOf<wxCheckListBox>(dlg.get());
    ASSERT_EQ(boxes.size(), 2u);
    ASSERT_EQ(texts.size(), 1u);
    ASSERT_EQ(lists.size(), 1u);
    const struct
    {
        wxWindow* window;
        const char* label; // null: not checked
        wxPoint at;
        wxSize size; // -1: not checked
    } placed[] = {
        {boxes[0], "Brisken location", {10, 10}, {385, 60}},
        {boxes[1], "Select addons for your project", {10, 80}, {385, 330}},
        {texts[0], nullptr, {20, 35}, {330, -1}},
        {dynamic_cast<wxButton*>(dlg->FindWindow(2048)), "...", {355, 35}, {25, 20}},
        {dynamic_cast<wxButton*>(dlg->FindWindow(2049)), "Add addons to project", {10, 420}, {-1, -1}},
        {dynamic_cast<wxButton*>(dlg->FindWindow(2050)), "Close", {320, 420}, {-1, -1}},
        {lists[0], nullptr, {20, 105}, {360, 280}},
    };
    for (const auto& p : placed)
    {
        SCOPED_TRACE(testing::Message() << "the window at " << p.at.x << ", " << p.at.y);
        ASSERT_NE(p.window, nullptr);
        EXPECT_TRUE(!p.label || p.window->GetLabel() == p.label) << p.window->GetLabel();
        EXPECT_EQ(p.window->GetPosition(), p.at);
        EXPECT_TRUE(p.size.x < 0 || p.window->GetSize().x == p.size.x) << p.window->GetSize().x;
        EXPECT_TRUE(p.size.y < 0 || p.window->GetSize().y == p.size.y) << p.window->GetSize().y;
    }
    // What OK would do is said inside the addon box, below the list.
    const wxRect preview = childrenOf<wxStaticText>(dlg.get()).at(0)->GetRect();
    EXPECT_TRUE(boxes[1]->GetRect().Contains(preview));
    EXPECT_GE(preview.y, lists[0]->GetRect().GetBottom());
    EXPECT_FALSE(lists[0]->HasFlag(wxLB_SORT));
    EXPECT_EQ(lists[0]->GetCount(), 0u);
    // With nothing stored the read-only field says what to do; "..." says what it does.
    EXPECT_EQ(texts[0]->GetValue(), _T("You need to select the Brisken directory."));
    EXPECT_FALSE(texts[0]->IsEditable());
    EXPECT_EQ(dlg->FindWindow(2048)->GetToolTipText(), _T("Select the Brisken directory"));
    EXPECT_TRUE(dlg->getPreviouslySelectedAddons().empty());
    EXPECT_TRUE(harness::seenDialogs().empty());
}

TEST_F(DialogTest, OkCloseAndEscapeEndTheDialog)
{
    fillList({_T("alpha"), _T("beta"), _T("gamma")})->Check(1);
    const auto escape = [](wxDialog* dialog) {
        // The key as the toolkit hands it to the dialog before any control sees it.
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = WXK_ESCAPE;
        key.SetEventObject(dialog);
        dialog->GetEventHandler()->ProcessEvent(key);
    };
    const struct
    {
        std::function<void(wxDialog*)> act;
        int result;
        Lines log;
    } cases[] = {
        // OK counts every listed item, ticked or not.
        {[](wxDialog* dialog) { harness::clickButton(dialog, 2049); }, wxID_OK, {_T("OK clicked."), _T("total 3")}},
        {[](wxDialog* dialog) { harness::clickButton(dialog, 2050); }, wxID_CLOSE, {}},
        {escape, wxID_CLOSE, {}},
    };
    for (const auto& c : cases)
    {
        harness::clearLog();
        harness::setModalAnswer([&c](wxDialog* dialog) {
            harness::later([&c, dialog] {
                c.act(dialog);
                if (dialog->IsModal()) // ignored: end it, so that the test fails instead of hanging
                    dialog->EndModal(wxID_NONE);
            });
            return static_cast<int>(wxID_NONE);
        });
        EXPECT_EQ(dlg->ShowModal(), c.result);
        EXPECT_EQ(harness::logLines(), c.log);
    }
}

TEST_F(DialogTest, TypingTheFirstLettersOfANameSelectsIt)
{
    auto* list = fillList({_T("alpha"), _T("beta"), _T("Bravo"), _T("gamma"), _T("beta2")});
    const struct
    {
        const char* keys;
        long gap_ms; // between two keys
        int selected;
    } cases[] = {
        {"g", 0, 3},
        {"BR", 100, 2},        // letters in quick succession spell one name, in either case
        {"beta2", 100, 4},
        {"bbb", 100, 4},       // one letter again steps to the next name that starts with it
        {"bg", 1500, 3},       // after a pause a new name starts
        {"x", 0, wxNOT_FOUND}, // no name: the selection stays
        {"g b", 100, 4},       // space ticks and ends a name: "b" steps on from gamma
    };
    long now = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.keys);
        list->SetSelection(wxNOT_FOUND);
        now += 10000;
        for (const char* key = c.keys; *key; ++key, now += c.gap_ms)
        {
            wxKeyEvent typed(wxEVT_CHAR);
            typed.m_keyCode = typed.m_uniChar = static_cast<wxChar>(*key);
            typed.SetTimestamp(now);
            list->GetEventHandler()->ProcessEvent(typed);
        }
        EXPECT_EQ(list->GetSelection(), c.selected);
    }
}

// The install files that the dialog opens, counted by the kernel.
class OpenedFiles
{
public:
    OpenedFiles() : fd(inotify_init1(IN_NONBLOCK)) {}
    ~OpenedFiles() { close(fd); }
    void watch(const wxString& path) { EXPECT_GE(inotify_add_watch(fd, path.utf8_str(), IN_OPEN), 0) << path; }
    // How many were opened since it was last asked.
    int count()
    {
        int opened = 0;
        alignas(inotify_event) char events[4096];
        for (ssize_t got; (got = read(fd, events, sizeof events)) > 0;)
            for (char* at = events; at < events + got; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
                ++opened;
        return opened;
    }

private:
    const int fd;
};

TEST_F(DialogTest, ThePreviewFollowsTheTicksAndReadsEachInstallFileOnceWhileOpen)
{
    fixture::makeBriskenTree(tree.path(), {});
    const wxString addons = tree / _T("addons");
    fixture::writeInstall(addons, _T("alpha"), {{}, {}, {}, {_T("beta")}});
    fixture::writeInstall(addons, _T("beta"), {{}, {}, {}, {_T("gamma")}});
    fixture::writeInstall(addons, _T("gamma"), {{_T("../../../addons/gamma/g.cpp")}, {}, {}, {}});
    fixture::writeFile(addons + _T("/gamma/g.cpp"));
    ASSERT_NE(open({_T("../../../addons/gamma/g.cpp")}), nullptr);
    OpenedFiles opened;
    for (const wxChar* name : {_T("alpha"), _T("beta"), _T("gamma")})
        opened.watch(addons + _T("/") + name + _T("/install.xml"));

    openDialog(tree.path());
    const struct
    {
        const wxChar* name;
        bool ticked;
        const wxChar* preview;
        int reads;
    } steps[] = {
        {nullptr, false, _T("OK changes nothing"), 0},
        {_T("alpha"), true, _T("OK adds alpha, beta, gamma"), 3},
        {_T("alpha"), false, _T("OK changes nothing"), 0},
        {_T("alpha"), true, _T("OK adds alpha, beta, gamma"), 0},
        {_T("gamma"), false, _T("OK adds alpha, beta, gamma; keeps gamma (beta requires it)"), 0},
        {_T("alpha"), false, _T("OK removes gamma"), 0},
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.preview);
        EXPECT_TRUE(!step.name || controls::tick(dlg.get(), step.name, step.ticked));
        EXPECT_EQ(controls::changePreview(dlg.get()), step.preview);
        EXPECT_EQ(childrenOf<wxStaticText>(dlg.get()).at(0)->GetToolTipText(), step.preview);
        EXPECT_EQ(opened.count(), step.reads);
    }
    // Setting the location again reads none of them again.
    dlg->setBKDir(tree.path());
    controls::tick(dlg.get(), _T("beta"));
    EXPECT_EQ(controls::changePreview(dlg.get()), _T("OK adds beta, gamma"));
    EXPECT_EQ(opened.count(), 0);
}
