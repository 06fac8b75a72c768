#pragma once
// The text rules of clipboard exchange: what clipboard text becomes as _CLIP, how it is
// read as an array, and what an assignment to _CLIP or one of its elements makes of it.
// Pure functions over the settings values they need; the clipboard itself is the
// caller's.

#include "document/core/AnswerFormat.h"
#include "regex/bmRegExp.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

// The array separator of OptNumFormatArray: 0 ",", 1 TAB, 2 " ", 3 CR LF, otherwise ",".
std::string ArraySeparatorText(int optNumFormatArray);

// The pattern NormaliseClipText replaces by "," for OptNumFormatArray.
const char* ClipNormalisePattern(int optNumFormatArray);

// A value the user typed outside an expression (the Variables window's Add): a value text
// as StrToDComplex reads it, or anything ReadClipElement reads without TAB pairs ("2.5K").
// Raises StrToDComplex's EConvertError for anything else.
DComplex ReadEnteredValue(std::string_view text);

// The text stored as _CLIP for the clipboard's text: trimmed of characters at or below the
// blank, then separator runs tightened to "," by the pattern of OptNumFormatArray.
std::string NormaliseClipText(std::string_view text, int optNumFormatArray);
// The same through the caller's component (its line separator should be CR LF).
std::string NormaliseClipText(std::string_view text, int optNumFormatArray, TAWKStr& awk);

// Lines of text: CR LF, a lone CR and a lone LF each end a line; a break at the very end
// makes no empty last line.
std::vector<std::string> SplitClipLines(std::string_view text);

// Elements of a delimited text: blanks and control characters end an element, quoted
// elements may hold anything ("" inside stands for one quote).
std::vector<std::string> SplitDelimitedText(std::string_view text, char separator);

// The clipboard's text read as an array for OptNumFormatArray. A complex number written in
// the conventional or the program's style ("7 + 0i", "3 -_I 4") stays one element although
// it holds blanks. TAB pairs become one complex element ("re<TAB>im"): with the TAB setting
// every two neighbours as they come, and with the TAB-separated complex style
// (OptNumFormatComplex 2) two numbers that only a TAB parts.
std::vector<std::string> ClipArrayElements(std::string_view text, int optNumFormatArray,
                                           int optNumFormatComplex);

// Whether the settings write complex numbers as TAB pairs, so that "re<TAB>im" is one value.
bool ClipTabPairs(int optNumFormatArray, int optNumFormatComplex);

// One element of clipboard text as a value: the program's value text ("3 +_I 4", "3 -_I 4",
// "{3, 4}"), the conventional style ("3 + 4i", "3 - 4i", "-3 + -4i", "4i"), a TAB pair
// "3<TAB>4" when tabPairs, or a number; every number may carry a unit suffix ("4.7K") as
// in expressions. Nothing when the text is none of these.
std::optional<DComplex> ReadClipElement(std::string_view text, bool tabPairs);

// A value the user typed outside an expression (the Variables window's Add): a value text
// as StrToDComplex reads it, or anything ReadClipElement reads without TAB pairs ("2.5K").
// Raises StrToDComplex's EConvertError for anything else.
DComplex ReadEnteredValue(std::string_view text);

// The text stored as _CLIP for the clipboard's text: its elements as ClipArrayElements finds
// them, as a comma text whose elements the engine reads (one element stands alone, so it
// reads as a value). Elements that are plain numbers keep their spelling; other readable
// ones become value texts; unreadable ones stay as they are, so that using them fails. A
// text without any readable element is stored as NormaliseClipText makes it.
std::string ClipVariableText(std::string_view text, int optNumFormatArray, int optNumFormatComplex,
                             TAWKStr& awk);
std::string ClipVariableText(std::string_view text, int optNumFormatArray, int optNumFormatComplex);

// The element texts joined by the array separator, with none after the last.
std::string JoinArrayText(const std::vector<std::string>& elements, int optNumFormatArray);

// The largest element index an assignment may write into the clipboard's array; a larger
// one would have to pad the clipboard with that many zeros.
inline constexpr int MaxClipElementIndex = 999'999;

// The clipboard text after assigning value (a DComplexToStr text) to _CLIP (idx -1) or to
// its element idx, given the clipboard's current text. Empty when the assignment names no
// element (idx below -1, or above MaxClipElementIndex): the clipboard keeps its text and
// the caller counts a failed operation. Raises EConvertError for an unreadable value.
std::optional<std::string> ClipAssignmentText(std::string_view clipText, std::string_view value,
                                              int idx, const NumberFormatSettings& settings);

} // namespace vexmo
