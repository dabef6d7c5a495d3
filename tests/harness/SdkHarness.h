// Boots the IDE's real managers once per test process, under a private Xvfb and HOME, and
// gives tests the application log and control over modal dialogs.
#ifndef SDK_HARNESS_H
#define SDK_HARNESS_H

#include <functional>
#include <string>
#include <vector>

#include <wx/dialog.h>
#include <wx/dynarray.h>
#include <wx/frame.h>
#include <wx/string.h>

#include "TempFiles.h" // readable wide strings in failures

class cbPlugin;
class cbProject;

namespace harness
{
// GUI tests never need or touch the user's display: a process not on a private one runs itself again on one
// (tests/with-display.sh), with the same arguments. Returns only on one, or false when that failed; call it first.
bool onPrivateDisplay(int argc, char** argv);
// Starts the temporary HOME, wxWidgets and the IDE's managers, and installs the modal-dialog hook; false when any of
// them failed. shutDown() undoes it all.
bool boot(int& argc, char** argv);
void shutDown();

// Lines that reached the IDE's application log (index 2) since the last clearLog().
std::vector<wxString> logLines();
// What follows `prefix` in each of those lines that starts with it.
std::vector<wxString> logLinesAfter(const wxString& prefix);
void clearLog();

// Decides a modal dialog before it shows: return wxID_NONE to let it run, or a result to
// end it without showing it.
using ModalAnswer = std::function<int(wxDialog*)>;
void setModalAnswer(ModalAnswer answer);
// Clicks the button `nID` of a dialog, as the toolkit reports a click.
void clickButton(wxDialog* dialog, wxWindowID nID);
// Lets the dialog run and, from inside the running modal loop, calls `act` (when given) and presses its button `nID`.
ModalAnswer pressButton(wxWindowID nID, const std::function<void(wxDialog*)>& act = nullptr);
void clearModalAnswer();
// Answers the directory picker by going to `path` in it and confirming (an empty path
// cancels it), and confirms any other dialog. The folder that the picker opened in is
// recorded as its seen path.
ModalAnswer chooseDirectory(const wxString& path);

// Titles and messages of the modal dialogs seen since the last clearLog().
struct SeenDialog
{
    wxString title;
    wxString message; // a message box's text, or a directory picker's message
    wxString path;    // the folder a directory picker opened in, when chooseDirectory answered it
    long style;       // a message box's style
};
std::vector<SeenDialog> seenDialogs();

// The temporary HOME of this process, and the IDE's user data folder inside it.
wxString homeDir();
wxString userDataDir();

// The hidden frame that serves as the IDE's main window.
wxFrame* appWindow();

// Loads the built plug-in module through the IDE's plug-in manager and returns it, or null.
cbPlugin* loadBriskenPlugin(bool withResourceArchive);

// Copies a file, creating the destination's folders.
bool copyFile(const wxString& from, const wxString& to);

// How often the project manager's UI was asked to rebuild its tree since the last clearLog().
int treeRebuilds();

// Answers the IDE's "which build targets?" question; by default every target.
using TargetAnswer = std::function<wxArrayInt(cbProject*)>;
void setTargetAnswer(TargetAnswer answer);
// How often that question was asked since the last clearLog().
int targetQuestions();

// Runs `action` once the event loop is idle again; used to act inside a running modal loop.
void later(std::function<void()> action);

// Shows the window's top-level parent and lets the toolkit run until the window is drawn
// (two seconds at most); false when it is not.
bool showDrawn(wxWindow* window);

} // namespace harness

#endif // SDK_HARNESS_H
