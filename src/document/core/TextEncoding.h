#pragma once
// Text files are UTF-8; a file that is not valid UTF-8 is read in the legacy code page.
// Windows-1252 is built in; a caller that can decode another code page (Shift_JIS for the
// Japanese interface) hands in its own decoder.

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

// The text of a file's bytes: UTF-8 as it stands (without a byte-order mark), anything
// else through `decoder` (Windows-1252 when none is given). `legacy` tells which it was.
std::string DecodeFileText(std::string_view bytes, const LegacyDecoder& decoder,
                           bool* legacy = nullptr);

} // namespace vexmo
