#include "number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kurimo {
namespace {

// A finite, non-negative magnitude as significant digits d1 d2 ... (no trailing zeros)
// and the decimal exponent of d1: the value is d1.d2d3... x 10^exponent.
struct Digits {
  std::string digits;
  int exponent = 0;
};

Digits SignificantDigits(double magnitude, int significant) {
  Digits result;
  if (magnitude == 0.0) {
    result.digits = "0";
    return result;
  }
  std::array<char, 64> buffer{};
  // "%.*e" rounds correctly (halves to even on the exact binary value), which is what
  // makes 0.12600000202655792 show as 0.126 with 7 digits.
  const int length =
      std::snprintf(buffer.data(), buffer.size(), "%.*e", significant - 1, magnitude);
  const std::string_view text(buffer.data(), static_cast<std::size_t>(length));
  const std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i) {
    if (text[i] != '.') result.digits.push_back(text[i]);
  }
  while (result.digits.size() > 1 && result.digits.back() == '0')
    result.digits.pop_back();
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                  result.exponent);
  return result;
}

enum class Style { Box, File };

std::string FormatNumber(double value, int significant, Style style) {
  std::string out;
  out.push_back(value < 0 ? '-' : ' ');
  if (std::isnan(value)) {
    out = " 非数";
  } else if (std::isinf(value)) {
    out += "∞";
  } else {
    const Digits d = SignificantDigits(std::fabs(value), significant);
    const int plainLimit = significant;  // 1E+15 for doubles, 1E+07 for singles
    if (d.digits == "0") {
      out += "0";
    } else if (d.exponent >= plainLimit || d.exponent < -4) {
      out += d.digits.substr(0, 1);
      if (d.digits.size() > 1) {
        out += '.';
        out += d.digits.substr(1);
      }
      std::array<char, 16> exponent{};
      std::snprintf(exponent.data(), exponent.size(), "E%c%02d", d.exponent < 0 ? '-' : '+',
                    std::abs(d.exponent));
      out += exponent.data();
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

constexpr int kDoubleDigits = 15;
constexpr int kSingleDigits = 7;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// from_chars with its out-of-range result resolved: a decimal exponent above the range
// of doubles gives an infinity, one below it gives zero. `mantissa` holds digits and at
// most one '.', `exponent` the written exponent.
std::optional<double> ConvertDecimal(bool negative, const std::string& mantissa, long long exponent,
                                     bool rejectOutOfRange) {
  std::string text = mantissa;
  text += 'e';
  text += std::to_string(exponent);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    if (rejectOutOfRange) return std::nullopt;
    // Position of the first non-zero digit decides which side of the range it left.
    long long scale = exponent;
    const std::size_t point = mantissa.find('.');
    const std::size_t firstNonZero = mantissa.find_first_not_of("0.");
    const std::size_t pointAt = point == std::string::npos ? mantissa.size() : point;
    if (firstNonZero != std::string::npos) {
      scale += firstNonZero < pointAt ? static_cast<long long>(pointAt - firstNonZero - 1)
                                      : -static_cast<long long>(firstNonZero - pointAt);
    }
    value = scale > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
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
  return FormatNumber(value, kDoubleDigits, Style::Box);
}
std::string NumberToText(float value) {
  return FormatNumber(value, kSingleDigits, Style::Box);
}
std::string NumberToFileText(double value) {
  return FormatNumber(value, kDoubleDigits, Style::File);
}
std::string NumberToFileText(float value) {
  return FormatNumber(value, kSingleDigits, Style::File);
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
  char digits[32];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, r.ptr);
}

void AppendShortestNumber(std::string& out, std::uint64_t value) {
  char digits[24];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, r.ptr);
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
