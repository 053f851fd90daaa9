// Linked into the Windows programs only.
//
// libstdc++'s default terminate handler prints the type of the exception that
// ended the program to stderr, and so links in the whole C++ name demangler
// (about 50 KiB of each program). A windowless program has no stderr to
// print to, so this handler of the same name just aborts, as the default one
// does after printing. Nothing else in the runtime changes.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx
