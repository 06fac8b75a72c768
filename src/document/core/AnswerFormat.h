#pragma once
// Answer text: how a value is written behind the arrow, on the clipboard and in the
// Options dialog's sample. Standard library only; the locale separators are handed in
// once at start-up (the decimal separator through SetDecimalSeparator of DorvSub).

#include "engine/DorvSub.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

// The user's number-format choices, with the values of a fresh start.
struct NumberFormatSettings {
    int OptNumFormat = 0;           // 0 General, 1 Exponent, 2 Fixed, 3 Engineering, 4 User
    int OptPrecision = 15;          // significant digits (clamped to 2..18 when used)
    int OptDigits = 0;              // decimals (Fixed), minimum exponent digits (Exponent)
    std::string OptNumFormatStr = "#,##0.000;-#,##0.000;0.000";
    int OptNumFormatClipboard = 0;  // 0 maximum precision, 1 as the answer format
    int OptNumFormatArray = 0;      // 0 comma, 1 TAB, 2 space, 3 CR LF
    int OptNumFormatComplex = 0;    // 0 conventional, 1 program style, 2 TAB separated
    // Off: a value whose imaginary part is exactly zero is written as its real part alone,
    // behind the arrow and on the clipboard.
    bool OptShowZeroImaginary = true;
};

// The locale thousands separator written by user formats with grouping. "," until set.
void SetThousandSeparator(std::string separator);
const std::string& ThousandSeparator();

// Suffixes of the engineering format, for the decades 10^-18 .. 10^12.
inline constexpr const char* EngineeringSuffixTable[11] = {"A", "F", "P", "N", "U", "M",
                                                           "",  "K", "MG", "G", "T"};

// Codes 0 and 4 general, 1 exponent, 2 fixed, 3 engineering; any other code gives "".
std::string FormatNumber(int code, int precision, int digits, long double x);

// A user format of up to three sections (positive;negative;zero).
std::string UserFormatText(std::string_view format, long double x);

// The answer written behind the arrow: real part, " +_I " or " -_I ", imaginary part; the
// real part alone for a zero imaginary part when OptShowZeroImaginary is off. An unknown
// format code writes the general format.
std::string AnswerText(const DComplex& value, const NumberFormatSettings& settings);

// The text of one value for the clipboard; a plain number for a zero imaginary part when
// OptShowZeroImaginary is off, whatever the complex style.
std::string ClipboardNumberText(const DComplex& value, const NumberFormatSettings& settings);

// The four lines of the Options dialog's sample box for the dialog's current choices
// (radio item 0-4, the precision, digits and user-format texts). Nothing when the
// precision or digits text is not an integer: the box then keeps its previous lines.
std::optional<std::vector<std::string>> FormatSampleLines(int formatItem,
                                                          std::string_view precisionText,
                                                          std::string_view digitsText,
                                                          std::string_view userFormat);

// Reads a whole decimal integer (optional sign, digits, surrounding blanks allowed), as
// the Options dialog's number boxes are read.
std::optional<int> ParseIntegerText(std::string_view text);

} // namespace vexmo
