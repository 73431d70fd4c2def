// Conversions between numbers and the texts that the boxes, the messages and the
// output file show. Every function takes what it needs as arguments: nothing here
// reads the machine's locale (neither the C library's nor the window toolkit's), so
// " 2.4" means 2.4 on every system and every number is written with ".".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kurimo {

// Text of a number as the boxes, the result message and the legend show it: a blank
// before a value of 0 or more, a minus sign before a negative one, no zero before the
// decimal point (" .126", "-.5"), "." as the decimal point, no grouping, trailing zeros
// dropped. Doubles keep at most 15 significant digits, singles at most 7. Magnitudes of
// 1E+15 (1E+07 for singles) and more, or below 1E-04, take the exponent form " 1.5E+15".
// The text of every finite value reads back (ParseNumberText) as a finite number: where
// rounding would pass the largest double, the last digit is rounded down instead
// (" 1.79769313486231E+308").
std::string NumberToText(double value);
std::string NumberToText(float value);

// The output file's number form: a blank (or a minus sign), the number with its zero
// before the point (0.126), and one blank after it.
std::string NumberToFileText(double value);
std::string NumberToFileText(float value);

// Texts are UTF-8. Both readers below take the full-width forms that a Japanese input
// method types as their ASCII forms: the digits ０-９, the signs ＋ and － (and the minus
// sign U+2212), the point ．, the comma ，, Ｅ ｅ Ｄ ｄ, and the ideographic space U+3000 as
// a blank. "１，０００" reads as 1,000 and "1０" as 10.

// The value of the number at the start of a text. Blanks, tabs and line feeds anywhere
// are skipped; a sign, digits, "." and digits, and an exponent (E or D) are read up to
// the first other character (a comma too); no leading digits gives 0. "&H1F" and "&O17"
// are read as hexadecimal and octal integers. Too large a number gives an infinity of
// its sign.
double LeadingNumber(std::string_view text);

// The value of a whole text under the program's fixed number format: blanks around, an
// optional sign, the whole-number digits, an optional decimal part after ".", an
// optional exponent (E or D, optional sign). Commas may group the whole-number digits
// only as thousands: one to three digits, then groups of exactly three ("1,000",
// "12,345.5"); "0,5", "1,0,0", "1234,567" and ".5,000" are no numbers. Empty texts,
// anything else, and numbers outside the range of a double give no value. The value is
// the correctly rounded double of the text.
std::optional<double> ParseNumberText(std::string_view text);

// True when ParseNumberText gives a value.
bool IsNumberText(std::string_view text);

// The value of a text held by a condition. Held texts have passed IsNumberText; any
// other text gives NaN, so that a mistake shows up as a failed run instead of a
// plausible number.
double TextToNumber(std::string_view text);

// Appends the shortest decimal text that reads back as the same number ("0.1", "1e+300",
// "6294"): the form of the tables and files meant for other programs.
void AppendShortestNumber(std::string& out, double value);
void AppendShortestNumber(std::string& out, std::uint64_t value);

// The value rounded to `significant` significant digits (1 to 17, halves to even on the
// exact binary value) in the general form of C's "%.*g": plain from 1E-04 up to below
// 1E+significant, the exponent form outside ("1e+20", "2.5e-05"), trailing zeros dropped,
// no blank before it. ParseNumberText reads it.
std::string SignificantNumberText(double value, int significant);

// Rounds to the given number of decimal places (0 to 15); a value exactly halfway, as
// the double stands, goes to the even last digit (0.125 -> 0.12, 0.375 -> 0.38).
double RoundHalfEven(double value, int places);

}  // namespace kurimo
