#include "recordcheck/language.h"

#include <cstdlib>

namespace recordcheck {

Language LanguageOfLocale(const std::string& locale) {
    return locale.compare(0, 2, "ja") == 0 ? Language::Japanese : Language::English;
}

Language LanguageOfEnvironment(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value != nullptr && *value != '\0') return LanguageOfLocale(value);
    }
    return Language::English;
}

bool ParseLanguage(const std::string& name, Language& language) {
    if (name == "ja") {
        language = Language::Japanese;
    } else if (name == "en") {
        language = Language::English;
    } else {
        return false;
    }
    return true;
}

#ifndef _WIN32
// Windows asks the user interface language (language_windows.cpp).
Language SystemLanguage() {
    return LanguageOfEnvironment(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}
#endif

}  // namespace recordcheck
