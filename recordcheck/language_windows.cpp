// The user's language on Windows: the language of the user interface, as
// Explorer and the system's own messages speak it.
#include <windows.h>

#include "recordcheck/language.h"

namespace recordcheck {

Language SystemLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
}

}  // namespace recordcheck
