// What stays in the game folder after the dry run's uninstall that no
// record lists, with the listed folder each keeps and the box it causes.
#pragma once

#include "recordcheck/context.h"

namespace recordcheck {

void FindUnlisted(Context& c);

}  // namespace recordcheck
