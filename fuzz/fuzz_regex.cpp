// Pattern, replacement and text from one input, split at NUL bytes. Any pattern either
// compiles or raises ERegExpParser with a position inside it; replacing every match by
// itself ("&") must give the text back unchanged.
#include "regex/bmRegExp.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool lf = (data[0] & 1) != 0;
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    auto cut = [&input] {
        const std::size_t nul = input.find('\0');
        const std::string_view part = input.substr(0, nul);
        input = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
        return part;
    };
    const std::string pattern(cut());
    const std::string_view replacement = cut();
    // The search is quadratic for some patterns; keep each run short.
    if (pattern.size() > 2048 || input.size() > 4096) return 0;

    vexmo::TAWKStr awk;
    awk.SetLineSeparator(lf ? vexmo::TMatchCORE_LineSeparator::mcls_LF
                            : vexmo::TMatchCORE_LineSeparator::mcls_CRLF);
    try {
        awk.SetRegExp(pattern);
    } catch (const vexmo::ERegExpParser& e) {
        if (e.Position() < 1 || static_cast<std::size_t>(e.Position()) > pattern.size() + 1)
            std::abort();
        if (!awk.RegExp().empty()) std::abort();
    }

    std::size_t start = 0, length = 0;
    if (awk.Match(input, start, length) && start + length > input.size()) std::abort();

    std::string same(input);
    const int count = awk.ReplaceAll("&", same);
    if (count < 0 || same != input) std::abort();

    std::string text(input);
    if (awk.ReplaceAll(replacement, text) == 0 && text != input) std::abort();
    return 0;
}
