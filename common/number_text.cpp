#include "number_text.h"

#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include <cmath>
#include <iterator>
#include <limits>

namespace kurimo {
namespace {

// Every conversion below goes through {fmt} (writing) and fast_float (reading), never
// through printf, strtod or the streams: those follow the C locale, which a window
// toolkit sets from the environment (a German desktop writes 1,5), while these texts must
// be the same everywhere. Both libraries round correctly: {fmt} rounds the exact binary
// value with halves to even, fast_float gives the nearest double, halves to even.

// A finite, non-negative magnitude as significant digits d1 d2 ... (no trailing zeros)
// and the decimal exponent of d1: the value is d1.d2d3... x 10^exponent.
struct Digits {
  std::string digits;
  int exponent = 0;
};

// The digits of a decimal text of a non-negative number as {fmt} writes it: "1234.5",
// "0.001", "1000", "1.5e+20".
Digits DigitsOfText(std::string_view text) {
  const std::size_t e = text.find('e');
  int written = 0;  // the exponent after the 'e'
  if (e != std::string_view::npos) {
    for (std::size_t i = e + 2; i < text.size(); ++i)
      written = written * 10 + (text[i] - '0');
    if (text[e + 1] == '-') written = -written;
  }
  const std::string_view mantissa = text.substr(0, e);
  const std::size_t point = mantissa.find('.');
  const auto wholeDigits =
      static_cast<int>(point == std::string_view::npos ? mantissa.size() : point);
  Digits result;
  int leadingZeros = 0;
  for (char c : mantissa) {
    if (c == '.') continue;
    if (result.digits.empty() && c == '0') {
      ++leadingZeros;
    } else {
      result.digits.push_back(c);
    }
  }
  while (!result.digits.empty() && result.digits.back() == '0')
    result.digits.pop_back();
  if (result.digits.empty()) return {"0", 0};
  result.exponent = written + wholeDigits - 1 - leadingZeros;
  return result;
}

// The value of digits and exponent, as the nearest double (infinity past the largest).
double ValueOfDigits(const Digits& d) {
  std::string text = d.digits;
  fmt::format_to(std::back_inserter(text), "e{}", d.exponent - static_cast<int>(text.size()) + 1);
  double value = 0.0;
  fast_float::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The magnitude rounded to `significant` digits, halves to even on the exact binary value
// (0.12600000202655792 gives .126 with 7 digits). Where that rounding would pass
// `largest`, the largest finite value of the magnitude's type, the digits are rounded
// towards zero instead: the text of the largest double is 1.79769313486231E+308, since
// 1.79769313486232E+308 lies beyond every double and would not read back. Writing more
// digits there would break the form's promise of at most 15 (7) significant digits; the
// text stays within one unit of its last digit, as any rounding does. No single needs it:
// 3.402823E+38 lies below the largest single.
Digits SignificantDigits(double magnitude, int significant, double largest) {
  if (magnitude == 0.0) return {"0", 0};
  Digits result = DigitsOfText(fmt::format("{:.{}e}", magnitude, significant - 1));
  if (ValueOfDigits(result) > largest) {
    // It was rounded up, by less than one unit of the last digit: one unit less is the
    // magnitude rounded towards zero.
    result.digits.resize(static_cast<std::size_t>(significant), '0');
    std::size_t i = result.digits.size() - 1;
    while (result.digits[i] == '0')
      result.digits[i--] = '9';
    --result.digits[i];
    if (result.digits.front() == '0') {  // 1000... became 0999...
      result.digits.erase(0, 1);
      result.digits.push_back('9');
      --result.exponent;
    }
    while (result.digits.size() > 1 && result.digits.back() == '0')
      result.digits.pop_back();
  }
  return result;
}

constexpr int kDoubleDigits = 15;
constexpr int kSingleDigits = 7;

// The digits a type keeps and its largest finite value, which no text may pass.
struct Precision {
  int significant;
  double largest;
};
constexpr Precision kDouble{kDoubleDigits, std::numeric_limits<double>::max()};
constexpr Precision kSingle{kSingleDigits, std::numeric_limits<float>::max()};

enum class Style { Box, File };

std::string FormatNumber(double value, Precision precision, Style style) {
  std::string out;
  out.push_back(value < 0 ? '-' : ' ');
  if (std::isnan(value)) {
    out = " 非数";
  } else if (std::isinf(value)) {
    out += "∞";
  } else {
    const Digits d = SignificantDigits(std::fabs(value), precision.significant, precision.largest);
    const int plainLimit = precision.significant;  // 1E+15 for doubles, 1E+07 for singles
    if (d.digits == "0") {
      out += "0";
    } else if (d.exponent >= plainLimit || d.exponent < -4) {
      out += d.digits.substr(0, 1);
      if (d.digits.size() > 1) {
        out += '.';
        out += d.digits.substr(1);
      }
      fmt::format_to(std::back_inserter(out), "E{}{:02}", d.exponent < 0 ? '-' : '+',
                     std::abs(d.exponent));
    } else if (d.exponent >= 0) {
      const auto whole = static_cast<std::size_t>(d.exponent) + 1;
      if (d.digits.size() <= whole) {
        out += d.digits;
        out.append(whole - d.digits.size(), '0');
      } else {
        out += d.digits.substr(0, whole);
        out += '.';
        out += d.digits.substr(whole);
      }
    } else {
      if (style == Style::File) out += '0';
      out += '.';
      out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
      out += d.digits;
    }
  }
  if (style == Style::File) out += ' ';
  return out;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The nearest double of a decimal number. `mantissa` holds digits and at most one '.',
// `exponent` the written exponent. A number beyond the largest double, or one so small
// that even the smallest double is nearer to zero than to it, is out of range: refused
// with `rejectOutOfRange`, otherwise an infinity or a zero (of the number's sign).
std::optional<double> ConvertDecimal(bool negative, const std::string& mantissa, long long exponent,
                                     bool rejectOutOfRange) {
  std::string text = mantissa;
  fmt::format_to(std::back_inserter(text), "e{}", exponent);
  double value = 0.0;
  // fast_float reports no range error: it gives the infinity or the zero itself.
  const fast_float::from_chars_result r =
      fast_float::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  const bool outOfRange =
      std::isinf(value) || (value == 0.0 && mantissa.find_first_not_of("0.") != std::string::npos);
  if (outOfRange && rejectOutOfRange) return std::nullopt;
  return negative ? -value : value;
}

// The ASCII form of a character that a Japanese input method types in a number, or 0 for
// any other: the full-width digits, signs, decimal point, comma, E and D (the full-width
// block U+FF01..U+FF5E mirrors ASCII at an offset of 0xFEE0), the minus sign U+2212, and
// the ideographic space as a blank.
char AsciiOfNumberCharacter(char32_t code) {
  if (code == 0x2212) return '-';
  if (code == 0x3000) return ' ';
  if (code < 0xFF01 || code > 0xFF5E) return 0;
  const auto ascii = static_cast<char>(code - 0xFEE0);
  return std::string_view("0123456789+-.,DEde").find(ascii) != std::string_view::npos ? ascii : 0;
}

// The text with those characters replaced by their ASCII forms. All of them are three-byte
// UTF-8 sequences; only a whole, well-formed sequence is decoded, so no invalid byte can be
// mistaken for one. Everything else is copied unchanged.
std::string AsciiNumberForms(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    char ascii = 0;
    if (i + 2 < text.size() && (byte(0) & 0xF0) == 0xE0 && (byte(1) & 0xC0) == 0x80 &&
        (byte(2) & 0xC0) == 0x80) {
      ascii = AsciiOfNumberCharacter(static_cast<char32_t>(
          ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)));
    }
    if (ascii != 0) {
      out.push_back(ascii);
      i += 3;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

// Reads an exponent's digits, saturating far beyond any double's range.
long long ReadExponentDigits(std::string_view digits) {
  long long value = 0;
  for (char c : digits) {
    if (value < 100000000) value = value * 10 + (c - '0');
  }
  return value;
}

// A decimal number read from the start of a text: an optional sign, whole-number digits,
// a decimal part after ".", and an exponent after E or D. A marker without exponent digits
// ends the number before the marker.
struct DecimalScan {
  bool valid = false;  // there were digits, and any grouping commas stood in threes
  bool negative = false;
  std::string mantissa;  // the digits, with the "." where it stood
  long long exponent = 0;
  std::size_t end = 0;  // the index of the first character after the number
};

// With `groupedThousands`, commas may group the whole-number digits as thousands (one to
// three digits, then groups of exactly three); without it a comma ends the number.
DecimalScan ScanDecimal(std::string_view s, bool groupedThousands) {
  DecimalScan scan;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) scan.negative = s[i++] == '-';
  bool anyDigit = false;
  std::size_t groupDigits = 0;
  bool grouped = false;
  while (i < s.size()) {
    if (IsDigit(s[i])) {
      scan.mantissa.push_back(s[i++]);
      anyDigit = true;
      ++groupDigits;
    } else if (groupedThousands && s[i] == ',') {
      if (groupDigits == 0 || groupDigits > 3 || (grouped && groupDigits != 3)) return scan;
      grouped = true;
      groupDigits = 0;
      ++i;
    } else {
      break;
    }
  }
  if (grouped && groupDigits != 3) return scan;
  if (i < s.size() && s[i] == '.') {
    scan.mantissa.push_back(s[i++]);
    while (i < s.size() && IsDigit(s[i])) {
      scan.mantissa.push_back(s[i++]);
      anyDigit = true;
    }
  }
  if (!anyDigit) return scan;
  scan.valid = true;
  scan.end = i;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
    const std::size_t start = j;
    while (j < s.size() && IsDigit(s[j]))
      ++j;
    if (j > start) {
      scan.exponent = ReadExponentDigits(s.substr(start, j - start));
      if (negativeExponent) scan.exponent = -scan.exponent;
      scan.end = j;
    }
  }
  return scan;
}

}  // namespace

std::string NumberToText(double value) {
  return FormatNumber(value, kDouble, Style::Box);
}
std::string NumberToText(float value) {
  return FormatNumber(value, kSingle, Style::Box);
}
std::string NumberToFileText(double value) {
  return FormatNumber(value, kDouble, Style::File);
}
std::string NumberToFileText(float value) {
  return FormatNumber(value, kSingle, Style::File);
}

double LeadingNumber(std::string_view text) {
  const std::string ascii = AsciiNumberForms(text);
  std::string s;
  for (char c : ascii) {
    if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
  }
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    double value = 0.0;
    for (std::size_t i = 2; i < s.size(); ++i) {
      int digit = -1;
      const char c = s[i];
      if (IsDigit(c))
        digit = c - '0';
      else if (base == 16 && c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else if (base == 16 && c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      if (digit < 0 || digit >= base) break;
      value = value * base + digit;
    }
    return value;
  }

  const DecimalScan scan = ScanDecimal(s, false);
  if (!scan.valid) return 0.0;
  return *ConvertDecimal(scan.negative, scan.mantissa, scan.exponent, false);
}

std::optional<double> ParseNumberText(std::string_view text) {
  const std::string ascii = AsciiNumberForms(text);
  text = ascii;
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin]))
    ++begin;
  while (end > begin && IsBlank(text[end - 1]))
    --end;
  const std::string_view s = text.substr(begin, end - begin);

  const DecimalScan scan = ScanDecimal(s, true);
  if (!scan.valid || scan.end != s.size()) return std::nullopt;
  return ConvertDecimal(scan.negative, scan.mantissa, scan.exponent, true);
}

bool IsNumberText(std::string_view text) {
  return ParseNumberText(text).has_value();
}

double TextToNumber(std::string_view text) {
  return ParseNumberText(text).value_or(std::numeric_limits<double>::quiet_NaN());
}

void AppendShortestNumber(std::string& out, double value) {
  // The form of C++'s shortest to_chars: the fewest digits that read back as the value,
  // in plain notation unless the exponent form is shorter ("1e+15", but "123000" and
  // "0.001"); a plain whole number longer than its digits is written exactly as the
  // double stands ("123456789012345683968" for 1.2345678901234568e+20).
  if (!std::isfinite(value) || value == 0.0) {
    fmt::format_to(std::back_inserter(out), "{}", value);  // inf, -inf, nan, 0, -0
    return;
  }
  if (std::signbit(value)) out += '-';
  const double magnitude = std::fabs(value);
  const Digits d = DigitsOfText(fmt::format("{}", magnitude));
  const int count = static_cast<int>(d.digits.size());
  const int e = d.exponent;
  const int exponentDigits = std::abs(e) >= 100 ? 3 : 2;
  const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + exponentDigits;
  const int plainLength = e >= count - 1 ? e + 1 : e >= 0 ? count + 1 : count - e + 1;
  if (plainLength > scientificLength) {
    out += d.digits.front();
    if (count > 1) {
      out += '.';
      out.append(d.digits, 1);
    }
    fmt::format_to(std::back_inserter(out), "e{}{:02}", e < 0 ? '-' : '+', std::abs(e));
  } else if (e >= count - 1) {
    fmt::format_to(std::back_inserter(out), "{:.0f}", magnitude);
  } else if (e >= 0) {
    out.append(d.digits, 0, static_cast<std::size_t>(e) + 1);
    out += '.';
    out.append(d.digits, static_cast<std::size_t>(e) + 1);
  } else {
    out += "0.";
    out.append(static_cast<std::size_t>(-e - 1), '0');
    out += d.digits;
  }
}

void AppendShortestNumber(std::string& out, std::uint64_t value) {
  fmt::format_to(std::back_inserter(out), "{}", value);
}

std::string SignificantNumberText(double value, int significant) {
  return fmt::format("{:.{}g}", value, significant);
}

double RoundHalfEven(double value, int places) {
  if (!std::isfinite(value) || places < 0 || places > 15) return value;
  double scale = 1.0;
  for (int i = 0; i < places; ++i)
    scale *= 10.0;  // exact up to 1e22
  const double product = value * scale;
  // At this size every double is already a whole number of the last place.
  if (!(std::fabs(product) < 4503599627370496.0)) return value;  // 2^52
  // The exact product is product + error; only when the rounded product lies exactly
  // halfway does the error (which fma gives exactly) decide the side.
  const double error = std::fma(value, scale, -product);
  const double floorOfProduct = std::floor(product);
  const double fraction = product - floorOfProduct;
  double rounded;
  if (fraction == 0.5 && error != 0.0) {
    rounded = error > 0.0 ? floorOfProduct + 1.0 : floorOfProduct;
  } else {
    rounded = std::nearbyint(product);  // halves to even in the default rounding mode
  }
  return rounded / scale;
}

}  // namespace kurimo
