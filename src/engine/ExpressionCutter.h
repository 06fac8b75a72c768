#pragma once
// How an expression's text is cut into operands and operators. The engine's scanner and the
// display's token scanner both cut with this one loop, so a line is never cut two ways.

#include "engine/CompTinyParseEngine.h"
#include "engine/EngineText.h"

#include <cstddef>
#include <string>

namespace vexmo {

// `s` is upper-cased and [pos, end) has no blanks at either end. `operand(from, to, numeric)`
// gets each run of text between operators, blanks not yet trimmed; `ope(at, op)` gets each
// operator or function name of the table.
template <class Operand, class Operator>
void CutExpression(const std::string& s, std::size_t pos, std::size_t end, const TOpeList& table,
                   Operand&& operand, Operator&& ope) {
    constexpr int kNoBreak = -1;
    constexpr int kBlank = -2;
    while (pos < end) {
        const bool numeric = engine_text::IsDigit(s[pos]) || s[pos] == '.';
        std::size_t breakAt = end;
        int entry = kNoBreak;
        for (std::size_t p = pos; p < end; ++p) {
            const char c = s[p];
            // The sign of an exponent belongs to the number (1E-5).
            if (numeric && p > pos && (c == '+' || c == '-') && s[p - 1] == 'E')
                continue;
            for (int idx : table.StartingWith(static_cast<unsigned char>(c))) {
                const std::string& t = table.At(static_cast<std::size_t>(idx)).Text;
                const bool isFunction = engine_text::IsUpperLetter(t[0]);
                if (isFunction && p != pos)
                    continue; // names are recognised only at the start of a token
                if (t.size() > end - p || s.compare(p, t.size(), t) != 0)
                    continue;
                if (isFunction && p + t.size() < end && engine_text::IsUpperLetter(s[p + t.size()]))
                    continue; // SINE is a name, not SIN followed by E
                entry = idx;
                break;
            }
            if (entry != kNoBreak || c == ' ') {
                breakAt = p;
                if (entry == kNoBreak)
                    entry = kBlank;
                break;
            }
        }
        if (entry == kNoBreak) {
            operand(pos, end, numeric);
            break;
        }
        if (breakAt > pos)
            operand(pos, breakAt, numeric);
        if (entry == kBlank) {
            pos = breakAt + 1;
        } else {
            const TOpe& op = table.At(static_cast<std::size_t>(entry));
            ope(breakAt, op);
            pos = breakAt + op.Text.size();
        }
        while (pos < end && engine_text::IsTrimmed(s[pos]))
            ++pos;
    }
}

} // namespace vexmo
