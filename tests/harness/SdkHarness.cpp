#include "SdkHarness.h"

#include "Shared.h"
#include "TempFiles.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>
#include <unistd.h>

#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <wx/app.h>
#include <wx/dir.h>
#include <wx/dirdlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/fs_mem.h>
#include <wx/fs_zip.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>
#include <wx/xrc/xmlres.h>

#include <cbplugin.h>
#include <logger.h>
#include <logmanager.h>
#include <manager.h>
#include <cbproject.h>
#include <pluginmanager.h>
#include <projectmanager.h>

namespace
{
std::vector<wxString> captured_lines;
std::vector<harness::SeenDialog> seen_dialogs;
harness::ModalAnswer modal_answer;
wxString home_dir;
int tree_rebuilds = 0;
int target_questions = 0;
harness::TargetAnswer target_answer;
wxFrame* app_frame = nullptr;

// Keeps what the IDE writes to the application log.
class CaptureLogger : public Logger
{
public:
    void Append(const wxString& msg, Logger::level /*lv*/) override { captured_lines.push_back(msg); }
};

// The folder that the native directory picker shows.
wxString currentFolder(GtkWidget* widget)
{
    gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(widget));
    const wxString current = folder ? wxString::FromUTF8(folder) : wxString();
    g_free(folder);
    return current;
}

// Every modal dialog passes here before it shows. Without an answer from the test it is
// cancelled, so that an unexpected dialog fails a test instead of hanging the suite.
class ModalHook : public wxModalDialogHook
{
protected:
    int Enter(wxDialog* dialog) override
    {
        harness::SeenDialog seen{dialog->GetTitle(), wxString(), wxString(), 0};
        if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog))
            seen = {box->GetTitle(), box->GetMessage(), wxString(), box->GetMessageDialogStyle()};
        else if (auto* picker = dynamic_cast<wxDirDialogBase*>(dialog))
            seen.message = picker->GetMessage();
        seen_dialogs.push_back(seen);
        if (modal_answer)
            return modal_answer(dialog);
        std::fprintf(stderr, "harness: unexpected modal dialog \"%s\": %s\n",
                     static_cast<const char*>(seen.title.utf8_str()),
                     static_cast<const char*>(seen.message.utf8_str()));
        return wxID_CANCEL;
    }
    void Exit(wxDialog* /*dialog*/) override {}
};

// The project manager's UI as the IDE's main window would have it, minus the window: it
// counts tree rebuilds and answers the build-target question as the test says.
class TestProjectUI : public cbProjectManagerUI
{
public:
    cbAuiNotebook* GetNotebook() override { return nullptr; }
    cbTreeCtrl* GetTree() override { return nullptr; }
    void RebuildTree() override { ++tree_rebuilds; }
    void FreezeTree() override {}
    void UnfreezeTree(bool /*force*/) override {}
    wxTreeItemId GetTreeSelection() override { return wxTreeItemId(); }
    void ShowFileInTree(ProjectFile& /*projectFile*/) override {}
    void UpdateActiveProject(cbProject*, cbProject*, bool) override {}
    void RemoveProject(cbProject*) override {}
    void BeginLoadingWorkspace() override {}
    void CloseWorkspace() override {}
    void FinishLoadingProject(cbProject*, bool, FilesGroupsAndMasks*) override {}
    void FinishLoadingWorkspace(cbProject*, const wxString&) override {}
    bool QueryCloseAllProjects() override { return true; }
    bool QueryCloseProject(cbProject*, bool) override { return true; }
    bool QueryCloseWorkspace() override { return true; }
    int AskForBuildTargetIndex(cbProject*) override { return 0; }
    void ConfigureProjectDependencies(cbProject*, wxWindow*) override {}
    void SwitchToProjectsPage() override {}
    // Pure virtual since Code::Blocks 25.03 (SDK 2.25); 20.03 lacks it, hence no `override`.
    void ReloadFileSystemWatcher(cbProject*) {}
    wxArrayInt AskForMultiBuildTargetIndex(cbProject* project) override
    {
        ++target_questions;
        if (target_answer)
            return target_answer(project);
        wxArrayInt all;
        for (int i = 0; project && i < project->GetBuildTargetsCount(); ++i)
            all.Add(i);
        return all;
    }
};

class HarnessApp : public wxApp
{
public:
    bool OnInit() override { return true; }
};

bool makeHome(const wxString& dir)
{
    home_dir = dir;
    setenv("HOME", dir.utf8_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    // Without the config folder the IDE asks in a modal box at shutdown.
    return !dir.empty() && fixture::makeDir(home_dir + _T("/.config/codeblocks"));
}

// A failed wx assertion would open a modal box that nobody answers: print it instead.
void printAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                 const wxString& msg)
{
    std::fprintf(stderr, "wx assertion %s:%d %s: %s %s\n", static_cast<const char*>(file.utf8_str()),
                 line, static_cast<const char*>(func.utf8_str()),
                 static_cast<const char*>(cond.utf8_str()), static_cast<const char*>(msg.utf8_str()));
}

void bootManagers()
{
    wxSetAssertHandler(printAssert);
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxTheApp->SetAppName(_T("codeblocks"));
    static_cast<wxStandardPaths&>(wxStandardPaths::Get()).SetInstallPrefix(_T("/usr"));
    wxFileSystem::AddHandler(new wxZipFSHandler);
    wxFileSystem::AddHandler(new wxMemoryFSHandler);
    wxXmlResource::Get()->InitAllHandlers();
    wxInitAllImageHandlers();

    app_frame = new wxFrame(nullptr, wxID_ANY, _T("Brisken tests"));
    Manager::Get(app_frame);
    Manager::Get()->GetLogManager()->SetLog(new CaptureLogger, LogManager::app_log);
    // The plug-in's modules used without the plug-in write to the same log it binds.
    bindLog([](const wxString& sLine) { Manager::Get()->GetLogManager()->Log(sLine, LogManager::app_log, Logger::info); });
    Manager::Get()->GetProjectManager()->SetUI(new TestProjectUI);
    // Loading projects needs the IDE's compiler plug-in.
    Manager::Get()->GetPluginManager()->LoadPlugin(_T("/usr/lib/codeblocks/plugins/libcompiler.so"));
}

void shutDownManagers()
{
    Manager::Get()->GetProjectManager()->CloseAllProjects(true);
    // The managers pushed handlers onto the frame; leaving them there is a use-after-free at exit.
    while (app_frame->GetEventHandler() != app_frame)
        app_frame->PopEventHandler(false);
    Manager::SetAppShuttingDown(true);
    Manager::Shutdown();
    Manager::Free();
    app_frame->Destroy();
}

// The native picker changes folders asynchronously, so it is answered from a GLib timer, which
// lets the main loop run in between: first the folder it opens in is recorded, then it goes to
// the wanted folder and is confirmed there, or it is cancelled when no folder is wanted. Each
// wait ends after two seconds at most.
struct PendingChoice
{
    GtkWidget* widget;
    wxString path;
    size_t seen_index;
    bool start_recorded = false;
    int attempts_left = 200;
};

gboolean answerPicker(gpointer data)
{
    auto* choice = static_cast<PendingChoice*>(data);
    const wxString shown = currentFolder(choice->widget);
    const bool waiting = choice->start_recorded ? shown != choice->path : shown.empty();
    if (waiting && --choice->attempts_left > 0)
        return G_SOURCE_CONTINUE;
    if (!choice->start_recorded)
    {
        if (choice->seen_index < seen_dialogs.size())
            seen_dialogs[choice->seen_index].path = shown;
        choice->start_recorded = true;
        choice->attempts_left = 200;
        if (!choice->path.empty())
        {
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(choice->widget),
                                                choice->path.utf8_str());
            return G_SOURCE_CONTINUE;
        }
    }
    gtk_dialog_response(GTK_DIALOG(choice->widget),
                        choice->path.empty() ? GTK_RESPONSE_CANCEL : GTK_RESPONSE_ACCEPT);
    delete choice;
    return G_SOURCE_REMOVE;
}

struct Session
{
    ModalHook hook;
    fixture::TempDir home;
};
std::unique_ptr<Session> session;

} // namespace

wxIMPLEMENT_APP_NO_MAIN(HarnessApp);

namespace harness
{
std::vector<wxString> logLines() { return captured_lines; }

std::vector<wxString> logLinesAfter(const wxString& prefix)
{
    std::vector<wxString> rest;
    wxString after;
    for (const wxString& line : captured_lines)
        if (line.StartsWith(prefix, &after))
            rest.push_back(after);
    return rest;
}

void clearLog()
{
    captured_lines.clear();
    seen_dialogs.clear();
    tree_rebuilds = 0;
    target_questions = 0;
}

void setModalAnswer(ModalAnswer answer) { modal_answer = std::move(answer); }
void clearModalAnswer() { modal_answer = nullptr; }
std::vector<SeenDialog> seenDialogs() { return seen_dialogs; }
wxString homeDir() { return home_dir; }
wxString userDataDir() { return home_dir + _T("/.local/share/codeblocks"); }
wxFrame* appWindow() { return app_frame; }
int treeRebuilds() { return tree_rebuilds; }
void setTargetAnswer(TargetAnswer answer) { target_answer = std::move(answer); }
int targetQuestions() { return target_questions; }

bool copyFile(const wxString& from, const wxString& to)
{
    return fixture::makeDir(wxFileName(to).GetPath()) && wxCopyFile(from, to);
}

cbPlugin* loadBriskenPlugin(bool withResourceArchive)
{
    const wxString zip_in_data = userDataDir() + _T("/Brisken.zip");
    if (withResourceArchive)
        copyFile(_T(BRISKEN_ZIP_PATH), zip_in_data);
    else if (wxFileExists(zip_in_data))
        wxRemoveFile(zip_in_data);
    // Where a user installs it, and loaded as the IDE loads user plug-ins at start-up: the scan
    // reads the manifest from the archive beside the library, then loads the library.
    const wxString plugin_dir = userDataDir() + _T("/plugins");
    copyFile(_T(BRISKEN_MODULE_PATH), plugin_dir + _T("/libBrisken.so"));
    copyFile(_T(BRISKEN_ZIP_PATH), plugin_dir + _T("/Brisken.zip"));
    PluginManager* plugins = Manager::Get()->GetPluginManager();
    plugins->ScanForPlugins(plugin_dir);
    return plugins->FindPluginByName(_T("Brisken"));
}

void later(std::function<void()> action) { wxTheApp->CallAfter(std::move(action)); }

bool showDrawn(wxWindow* window)
{
    wxGetTopLevelParent(window)->Show();
    auto* widget = static_cast<GtkWidget*>(window->GetHandle());
    // Laying out is asynchronous: let the toolkit run until the window is mapped.
    for (int k = 0; k < 200 && !gtk_widget_get_mapped(widget); ++k)
    {
        while (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
        wxMilliSleep(10);
    }
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
    return gtk_widget_get_mapped(widget);
}

void clickButton(wxDialog* dialog, wxWindowID nID)
{
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, nID);
    click.SetEventObject(dialog->FindWindow(nID));
    dialog->GetEventHandler()->ProcessEvent(click);
}

ModalAnswer pressButton(wxWindowID nID, const std::function<void(wxDialog*)>& act)
{
    return [nID, act](wxDialog* dialog) {
        later([dialog, nID, act] {
            if (act)
                act(dialog);
            clickButton(dialog, nID);
        });
        return static_cast<int>(wxID_NONE);
    };
}

ModalAnswer chooseDirectory(const wxString& path)
{
    return [path](wxDialog* dialog) {
        if (!dynamic_cast<wxDirDialogBase*>(dialog))
            return static_cast<int>(wxID_OK);
        // The user's way: look at the picker, go to the folder and confirm it.
        auto* widget = static_cast<GtkWidget*>(dialog->GetHandle());
        g_timeout_add(10, answerPicker, new PendingChoice{widget, path, seen_dialogs.size() - 1});
        return static_cast<int>(wxID_NONE);
    };
}

bool onPrivateDisplay(int argc, char** argv)
{
    if (std::getenv("BRISKEN_PRIVATE_DISPLAY"))
        return true;
    std::vector<char*> args{const_cast<char*>("bash"), const_cast<char*>(BRISKEN_WITH_DISPLAY)};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execvp("bash", args.data());
    std::fprintf(stderr, "harness: could not run %s\n", BRISKEN_WITH_DISPLAY);
    return false;
}

bool boot(int& argc, char** argv)
{
    if (!std::getenv("BRISKEN_PRIVATE_DISPLAY"))
    {
        std::fprintf(stderr, "harness: not on a private display\n");
        return false;
    }
    session = std::make_unique<Session>();
    // GTK's file chooser saves its settings; keep them in memory rather than asking for a
    // session bus that a test machine does not have.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    const char* failure = !makeHome(session->home.path())                         ? "could not make a temporary HOME"
                          : !wxEntryStart(argc, argv) || !wxTheApp->CallOnInit() ? "wxWidgets did not start"
                                                                                 : nullptr;
    if (failure)
    {
        std::fprintf(stderr, "harness: %s\n", failure);
        return false;
    }
    bootManagers();
    session->hook.Register();
    return true;
}

void shutDown()
{
    session->hook.Unregister();
    shutDownManagers();
    wxEntryCleanup();
    session.reset();
}
} // namespace harness
