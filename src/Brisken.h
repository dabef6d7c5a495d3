// The plug-in object that the IDE creates, attaches and runs.
#ifndef BRISKEN_H
#define BRISKEN_H

#include <vector>

#include <cbplugin.h>

#include "Shared.h"

class AddonDialog;

class Brisken : public cbToolPlugin
{
public:
    Brisken();

    // The addon command: one dialog, one change of the active project.
    int Execute() override;

    // What adding changed: the addons applied, in order, and what the project did not have.
    struct Added
    {
        Names addons;
        int files = 0;
        int link_options = 0;
        int include_dirs = 0;
    };

    // Virtual, so that a caller outside the module (which exports no symbol) reaches its code.
    // Puts the addons, and everything they require, into the active project.
    virtual Added addAddons(AddonFiles oAddons, AddonFiles oAvailableAddons);
    // Takes the addons' source files out of the active project; returns how many it removed.
    virtual int removeAddons(AddonFiles oAddons);

private:
    // One run of the command: the dialog, then the confirmed change of the project.
    void run();
    // Changes the active project as the confirmed dialog says; returns the report's lines.
    std::vector<wxString> confirm(const AddonDialog& dlg);
};

#endif // BRISKEN_H
