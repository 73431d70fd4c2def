// Texts that a message quotes back to the user, cut to a readable length.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kurimo {

// The text as a message echoes it: unchanged when it has at most `maxCharacters`
// characters, otherwise its first `maxCharacters` characters followed by "…". Texts are
// UTF-8 and the cut falls on a character boundary; a byte that does not start a valid
// UTF-8 sequence counts as one character and is kept as it is. Control characters, which
// would move the cursor or change a terminal's state, show as their pictures ("␛" for ESC,
// "␀" for NUL); a tab stays a tab.
std::string EchoedText(std::string_view text, std::size_t maxCharacters = 40);

}  // namespace kurimo
