#include "echo_text.h"

namespace kurimo {
namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The UTF-8 character at `at`: its length in bytes and whether it is valid. Invalid bytes
// are taken as the Unicode standard advises and JSON writers replace them: the longest
// start of a valid sequence that is cut short (E3 81 before an ASCII letter) is one invalid
// unit, any other bad byte (a stray continuation byte, an overlong form's lead, a
// surrogate, a code above U+10FFFF) is one on its own.
struct Character {
  std::size_t length;
  bool valid;
};

Character CharacterAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;  // range of the second byte
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    return {1, true};
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, false};
  }
  for (std::size_t k = 1; k < length; ++k) {
    const bool fits = at + k < text.size() &&
                      (k == 1 ? byte(1) >= low && byte(1) <= high : IsContinuation(byte(k)));
    if (!fits) return {k, false};
  }
  return {length, true};
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// The picture of a control character: U+2400 + its code, U+2421 for DEL, in UTF-8.
std::string ControlPicture(unsigned char code) {
  const unsigned picture = code == 0x7F ? 0x2421u : 0x2400u + code;
  return {static_cast<char>(0xE0 | (picture >> 12)),
          static_cast<char>(0x80 | ((picture >> 6) & 0x3F)),
          static_cast<char>(0x80 | (picture & 0x3F))};
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const Character c = CharacterAt(text, at);
    if (c.valid) {
      valid += text.substr(at, c.length);
    } else {
      valid += kReplacementCharacter;
    }
    at += c.length;
  }
  return valid;
}

std::string EchoedText(std::string_view text, std::size_t maxCharacters) {
  std::string echoed;
  std::size_t at = 0;
  for (std::size_t count = 0; at < text.size(); ++count) {
    if (count == maxCharacters) return echoed + "…";
    const Character c = CharacterAt(text, at);
    const auto first = static_cast<unsigned char>(text[at]);
    if (!c.valid) {
      echoed += kReplacementCharacter;
    } else if (first != '\t' && (first < 0x20 || first == 0x7F)) {
      echoed += ControlPicture(first);
    } else {
      echoed += text.substr(at, c.length);
    }
    at += c.length;
  }
  return echoed;
}

}  // namespace kurimo
