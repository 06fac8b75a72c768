#pragma once
// Text files are UTF-8; a file that is not valid UTF-8 is read in a legacy code page, chosen
// from its bytes: Shift_JIS when they read as plausible Japanese, else Windows-1252.
// Windows-1252 is built in; a caller that can decode Shift_JIS hands in its own decoder.

#include <functional>
#include <string>
#include <string_view>

namespace vexmo {

// Bytes in the legacy code page to UTF-8.
using LegacyDecoder = std::function<std::string(std::string_view bytes)>;

bool IsValidUtf8(std::string_view bytes);

// Windows-1252 to UTF-8. The five bytes the code page leaves undefined map to the C1
// control characters of the same number, so every byte survives a round trip.
std::string DecodeWindows1252(std::string_view bytes);

// UTF-8 to Windows-1252; a character the code page cannot hold becomes "?".
std::string EncodeWindows1252(std::string_view utf8);

// Whether bytes that are not UTF-8 are better read as Shift_JIS than as Windows-1252. Every
// byte must fit Shift_JIS's lead and trail ranges, and there must be real evidence of
// Japanese: kana, full-width punctuation, or kanji standing beside other Japanese characters.
// That evidence is weighed against how Western the same bytes look in Windows-1252 (a letter
// such as é, œ or Š beside an ASCII letter, a quote, dash or ™ beside ASCII text). On a tie
// the answer is no: Windows-1252 keeps every byte.
bool LooksLikeShiftJis(std::string_view bytes);

// The text of a file's bytes: UTF-8 as it stands (without a byte-order mark), anything
// else through `decoder` (Windows-1252 when none is given). `legacy` tells which it was.
std::string DecodeFileText(std::string_view bytes, const LegacyDecoder& decoder,
                           bool* legacy = nullptr);

} // namespace vexmo
