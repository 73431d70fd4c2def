// Texts that a message quotes back to the user: cut to a readable length, and always valid
// UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kurimo {

// The text with every byte that is not part of a valid UTF-8 character replaced by U+FFFD
// ("\xEF\xBF\xBD"), as the JSON output replaces them: what the programs print on standard
// error passes through it, so that a file name or an option given in another encoding
// (Shift_JIS, Latin-1) reaches the terminal as readable text, never as stray bytes.
std::string ValidUtf8(std::string_view text);

// The text as a message echoes it: unchanged when it has at most `maxCharacters`
// characters, otherwise its first `maxCharacters` characters followed by "…". Texts are
// UTF-8 and the cut falls on a character boundary; bytes that are no valid UTF-8 become
// U+FFFD as ValidUtf8 replaces them, each counted as one character. Control characters,
// which would move the cursor or change a terminal's state, show as their pictures ("␛"
// for ESC, "␀" for NUL); a tab stays a tab.
std::string EchoedText(std::string_view text, std::size_t maxCharacters = 40);

}  // namespace kurimo
