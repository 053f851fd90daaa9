// One finding for each cause, with what follows from it told under it; and
// what one game's uninstall takes from another game of the maker.
#pragma once

#include "recordcheck/context.h"

namespace recordcheck {

// Folds the findings that follow from another into it: what lies below a
// path out of reach (too long, or a name code page 932 cannot hold) goes
// with that path's finding;
// a folder that stays (the game folder too) becomes a consequence of each
// finding about what it still holds, and its own finding goes when one
// tells why. `utf8List`: InstallFiles.ini is UTF-8, and its entries that
// find nothing are its finding's consequences.
void GroupByCause(Context& c, bool utf8List);

// What this uninstall removes that another game's installer wrote (given
// with --other-game): a finding for each thing the games share.
void CheckOtherGames(Context& c);

// The shortcuts this game's installer made that stay after the uninstall,
// where no finding says so yet.
void CheckLeftShortcuts(Context& c);

}  // namespace recordcheck
