// The language recordcheck speaks: Japanese or English. Every text a maker
// reads exists in both, side by side in the tables that hold it (Words);
// codes, JSON field names and JSON values are the same in both.
#pragma once

#include <string>

namespace recordcheck {

enum class Language { English, Japanese };

// One text in both languages (UTF-8).
struct Words {
    const char* en;
    const char* ja;

    [[nodiscard]] const char* In(Language language) const { return language == Language::Japanese ? ja : en; }
};

// The language of a locale name as LANG and LC_* hold it ("ja_JP.UTF-8",
// "ja", "C"): Japanese for ja*, else English.
[[nodiscard]] Language LanguageOfLocale(const std::string& locale);
// The language of the first of LC_ALL, LC_MESSAGES and LANG that is set
// and not empty, as the C library chooses message catalogues; English
// when none is.
[[nodiscard]] Language LanguageOfEnvironment(const char* lcAll, const char* lcMessages, const char* lang);
// The user's language on this system: on Windows the user interface
// language, elsewhere the environment's locale.
[[nodiscard]] Language SystemLanguage();
// "ja" or "en" as --lang takes it; false for anything else.
[[nodiscard]] bool ParseLanguage(const std::string& name, Language& language);

}  // namespace recordcheck
