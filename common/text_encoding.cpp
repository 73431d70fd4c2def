#include "text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace kurimo {
namespace {

std::optional<std::string> Convert(std::string_view input, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::vector<char> buffer(input.size() * 2 + 16);
  char* in = const_cast<char*>(input.data());  // iconv's signature; the input is not written
  std::size_t inLeft = input.size();
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  if (ok) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);  // flush any shift state
    out.append(buffer.data(), buffer.size() - outLeft);
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  return Convert(utf8, "CP932", "UTF-8");
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
  return Convert(cp932, "UTF-8", "CP932");
}

}  // namespace kurimo
