// The programs' own runs on the simulated machine, each with a reporter
// installed that writes down every step as the acting code tells it.
#pragma once

#include "recordcheck/context.h"

namespace recordcheck {

// Prefclear as the player starts it from the game folder, answered OK: its
// messages about the start-up settings become findings, its five deletions
// the run's steps.
void RunPrefclear(Context& c);
// The Uninstaller as the player starts it from the game folder, answered No.
void RunAskingMode(Context& c);
// The temporary copy's uninstall of the game folder (-F), from the
// temporary folder, as the relaunch batch file starts it.
void RunRemovingMode(Context& c);

// The warnings of the uninstall's steps as findings, each placed at the
// record statement or entry it comes from.
void AddStepFindings(Context& c);

}  // namespace recordcheck
