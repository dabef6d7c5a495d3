// The plug-in object that the IDE creates, attaches and runs.
#ifndef BRISKEN_H
#define BRISKEN_H

#include <vector>

#include <cbplugin.h>

#include "ChangePlanner.h"

class AddonDialog;

class Brisken : public cbToolPlugin
{
public:
    Brisken();

    // The addon command: one dialog, one change of the active project.
    int Execute() override;

    // Virtual, so that a caller outside the module (which exports no symbol) reaches its code. Puts the addons, and
    // everything they require, into the active project; says what it got.
    virtual Applied addAddons(AddonFiles oAddons, AddonFiles oAvailableAddons);
    // Takes the addons' source files out of the active project; returns how many it removed.
    virtual int removeAddons(AddonFiles oAddons);

private:
    // One run of the command: the dialog, then the confirmed change of the project.
    void run();
    // Changes the active project as the confirmed dialog says; returns the report's lines.
    std::vector<wxString> confirm(const AddonDialog& dlg);
};

#endif // BRISKEN_H
