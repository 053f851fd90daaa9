// recordcheck's command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace recordcheck {

class InstalledMachine;

// Runs recordcheck on its arguments (without the program name); what it
// prints goes to `out` and `err`. Returns the exit status: 0 clean,
// 1 warnings, 2 records the programs cannot read, 3 a bad command line or a
// folder that cannot be read. With `installed` (recordcheck.exe), the folder
// is the installation on that machine, which the check reads for what lies
// outside the folder.
[[nodiscard]] int RunRecordCheck(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                                 const InstalledMachine* installed = nullptr);

}  // namespace recordcheck
