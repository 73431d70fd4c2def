// Conversion of the program's UTF-8 texts to and from Shift_JIS (code page 932), the
// encoding of the output file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kurimo {

// Converts UTF-8 to code page 932. No value when a character has no code in it or the
// text is not valid UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Converts code page 932 to UTF-8. No value for bytes that are not valid code page 932.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);

}  // namespace kurimo
