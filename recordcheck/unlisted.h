// What stays in the game folder after the dry run's uninstall that no
// record lists, with the listed folder each keeps and the box it causes.
#pragma once

#include <string>

#include "recordcheck/context.h"

namespace recordcheck {

// `utf8List`: InstallFiles.ini is written in UTF-8, and its entries name
// the files they meant in Shift-JIS.
void FindUnlisted(Context& c, bool utf8List);

// A listed path as Windows would take it, folded for comparison: '/' as
// '\\', doubled separators as one, none at its end; from a UTF-8 list, the
// Shift-JIS name it meant.
[[nodiscard]] std::string MeantPath(const std::string& listed, bool utf8List);

}  // namespace recordcheck
