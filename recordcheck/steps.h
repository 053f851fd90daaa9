// Names and words for the steps of a run: the stable names the JSON
// document uses, and what the text output says of each.
#pragma once

#include <cstddef>
#include <string>

#include "recordcheck/language.h"
#include "recordcheck/report.h"

namespace recordcheck {

// The stable names are the English words.
[[nodiscard]] Words KindWords(StepKind kind);
[[nodiscard]] Words OutcomeWords(StepOutcome outcome);
[[nodiscard]] const char* KindName(StepKind kind);         // "file", "desktop shortcut", ...
[[nodiscard]] const char* SectionName(StepKind kind);      // "shortcuts", "files", "folders", ...
[[nodiscard]] const char* OutcomeName(StepOutcome outcome);  // "removed", "stays", "refused", "not there"
[[nodiscard]] const char* ReasonName(StepReason reason);   // "link-on-the-way", ...; "" for none
// A Win32 error in words ("access is denied").
[[nodiscard]] std::string ErrorText(unsigned long error, Language language);
// Why a step came out as it did, in words (UTF-8); "" for a plain removal.
[[nodiscard]] std::string DescribeStep(const Step& step, Language language);
// The characters of a CP932 text, as the ANSI calls count them (a two-byte
// character is one).
[[nodiscard]] std::size_t CharacterCount(const std::string& cp932);
// True when a step's path, or the folder on its way, is longer than the
// programs' calls reach (MAX_PATH, 260 characters with the NUL).
[[nodiscard]] bool IsBeyondMaxPath(const Step& step);
// A registry result that says a key's name is longer than the registry
// takes (the key cannot exist), not that an existing key cannot be opened.
[[nodiscard]] bool IsNameTooLongError(unsigned long error);
// True for the steps whose path is a key below HKEY_LOCAL_MACHINE.
[[nodiscard]] bool IsRegistryStep(StepKind kind);

}  // namespace recordcheck
