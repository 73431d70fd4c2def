#include "echo_text.h"

namespace kurimo {
namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length in bytes of the UTF-8 character at `at`, or 1 when the bytes there are no
// valid character (a stray continuation byte, an overlong form, a surrogate, a code
// above U+10FFFF, a cut-off sequence).
std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;  // range of the second byte
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    return 1;
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
    return 1;
  }
  if (at + length > text.size()) return 1;
  if (byte(1) < low || byte(1) > high) return 1;
  for (std::size_t k = 2; k < length; ++k) {
    if (!IsContinuation(byte(k))) return 1;
  }
  return length;
}

// The picture of a control character: U+2400 + its code, U+2421 for DEL, in UTF-8.
std::string ControlPicture(unsigned char code) {
  const unsigned picture = code == 0x7F ? 0x2421u : 0x2400u + code;
  return {static_cast<char>(0xE0 | (picture >> 12)),
          static_cast<char>(0x80 | ((picture >> 6) & 0x3F)),
          static_cast<char>(0x80 | (picture & 0x3F))};
}

}  // namespace

std::string EchoedText(std::string_view text, std::size_t maxCharacters) {
  std::string echoed;
  std::size_t at = 0;
  for (std::size_t count = 0; at < text.size(); ++count) {
    if (count == maxCharacters) return echoed + "…";
    const std::size_t length = CharacterLength(text, at);
    const auto first = static_cast<unsigned char>(text[at]);
    if (length == 1 && first != '\t' && (first < 0x20 || first == 0x7F)) {
      echoed += ControlPicture(first);
    } else {
      echoed += text.substr(at, length);
    }
    at += length;
  }
  return echoed;
}

}  // namespace kurimo
